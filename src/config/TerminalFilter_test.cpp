// Terminal filters: how a filter text splits, how it compares, what a malformed or unsupported
// one does, and how a "filters" array is collected.
#include "config/TerminalFilter.h"

#include <gtest/gtest.h>

#include <list>
#include <string>

#include "config/ConfigTestSupport.h"
#include "vrio/version.h"

namespace zeqnet {
namespace {

using testing_support::LogCapture;
using Format = TerminalFilter::Format;

TEST(TerminalFilterSplit, OperatorSearchOrderAndFormatErrors) {
    struct Case {
        const char* text;
        Format format;
        const char* attr;
        const char* optr;
        const char* value;
    };
    const Case cases[] = {
        {"os=Harmony", Format::kOk, "os", "=", "Harmony"},
        {"sdkVer>=2.6", Format::kOk, "sdkVer", ">=", "2.6"},
        {"os!=Harmony", Format::kOk, "os", "!=", "Harmony"},
        {"sdkVer<=3", Format::kOk, "sdkVer", "<=", "3"},
        {"sdkVer<3", Format::kOk, "sdkVer", "<", "3"},
        // '>' is looked for before '=', wherever they stand.
        {"a=b>c", Format::kOk, "a=b", ">", "c"},
        // '<' before '=': the value keeps the later '='.
        {"x<y=z", Format::kOk, "x", "<", "y=z"},
        {"os>=>x", Format::kOk, "os", ">=", ">x"},
        {"", Format::kEmpty, "", "", ""},
        {"osHarmony", Format::kNoOperator, "", "", ""},
        {"os=", Format::kEndsWithOperator, "", "", ""},
        {"!", Format::kEndsWithOperator, "", "", ""},
        {"=Harmony", Format::kNoAttribute, "", "", ""},
        {"os!Harmony", Format::kWrongOperator, "", "", ""},
        {"a=b!c", Format::kWrongOperator, "", "", ""},  // '!' is looked for first
        {"os==Harmony", Format::kWrongOperator, "", "", ""},
        {"os>=", Format::kNoValue, "", "", ""},
        {"os!=", Format::kNoValue, "", "", ""},
    };
    for (const Case& c : cases) {
        TerminalFilter filter;
        EXPECT_EQ(TerminalFilter::Split(c.text, &filter), c.format) << c.text;
        if (c.format != Format::kOk) continue;
        EXPECT_EQ(filter.attr, c.attr) << c.text;
        EXPECT_EQ(filter.optr, c.optr) << c.text;
        EXPECT_EQ(filter.value, c.value) << c.text;
    }
}

TEST(TerminalFilterCompare, TextOrderNotNumberOrder) {
    const std::string version = VRIO_SDK_VERSION;
    struct Case {
        std::string terminal;
        const char* optr;
        std::string value;
        bool holds;
    };
    const Case cases[] = {
        {"Harmony", "=", "Harmony", true},
        {"Harmony", "!=", "Harmony", false},
        {"Harmony", "=", "harmony", false},
        {version, ">", "0", true},
        {version, ">=", "2.6", true},
        {version, "<", "2.6", false},  // a longer text with the same start sorts after
        {"2.6", "<", "2.6.2", true},
        {"2.6", "<=", "2.6", true},
        {"2.6", ">", "2.6", false},
        // Text, not numbers: '2' sorts after '1', so "2.6.2" is not below "10" and "2.10" is
        // below "2.9".
        {"2.6.2", ">=", "10", true},
        {"2.6.2", "<", "10", false},
        {"2.10", "<", "2.9", true},
        {"\xC3", ">", "z", true},  // bytes compare as unsigned
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TerminalFilter::Compare(c.terminal, c.optr, c.value), c.holds)
            << c.terminal << " " << c.optr << " " << c.value;
    }
}

TEST(TerminalFilterCheck, MalformedAndUnsupportedFiltersHoldWithTheirLines) {
    const TerminalInfo terminal{"Harmony", "2.6.2_x"};
    struct Case {
        const char* text;
        bool holds;
        const char* line;
    };
    const Case cases[] = {
        {"os=Harmony", true, "filter param, attr is os, optr is =, value is Harmony\n"},
        {"os!=Harmony", false, "fail to verify filter\n"},
        {"sdkVer<2", false, "fail to verify filter\n"},
        {"sdkVer>0", true, "filter param, attr is sdkVer, optr is >, value is 0\n"},
        {"a=b>c", true, "unsupport filter\n"},
        {"model=x", true, "unsupport filter\n"},
        {"", true, "empty filter\n"},
        {"osHarmony", true, "invalid format, no optr\n"},
        {"os=", true, "invalid format, end with optr\n"},
        {"=x", true, "invalid format, no attr\n"},
        {"os!Harmony", true, "invalid format, wrong optr\n"},
        {"os>=", true, "invalid format, no value\n"},
    };
    for (const Case& c : cases) {
        LogCapture log;
        EXPECT_EQ(TerminalFilter::Check(c.text, terminal), c.holds) << c.text;
        EXPECT_TRUE(log.Has(std::string("checking filter is ") + c.text + "\n")) << c.text;
        EXPECT_TRUE(log.Has(c.line)) << c.text;
        bool formatError = std::string(c.line).find("format") != std::string::npos ||
                           std::string(c.line) == "empty filter\n";
        EXPECT_EQ(log.Has("fail to parse filter\n"), formatError) << c.text;
    }
}

TEST(JsonGetFilterArray, CollectsOnlyStringsAndAppends) {
    rapidjson::Document doc;
    doc.Parse(R"({"mixed":["os=Harmony",1,null,"sdkVer>0",{"a":"b"}],"numbers":[1,2],"empty":[],"obj":{}})");
    ASSERT_FALSE(doc.HasParseError());
    LogCapture log;
    std::list<std::string> out{"kept"};
    EXPECT_EQ(JsonGetFilterArray(doc["mixed"], out), 0);
    EXPECT_EQ(out, (std::list<std::string>{"kept", "os=Harmony", "sdkVer>0"}));
    EXPECT_TRUE(log.Has("fileter is os=Harmony\n"));
    EXPECT_TRUE(log.Has("filterArray size=3, ret=0\n"));

    std::list<std::string> none;
    EXPECT_EQ(JsonGetFilterArray(doc["numbers"], none), -1);
    EXPECT_EQ(JsonGetFilterArray(doc["empty"], none), -1);
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(JsonGetFilterArray(doc["obj"], none), -1);
    EXPECT_TRUE(log.Has("not array, type=3\n"));
}

}  // namespace
}  // namespace zeqnet
