// What the open functions read from a stream URL: scheme, track mode and the options after '@'.
#include "api/StreamUrl.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(StreamUrl, OnlyTheZrtcSchemeIsAccepted) {
    struct Case {
        const char* url;
        bool ok;
    } cases[] = {
        {"zrtc://edge.example/live/a", true}, {"zrtc://", true},        {"ZRTC://edge/live", false},
        {"rtmp://edge/live", false},          {"zrtcs://edge/x", false}, {"zrtc:/edge", false},
        {"", false},                          {nullptr, false},
    };
    for (const Case& c : cases) EXPECT_EQ(zeqnet::HasZrtcScheme(c.url), c.ok) << (c.url ? c.url : "(null)");
}

TEST(StreamUrl, TrackModeQuenloMeansRtcModeOnlyAfterTheQuery) {
    struct Case {
        const char* url;
        bool notRtc;
    } cases[] = {
        {"zrtc://h/live/s?trackmode=quenlo", false},
        {"zrtc://h/live/s?a=1&trackmode=quenlo&b=2", false},
        {"zrtc://h/trackmode=quenlo/s", true},
        {"zrtc://h/live/s?trackmode=other", true},
        {"zrtc://h/live/s", true},
    };
    for (const Case& c : cases) {
        zeqmcdn::CdnSettings s;
        s.edgeAddressGiven = true;
        zeqnet::ApplyTrackMode(c.url, &s);
        EXPECT_EQ(s.publish.notRtcMode, c.notRtc) << c.url;
        EXPECT_EQ(s.subscribe.notRtcMode, c.notRtc) << c.url;
        EXPECT_FALSE(s.edgeAddressGiven);
    }
}

struct Applied {
    std::string url;
    zeqmcdn::CdnSettings s;
    zeqnet::SdkOpenOptions o;
};

Applied Apply(const std::string& url) {
    Applied a;
    a.url = url;
    zeqnet::ApplySdkOptions(&a.url, &a.s, &a.o);
    return a;
}

TEST(StreamUrl, NoAtSignLeavesEverythingAlone) {
    Applied a = Apply("zrtc://h/live/s?x=1");
    EXPECT_EQ(a.url, "zrtc://h/live/s?x=1");
    EXPECT_TRUE(a.o.audio);
    EXPECT_TRUE(a.o.video);
    EXPECT_FALSE(a.o.forceIpv6);
    EXPECT_TRUE(a.s.connectHandshake);
}

TEST(StreamUrl, EveryOptionAfterTheAtSign) {
    Applied a = Apply(
        "zrtc://h/live/s?x=1@force_ipv6=yes&subaudio=no&subvideo=no&audiorate=44100&red=no&sfu_ip=10.0.0.7"
        "&sfu_port=9000&jitterbuffer=20000&audio_msid=am&video_msid=vm&dns_type=2&custom_dns=8.8.8.8&cookie=no");
    EXPECT_EQ(a.url, "zrtc://h/live/s?x=1");
    EXPECT_TRUE(a.o.forceIpv6);
    EXPECT_FALSE(a.o.audio);
    EXPECT_FALSE(a.o.video);
    EXPECT_EQ(a.s.subscribe.forcedSampleRate, 44100);
    EXPECT_TRUE(a.s.publish.redDisabled);
    EXPECT_STREQ(a.s.edgeIp, "10.0.0.7");
    EXPECT_STREQ(a.s.edgePort, "9000");
    EXPECT_TRUE(a.s.edgeAddressGiven);
    EXPECT_EQ(a.s.subscribe.bufferingDurationMs, 10000);
    EXPECT_STREQ(a.s.publish.audioMsid, "am");
    EXPECT_STREQ(a.s.subscribe.audioMsid, "am");
    EXPECT_STREQ(a.s.publish.videoMsid, "vm");
    EXPECT_STREQ(a.s.subscribe.videoMsid, "vm");
    EXPECT_EQ(a.s.dnsType, 2);
    EXPECT_STREQ(a.s.customDns, "8.8.8.8");
    EXPECT_FALSE(a.s.connectHandshake);
}

TEST(StreamUrl, BadValuesAreIgnored) {
    const std::string longIp(63, '1');
    const std::string longPort(15, '2');
    const std::string longDns(512, 'd');
    Applied a = Apply("zrtc://h/s@sfu_ip=" + longIp + "&sfu_port=" + longPort + "&jitterbuffer=-5&audio_msid=" +
                      "&dns_type=123456789&custom_dns=" + longDns);
    EXPECT_EQ(a.url, "zrtc://h/s");
    EXPECT_STREQ(a.s.edgeIp, "");
    EXPECT_STREQ(a.s.edgePort, "");
    EXPECT_FALSE(a.s.edgeAddressGiven);
    EXPECT_EQ(a.s.subscribe.bufferingDurationMs, -1);
    EXPECT_STREQ(a.s.publish.audioMsid, "");
    EXPECT_EQ(a.s.dnsType, 0);
    EXPECT_STREQ(a.s.customDns, "");
}

TEST(StreamUrl, AudioRateTakesOnlySupportedRates) {
    struct Case {
        const char* opt;
        int rate;
    } cases[] = {{"audiorate=48000", 48000}, {"audiorate=0", 0}, {"audiorate=16000", 0}, {"audiorate=abc", 0}};
    for (const Case& c : cases) {
        Applied a = Apply(std::string("zrtc://h/s@") + c.opt);
        EXPECT_EQ(a.s.subscribe.forcedSampleRate, c.rate) << c.opt;
    }
}

TEST(StreamUrl, JitterBufferIsClamped) {
    EXPECT_EQ(Apply("zrtc://h/s@jitterbuffer=50").s.subscribe.bufferingDurationMs, 100);
    EXPECT_EQ(Apply("zrtc://h/s@jitterbuffer=800").s.subscribe.bufferingDurationMs, 800);
}

TEST(StreamUrl, LongTextsAreCutToTheirFields) {
    Applied a = Apply("zrtc://h/s@audio_msid=" + std::string(200, 'm') + "&sfu_ip=" + std::string(62, '9') +
                      "&custom_dns=" + std::string(511, 'c'));
    EXPECT_EQ(std::string(a.s.publish.audioMsid), std::string(127, 'm'));
    EXPECT_EQ(std::string(a.s.edgeIp), std::string(62, '9'));
    EXPECT_EQ(std::string(a.s.customDns), std::string(511, 'c'));
}

TEST(StreamUrl, OptionsEndAtTheirAmpersandAndTheUrlIsCutAtTheFirstAt) {
    Applied a = Apply("zrtc://h/s@sfu_port=1935&other@x");
    EXPECT_EQ(a.url, "zrtc://h/s");
    EXPECT_STREQ(a.s.edgePort, "1935");
}

}  // namespace
