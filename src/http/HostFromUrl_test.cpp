#include "http/HostFromUrl.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(HostFromUrl, ExtractsTheHostAlone) {
    const struct {
        const char* url;
        const char* host;
    } cases[] = {
        {"zrtc://edge.example:1106/live/stream?x=1", "edge.example"},
        {"http://h/p", "h"},
        {"edge.example", "edge.example"},                // bare host taken whole
        {"edge.example:8080", "edge.example"},           // bare host with port
        {"edge.example/app/stream", "edge.example"},
        {"http://edge.example", "edge.example"},
        {"a://b://c/d", "b"},                            // only the first "://" is skipped
        {"http://host/path:with:colons", "host"},        // a ':' after the '/' is not a port
        {"http:///path", ""},
        {"", ""},
        {nullptr, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ZeqUtils::ExtractHost(c.url), c.host) << (c.url ? c.url : "null");
}

TEST(HostFromUrl, CopiesCutToTheBuffer) {
    char host[8];
    EXPECT_TRUE(ZeqUtils::GetHostFromUrl("zrtc://abcdefghijk:1/x", host, sizeof(host)));
    EXPECT_STREQ(host, "abcdefg");
    char tiny[1] = {'x'};
    EXPECT_TRUE(ZeqUtils::GetHostFromUrl("zrtc://abc/x", tiny, 1));  // asserted, still terminated
    EXPECT_EQ(tiny[0], '\0');
    EXPECT_FALSE(ZeqUtils::GetHostFromUrl(nullptr, host, sizeof(host)));
    EXPECT_FALSE(ZeqUtils::GetHostFromUrl("zrtc://abc/x", nullptr, 10));
}

}  // namespace
