#include "http/DnsServerList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using ZeqUtils::BuildServerList;
using ZeqUtils::DnsLookupEntry;

std::string Describe(const std::vector<DnsLookupEntry>& list) {
    std::string out;
    for (const DnsLookupEntry& e : list) out += "[" + e.server + "]" + std::to_string(e.source) + " ";
    return out;
}

TEST(DnsServerList, CustomTextIsSplitAtEveryComma) {
    const std::vector<std::string> built_in = {"builtin-a", "builtin-b"};
    const struct {
        const char* custom;
        const char* expected;
    } cases[] = {
        {"a,b", "[a]15 [b]16 "},
        {"a,b,", "[a]15 [b]16 []17 "},   // a trailing comma adds a system lookup
        {",a", "[]15 [a]16 "},
        {"a,,b", "[a]15 []16 [b]17 "},
        {",", "[]15 []16 "},
        {"one:8080", "[one:8080]15 "},
        {"", "[builtin-a]15 [builtin-b]16 []10 "},  // empty text: the built-in list
        {nullptr, "[builtin-a]15 [builtin-b]16 []10 "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Describe(BuildServerList(c.custom, built_in)), c.expected) << (c.custom ? c.custom : "null");
}

TEST(DnsServerList, OverlongServersAndTooManyEntriesAreDropped) {
    std::string text = std::string(128, 'x') + ",ok," + std::string(127, 'y');
    std::vector<DnsLookupEntry> list = BuildServerList(text.c_str(), {});
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].server, "ok");
    EXPECT_EQ(list[0].source, 16);  // the dropped entry keeps its source code
    EXPECT_EQ(list[1].server.size(), 127u);

    std::string many;
    for (int i = 0; i < 10000; ++i) many += "s,";
    list = BuildServerList(many.c_str(), {});
    EXPECT_EQ(list.size(), ZeqUtils::kMaxLookups);
}

}  // namespace
