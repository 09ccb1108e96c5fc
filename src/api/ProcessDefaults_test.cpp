// The version-2 option setter and the process-wide defaults it fills.
#include "api/ProcessDefaults.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "api/AesHooks.h"

namespace {

class OptionSetter : public testing::Test {
protected:
    void SetUp() override {
        zeqnet::ProcessDefaults::Get().ResetForTesting();
        zeqnet::AesHooks::ResetForTesting();
    }
    void TearDown() override { SetUp(); }
    static int Set(const char* k, const char* v) { return zeqnet::ProcessDefaults::Get().SetOption(k, v); }
    static zeqmcdn::CdnSettings S() { return zeqnet::ProcessDefaults::Get().Settings(); }
    static vrio_net_config Cfg() {
        vrio_net_config cfg;
        std::memset(&cfg, 0x5a, sizeof(cfg));
        zeqnet::ProcessDefaults::Get().OverlayConfig(&cfg);
        return cfg;
    }
};

TEST_F(OptionSetter, ResultCodesFollowTheKeyTable) {
    struct Case {
        const char* key;
        const char* value;
        int rc;
    } cases[] = {
        {"AutoReconnect", "true", 0},       {"SigTimeoutMs", "3000", 0},       {"SigTimeoutMs", "3s", -22},
        {"SigTimeoutMs", "-1", -22},        {"MediaTimeoutMs", "", -22},       {"HighInterleaveDelay", "no", 0},
        {"BufferingDuration", "0", -22},    {"BufferingDuration", "x", -22},  {"BufferingDuration", "500", 0},
        {"LogCallback", "0", -22},          {"LogCbParam", "12345", 0},        {"MessageCallback", "abc", -22},
        {"LogToConsole", "true", 0},        {"LogLevel", "100", 0},            {"LogLevel", "101", -22},
        {"AudioFormat", "aac-he2", 0},      {"AudioFormat", "mp3", -22},       {"AudioSampleRate", "11025", -22},
        {"AudioSampleRate", "44100", 0},    {"AudioChannels", "3", -22},       {"AudioChannels", "2", 0},
        {"HelpSupportIDPrefix", "app", -19}, {"AesInitCallback", "4096", 0},   {"AesFreeCallback", "0", -22},
        {"RtcMode", "true", 0},             {"VideoCodec", "hevc", -19},       {"disableQlog", "true", -19},
        {"disablePadding", "true", -19},    {"dnsType", "2", -19},             {"customDns", "1.2.3.4", -19},
        {"NoSuchKey", "1", -19},
        {"SigTimeoutMs", "99999999999999999999999", -22},
    };
    for (const Case& c : cases) EXPECT_EQ(Set(c.key, c.value), c.rc) << c.key << "=" << c.value;
    EXPECT_EQ(Set(nullptr, "1"), -22);
    EXPECT_EQ(Set("LogLevel", nullptr), -22);
}

TEST_F(OptionSetter, ValuesLandInTheDefaults) {
    Set("AutoReconnect", "true");
    Set("SigTimeoutMs", "3000");
    Set("MediaTimeoutMs", "7000");
    Set("HighInterleaveDelay", "false");
    Set("AudioFormat", "opus");
    Set("AudioSampleRate", "16000");
    Set("AudioChannels", "2");
    Set("RtcMode", "true");
    Set("VideoCodec", "h265");
    Set("disableQlog", "true");
    Set("disablePadding", "true");
    Set("dnsType", "3");
    Set("customDns", std::string(300, 'd').c_str());
    zeqmcdn::CdnSettings s = S();
    EXPECT_TRUE(s.autoReconnect);
    EXPECT_EQ(s.signallingTimeoutMs, 3000);
    EXPECT_EQ(s.mediaTimeoutOptionMs, 7000);
    EXPECT_FALSE(s.highInterleaveDelay);
    EXPECT_EQ(s.publish.audioCodec, 2);
    EXPECT_EQ(s.publish.aacProfile, 0);
    EXPECT_EQ(s.publish.audioSampleRate, 16000);
    EXPECT_EQ(s.publish.audioClockRate, 16000);
    EXPECT_EQ(s.publish.audioChannels, 2);
    EXPECT_FALSE(s.publish.notRtcMode);
    EXPECT_FALSE(s.subscribe.notRtcMode);
    EXPECT_EQ(s.publish.videoCodec, 2);  // applied although the answer is -19
    EXPECT_FALSE(s.telemetryEnabled);
    EXPECT_EQ(s.publish.paddingEnable, 0);
    EXPECT_EQ(s.dnsType, 3);
    EXPECT_EQ(std::strlen(s.customDns), 128u);

    Set("VideoCodec", "vp8");
    Set("disablePadding", "no");
    EXPECT_EQ(S().publish.videoCodec, 1);
    EXPECT_EQ(S().publish.paddingEnable, 1);
}

TEST_F(OptionSetter, BufferingDurationIsClampedAndFixesTheTarget) {
    struct Case {
        const char* value;
        int64_t ms;
    } cases[] = {{"50", 100}, {"500", 500}, {"5000", 1000}};
    for (const Case& c : cases) {
        ASSERT_EQ(Set("BufferingDuration", c.value), 0);
        EXPECT_EQ(S().subscribe.bufferingDurationMs, c.ms);
        EXPECT_FALSE(S().subscribe.dynamicJitterBuffer);
    }
}

TEST_F(OptionSetter, RecordFieldsOverlayOnlyTheFirst144Bytes) {
    Set("LogCallback", "4096");
    Set("LogCbParam", "8192");
    Set("MessageCallback", "12288");
    Set("AacdCloseCallback", "16384");
    Set("LogToFile", "true");
    Set("LogLevel", "3");
    Set("HelpSupportIDPrefix", std::string(100, 'p').c_str());
    vrio_net_config cfg = Cfg();
    EXPECT_EQ(reinterpret_cast<uintptr_t>(cfg.LogCallback), 4096u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(cfg.LogCbParam), 8192u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(cfg.MessageCallback), 12288u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(cfg.AacdCloseCallback), 16384u);
    EXPECT_EQ(cfg.LogToFile, 1);
    EXPECT_EQ(cfg.LogToConsole, 0);
    EXPECT_EQ(cfg.LogLevel, 3);
    EXPECT_EQ(std::strlen(cfg.HelpSupportIDPrefix), 64u);
    EXPECT_EQ(cfg.HighInterleaveDelay, 0x5a5a5a5a);  // offset 144 onwards is untouched
    EXPECT_EQ(cfg.PaddingEnable, 0x5a5a5a5a);
}

TEST_F(OptionSetter, UntouchedDefaultsAreZeroWithLogLevelTwo) {
    vrio_net_config cfg = Cfg();
    EXPECT_EQ(cfg.LogCallback, nullptr);
    EXPECT_EQ(cfg.LogLevel, 2);
    EXPECT_EQ(cfg.HelpSupportIDPrefix[0], '\0');
    zeqmcdn::CdnSettings s = S();
    EXPECT_EQ(s.signallingTimeoutMs, 10000);
    EXPECT_EQ(s.mediaTimeoutOptionMs, 8000);
    EXPECT_FALSE(s.autoReconnect);
    EXPECT_TRUE(s.telemetryEnabled);
}

TEST_F(OptionSetter, EveryCallIsAppendedToThePreconfigurationCache) {
    Set("LogLevel", "3");
    Set("NoSuchKey", "x");
    Set("LogLevel", "999");
    Set(nullptr, "skipped");
    auto& d = zeqnet::ProcessDefaults::Get();
    EXPECT_EQ(d.PreconfCache(false), "LogLevel:3,NoSuchKey:x,LogLevel:999,");
    EXPECT_EQ(d.PreconfCache(true), "LogLevel:3,NoSuchKey:x,LogLevel:999,");
    EXPECT_EQ(d.PreconfCache(false), "");
}

TEST_F(OptionSetter, AesHooksAreInstalledByName) {
    EXPECT_EQ(Set("AesCreateCallback", "4096"), 0);
    EXPECT_EQ(Set("AesDecryptCallback", "8192"), 0);
    zeqnet::AesHookSet hooks = zeqnet::AesHooks::Get();
    EXPECT_EQ(reinterpret_cast<uintptr_t>(hooks.create), 4096u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(hooks.decrypt), 8192u);
    EXPECT_EQ(hooks.init, nullptr);
}

}  // namespace
