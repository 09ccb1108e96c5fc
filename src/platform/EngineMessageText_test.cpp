// Reading back engine-message texts.
#include "platform/EngineMessageText.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/TestLogCapture.h"

namespace {

using NetBit::parse_message_string;

struct Parsed {
    bool ok = false;
    int64_t when = -7;
    std::string where = "-";
    uint32_t who = 7;
    std::string pairs = "old&";
};

Parsed Parse(const char* text) {
    Parsed p;
    p.ok = parse_message_string(text, 0, &p.when, &p.where, &p.who, &p.pairs);
    return p;
}

TEST(EngineMessageText, ReadsTheFieldsAndAppendsThePairs) {
    const Parsed p = Parse("code=126,when=1743494709123,where=RemoteParticipant,who=1234,"
                           "desc=\"vs:1,vc:2,w:1280,h:720,url:zrtc://h/a:b\"");
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.when, 1743494709123);
    EXPECT_EQ(p.where, "RemoteParticipant");
    EXPECT_EQ(p.who, 1234u);
    EXPECT_EQ(p.pairs, "old&vs=1&vc=2&w=1280&h=720&url=zrtc://h/a:b&");  // the value is all after the first ':'
}

TEST(EngineMessageText, EdgesOfTheFields) {
    struct Case {
        const char* text;
        int64_t when;
        const char* where;
        uint32_t who;
        const char* pairs;
    } cases[] = {
        {"code=121,when=5,where=na,who=0,desc=\"\"", 5, "na", 0, "old&"},  // no description pieces
        {"code=1,when=-9223372036854775808,where=x y\",who=4294967295,desc=\"a:1\"", INT64_MIN, "x y\"", 4294967295u,
         "old&a=1&"},
        {"code=-3,when= +7,where=w,who=\t8,desc=\"k::v\"", 7, "w", 8, "old&k=:v&"},
        {"code=99999999999999999999999,when=1,where=w,who=1,desc=\"a:b\"tail", 1, "w", 1, "old&a=b&"},
        {"code=1,when=2,where=w,who=3,desc=\"=rtt:35\"", 2, "w", 3, "old&=rtt=35&"},  // keys are not checked
        // The first ",desc=\"" counts, wherever it is.
        {"code=1,when=2,where=w,who=3,desc=x,desc=\"k:v\"", 2, "w", 3, "old&k=v&"},
    };
    for (const Case& c : cases) {
        const Parsed p = Parse(c.text);
        ASSERT_TRUE(p.ok) << c.text;
        EXPECT_EQ(p.when, c.when) << c.text;
        EXPECT_EQ(p.where, c.where) << c.text;
        EXPECT_EQ(p.who, c.who) << c.text;
        EXPECT_EQ(p.pairs, c.pairs) << c.text;
    }
}

TEST(EngineMessageText, MalformedTextsAreRefusedWithTheirLine) {
    platform_test::LogCapture log;
    struct Case {
        const char* text;
        const char* line;
    } cases[] = {
        {"", "parse_message_string sscanf failed, data:"},
        {"code=1,when=2,where=w", "parse_message_string sscanf failed"},
        {"code=1,when=2,where=,who=3,desc=\"a:1\"", "parse_message_string sscanf failed"},  // empty where
        {"code=x,when=2,where=w,who=3,desc=\"a:1\"", "parse_message_string sscanf failed"},
        {"code=1,when=9223372036854775808,where=w,who=3,desc=\"a:1\"", "parse_message_string sscanf failed"},
        {"code=1,when=2,where=w,who=4294967296,desc=\"a:1\"", "parse_message_string sscanf failed"},
        {"code=1,when=2,where=w,who=-1,desc=\"a:1\"", "parse_message_string sscanf failed"},
        {" code=1,when=2,where=w,who=3,desc=\"a:1\"", "parse_message_string sscanf failed"},
        {"code=1,when=2,where=w,who=3", "parse_message_string strstr failed"},
        {"code=1,when=2,where=w,who=3,desc=a:1", "parse_message_string strstr failed"},
        {"code=1,when=2,where=w,who=3,desc=\"a:1", "parse_message_string strstr failed"},  // never closed
        {"code=1,when=2,where=w,who=3,desc=\"a:1,,b:2\"", "parse_message_string empty failed"},
        {"code=1,when=2,where=w,who=3,desc=\"a:1,\"", "parse_message_string empty failed"},
        {"code=1,when=2,where=w,who=3,desc=\",a:1\"", "parse_message_string empty failed"},
        {"code=1,when=2,where=w,who=3,desc=\"a1\"", "parse_message_string strchr failed"},
        {"code=1,when=2,where=w,who=3,desc=\"a:1,:2\"", "parse_message_string strchr failed"},
        {"code=1,when=2,where=w,who=3,desc=\"a:1,b:\"", "parse_message_string val failed"},
    };
    for (const Case& c : cases) {
        const size_t before = log.Lines().size();
        const Parsed p = Parse(c.text);
        EXPECT_FALSE(p.ok) << c.text;
        // Nothing is written on failure.
        EXPECT_EQ(p.when, -7) << c.text;
        EXPECT_EQ(p.where, "-") << c.text;
        EXPECT_EQ(p.who, 7u) << c.text;
        EXPECT_EQ(p.pairs, "old&") << c.text;
        const std::vector<std::string> lines = log.Lines();
        ASSERT_EQ(lines.size(), before + 1) << c.text;
        EXPECT_NE(lines.back().find(c.line), std::string::npos) << lines.back();
        EXPECT_NE(lines.back().find(std::string("data:") + c.text), std::string::npos) << lines.back();
        EXPECT_EQ(log.Levels().back(), LLOG_ERROR);
    }
    EXPECT_FALSE(Parse(nullptr).ok);
    EXPECT_TRUE(log.Has("parse_message_string sscanf failed, data:(null)"));
}

TEST(EngineMessageText, NullOutputsAreSkipped) {
    EXPECT_TRUE(parse_message_string("code=1,when=2,where=w,who=3,desc=\"a:1\"", 0, nullptr, nullptr, nullptr, nullptr));
}

}  // namespace
