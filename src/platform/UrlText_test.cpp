// Dissecting stream URLs and percent-encoding.
#include "platform/UrlText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace NetBit;

TEST(UrlText, DomainOfAUrl) {
    struct Case {
        std::string url;
        const char* from_url;
        const char* name;
    } cases[] = {
        {"zrtc://edge.example:1935/live/s", "edge.example:1935", "edge.example:1935"},
        {"host:1935/app", "host:1935", ""},  // no scheme: only GetDomainFromUrl finds a host
        {"zrtc://edge.example", "edge.example", "edge.example"},
        {"zrtc:///live", "", ""},
        {"a://b://c/d", "b:", "b:"},  // the first "://" counts
        {"", "", ""},
        {"/path/only", "", ""},
        {"ZRTC://Host/x", "Host", "Host"},  // case kept
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GetDomainFromUrl(c.url), c.from_url) << c.url;
        EXPECT_EQ(GetDomainName(c.url), c.name) << c.url;
    }
    // Byte-wise: an embedded NUL is just a byte of the host.
    EXPECT_EQ(GetDomainName(std::string("zrtc://h\0x/y", 12)), std::string("h\0x", 3));
}

TEST(UrlText, SplitUrlFindsFourPartsAndSkipsSlashRuns) {
    struct Case {
        const char* url;
        const char* proto;
        const char* host;
        const char* app;
        const char* stream;
    } cases[] = {
        {"zrtc://edge:1935/live//stream?trackmode=quenlo", "zrtc", "edge:1935", "live", "stream"},
        {"zrtc://edge/live/stream", "zrtc", "edge", "live", "stream"},
        {"zrtc://edge///live///a/b?x", "zrtc", "edge", "live", "a/b"},
        {"zrtc://edge/live/?x=1", "zrtc", "edge", "live", ""},
        {"zrtc:///live/s", "zrtc", "", "live", "s"},
        {"://h/a/s", "", "h", "a", "s"},
    };
    for (const Case& c : cases) {
        std::string proto, host, app, stream;
        ASSERT_TRUE(SplitUrl(c.url, proto, host, app, stream)) << c.url;
        EXPECT_EQ(proto, c.proto) << c.url;
        EXPECT_EQ(host, c.host) << c.url;
        EXPECT_EQ(app, c.app) << c.url;
        EXPECT_EQ(stream, c.stream) << c.url;
    }
}

TEST(UrlText, SplitUrlFailuresKeepWhatWasAssigned) {
    struct Case {
        const char* url;
        const char* proto;  // "-" when never assigned
        const char* host;
        const char* app;
    } cases[] = {
        {"edge/live/stream", "-", "-", "-"},        // no "://"
        {"zrtc://edge", "zrtc", "-", "-"},          // host not followed by '/'
        {"zrtc://edge/", "zrtc", "edge", "-"},      // nothing after the slashes
        {"zrtc://edge///", "zrtc", "edge", "-"},
        {"zrtc://edge/live", "zrtc", "edge", "-"},  // app not followed by '/'
        {"zrtc://edge/live/", "zrtc", "edge", "live"},  // ends right after the app's '/'
        {"zrtc://edge/live//", "zrtc", "edge", "live"},
        {"", "-", "-", "-"},
    };
    for (const Case& c : cases) {
        std::string proto = "-", host = "-", app = "-", stream = "-";
        EXPECT_FALSE(SplitUrl(c.url, proto, host, app, stream)) << c.url;
        EXPECT_EQ(proto, c.proto) << c.url;
        EXPECT_EQ(host, c.host) << c.url;
        EXPECT_EQ(app, c.app) << c.url;
        EXPECT_EQ(stream, "-") << c.url;
    }
}

TEST(UrlText, CheckUrlProtoNeedsAWholeUrlAndTheExactScheme) {
    EXPECT_TRUE(CheckUrlProto("zrtc://h/a/s", "zrtc"));
    EXPECT_FALSE(CheckUrlProto("zrtc://h/a/s", "ZRTC"));
    EXPECT_FALSE(CheckUrlProto("zrtc://h/a/s", "zrt"));
    EXPECT_FALSE(CheckUrlProto("zrtc://h/a", "zrtc"));  // no stream part
    EXPECT_FALSE(CheckUrlProto("", "zrtc"));
    EXPECT_FALSE(CheckUrlProto("zrtc://h/a/s", ""));
    EXPECT_FALSE(CheckUrlProto("://h/a/s", ""));
}

TEST(UrlText, TwoEncodings) {
    struct Case {
        std::string text;
        const char* url_encoded;
        const char* percent_encoded;
    } cases[] = {
        {"a b-c", "a+b%2Dc", "a%20b-c"},
        {"", "", ""},
        {"AZaz09", "AZaz09", "AZaz09"},
        {"-._~", "%2D%2E%5F%7E", "-._~"},
        {"/?&=+%", "%2F%3F%26%3D%2B%25", "%2F%3F%26%3D%2B%25"},
        {"\xe4\xb8\xad\xff", "%E4%B8%AD%FF", "%E4%B8%AD%FF"},
        {std::string("a\0b", 3), "a%00b", "a%00b"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(URLEncode(c.text), c.url_encoded) << c.text;
        EXPECT_EQ(ZeqUtils::QlogUrlEncode(c.text), c.percent_encoded) << c.text;
    }
}

TEST(UrlText, PercentEncodingOfEveryByteDecodesBack) {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    for (const std::string& encoded : {URLEncode(all), ZeqUtils::QlogUrlEncode(all)}) {
        std::string decoded;
        for (size_t i = 0; i < encoded.size(); ++i) {
            if (encoded[i] == '%') {
                decoded.push_back(static_cast<char>(std::stoi(encoded.substr(i + 1, 2), nullptr, 16)));
                i += 2;
            } else {
                decoded.push_back(encoded[i] == '+' ? ' ' : encoded[i]);
            }
        }
        EXPECT_EQ(decoded, all);
    }
}

}  // namespace
