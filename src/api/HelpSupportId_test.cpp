// The help-support identifier that names each session.
#include "api/HelpSupportId.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

TEST(HelpSupportId, EncodingKeepsAlnumAndEscapesTheRest) {
    EXPECT_EQ(zeqnet::HelpUrlEncode("Ab9"), "Ab9");
    EXPECT_EQ(zeqnet::HelpUrlEncode("a b"), "a+b");
    EXPECT_EQ(zeqnet::HelpUrlEncode("a.b:80/-_~"), "a%2Eb%3A80%2F%2D%5F%7E");
    EXPECT_EQ(zeqnet::HelpUrlEncode(std::string("\xff\x01", 2)), "%FF%01");
}

TEST(HelpSupportId, HostIsBetweenSchemeAndPath) {
    EXPECT_EQ(zeqnet::UrlHost("zrtc://edge.example:9000/live/s"), "edge.example:9000");
    EXPECT_EQ(zeqnet::UrlHost("zrtc://edge.example"), "edge.example");
    EXPECT_EQ(zeqnet::UrlHost("no-scheme/live"), "");
    EXPECT_EQ(zeqnet::UrlHost(nullptr), "");
}

TEST(HelpSupportId, UtcStampFormat) {
    EXPECT_EQ(zeqnet::UtcStamp(0), "19700101000000");
    EXPECT_EQ(zeqnet::UtcStamp(1765461723456LL), "20251211140203");
}

TEST(HelpSupportId, WholeIdentifier) {
    std::string id = zeqnet::BuildHelpSupportId("emptyappid", "zrtc://edge.example/live/s", 0, "0123456789abcdef");
    EXPECT_EQ(id, "emptyappid-edge%2Eexample-harmony-19700101000000-0123456789abcdef");
}

TEST(HelpSupportId, EncodedHostIsCutTo64Characters) {
    std::string host(40, '.');  // 120 characters once encoded
    std::string id = zeqnet::BuildHelpSupportId("my app", ("zrtc://" + host + "/x").c_str(), 0, "r");
    std::string encodedHost;
    for (int i = 0; i < 22; ++i) encodedHost += "%2E";
    encodedHost.resize(64);
    EXPECT_EQ(id, "my+app-" + encodedHost + "-harmony-19700101000000-r");
}

TEST(HelpSupportId, RandomTailIsSixteenLettersAndDigits) {
    std::string tail = zeqnet::RandomAlnum(16);
    EXPECT_TRUE(std::regex_match(tail, std::regex("[A-Za-z0-9]{16}"))) << tail;
}

}  // namespace
