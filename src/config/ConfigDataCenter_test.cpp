// The data center: defaults, what each key accepts and refuses, the crash-module list, and how it
// attaches to and detaches from a session's configuration center.
#include "config/ConfigDataCenter.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "config/ConfigTestSupport.h"
#include "config/ConfigureCenter.h"

namespace zeqnet {
namespace {

using testing_support::LogCapture;
using testing_support::TestContext;

using Getter = std::function<int64_t(const ConfigDataCenter&)>;

struct Field {
    const char* key;
    Getter get;
    int64_t initial;
};

// Every numeric and flag field, read back as a number.
const std::vector<Field>& NumericFields() {
    static const std::vector<Field> fields = {
        {"trimAudioAtStartup", [](const ConfigDataCenter& d) { return d.GetTrimAudioAtStartup(); }, 0},
        {"maxAudioQueueLength", [](const ConfigDataCenter& d) { return d.GetMaxAudioQueueLength(); }, 800},
        {"maxVQLen", [](const ConfigDataCenter& d) { return d.GetMaxVideoQueueLength(); }, 1200},
        {"audioFrameOutputInterval", [](const ConfigDataCenter& d) { return d.GetAudioFrameOutputInterval(); }, 0},
        {"shouldSkipAVSync", [](const ConfigDataCenter& d) { return d.GetShouldSkipAVSync(); }, 0},
        {"startUpFrameCountThreshold", [](const ConfigDataCenter& d) { return d.GetStartUpFrameCountThreshold(); },
         10},
        {"vjb_startup_fullspeed_frm_cnt", [](const ConfigDataCenter& d) { return d.GetStartUpFullSpeedFrameCount(); },
         0},
        {"getStreamInfoRxTimeRetrunNow", [](const ConfigDataCenter& d) { return d.GetStreamInfoRxTimeRetrunNow(); },
         0},
        {"avPktTimeoutMs", [](const ConfigDataCenter& d) { return static_cast<int64_t>(d.GetAVPacketTimeoutMs()); },
         4000},
        {"dnsExpirationTime", [](const ConfigDataCenter& d) { return d.GetDnsExpirationTime(); }, 180},
        {"cookieExpirationTime", [](const ConfigDataCenter& d) { return d.GetCookieExpirationTime(); }, 0},
        {"skipFindStreamInfo", [](const ConfigDataCenter& d) { return d.GetSkipAvformatFindStreamInfo(); }, 1},
        {"outputMinBufferLength", [](const ConfigDataCenter& d) { return d.GetOutputMinBufferLength(); }, 0},
        {"fixedWaterLevel", [](const ConfigDataCenter& d) { return d.GetFixedWaterLevel(); }, 1},
        {"videoSmoothOutput", [](const ConfigDataCenter& d) { return d.GetVideoSmoothOutput(); }, 0},
        {"audioSmoothOutput", [](const ConfigDataCenter& d) { return d.GetAudioSmoothOutput(); }, 0},
        {"forceVideoOutputThreshold", [](const ConfigDataCenter& d) { return d.GetForceVideoOutputThreshold(); },
         200},
        {"videoTsEditThreshold", [](const ConfigDataCenter& d) { return d.GetVideoTsEditThreshold(); }, 17},
        {"maxVideoDuration", [](const ConfigDataCenter& d) { return d.GetMaxVideoDuration(); }, 300},
        {"targetLatencyHi", [](const ConfigDataCenter& d) { return d.GetTargetLatencyHi(); }, 2100},
        {"targetLatencyLo", [](const ConfigDataCenter& d) { return d.GetTargetLatencyLo(); }, 2000},
        {"crashEn", [](const ConfigDataCenter& d) { return d.GetCrashEnable(); }, 0},
    };
    return fields;
}

const Field& FieldOf(const std::string& key) {
    for (const Field& f : NumericFields())
        if (key == f.key) return f;
    static const Field none{"", [](const ConfigDataCenter&) { return int64_t{-999}; }, -999};
    ADD_FAILURE() << "no field " << key;
    return none;
}

TEST(ConfigDataCenter, DefaultsAndTheKeyTable) {
    ConfigDataCenter data;
    EXPECT_EQ(data.GetName(), "ConfigDataCenter");
    for (const Field& f : NumericFields()) EXPECT_EQ(f.get(data), f.initial) << f.key;
    EXPECT_EQ(data.GetCrashDumpDir(), "");
    EXPECT_TRUE(data.GetCrashModule().empty());
    EXPECT_EQ(data.GetDycId(), "-1");
    // 22 numeric rows plus the three texts, all distinct.
    std::vector<std::string> keys(ConfigDataCenter::kKeys, ConfigDataCenter::kKeys + ConfigDataCenter::kKeyCount);
    EXPECT_EQ(keys.front(), "trimAudioAtStartup");
    EXPECT_EQ(keys.back(), "dyc_id");
    for (const Field& f : NumericFields()) EXPECT_NE(std::find(keys.begin(), keys.end(), f.key), keys.end()) << f.key;
}

TEST(ConfigDataCenter, AcceptsOnlyInsideTheRangeAndKeepsThePreviousValue) {
    struct Case {
        const char* key;
        const char* value;
        int64_t expected;  // the field after applying the value to a fresh data center
    };
    const Case cases[] = {
        // 0 or 1 only
        {"trimAudioAtStartup", "1", 1},
        {"trimAudioAtStartup", "2", 0},
        {"shouldSkipAVSync", "1", 1},
        {"shouldSkipAVSync", "-1", 0},
        {"getStreamInfoRxTimeRetrunNow", "1", 1},
        {"getStreamInfoRxTimeRetrunNow", "3", 0},
        // any 32-bit length
        {"maxAudioQueueLength", "0", 0},
        {"maxAudioQueueLength", "4294967295", 4294967295LL},
        {"maxVQLen", "900", 900},
        {"maxVQLen", "-1", 1200},          // would wrap to 4294967295
        {"maxVQLen", "4294968496", 1200},  // beyond 32 bits
        // >= 0
        {"audioFrameOutputInterval", "40", 40},
        {"startUpFrameCountThreshold", "0", 0},
        {"vjb_startup_fullspeed_frm_cnt", "-3", 0},
        {"avPktTimeoutMs", "-5", 4000},
        {"avPktTimeoutMs", "2147483647", 2147483647LL},
        {"avPktTimeoutMs", "2147483648", 4000},  // not an int
        {"dnsExpirationTime", "600", 600},
        {"cookieExpirationTime", "30", 30},
        {"skipFindStreamInfo", "0", 0},
        // inclusive ranges
        {"outputMinBufferLength", "10000", 10000},
        {"outputMinBufferLength", "10001", 0},
        {"forceVideoOutputThreshold", "0", 0},
        {"videoTsEditThreshold", "10000", 10000},
        {"maxVideoDuration", "5", 300},
        {"maxVideoDuration", "10", 10},
        {"maxVideoDuration", "1000", 1000},
        {"maxVideoDuration", "1001", 300},
        {"maxVideoDuration", "4294967306", 300},  // wraps to 10 in a 32-bit int: refused
        {"targetLatencyHi", "9", 2100},
        {"targetLatencyLo", "10000", 10000},
        // non-zero is true
        {"fixedWaterLevel", "0", 0},
        {"videoSmoothOutput", "7", 1},
        {"audioSmoothOutput", "-1", 1},
        {"crashEn", "1", 1},
        // text read the way atoi reads it
        {"avPktTimeoutMs", "abc", 0},
        {"avPktTimeoutMs", "  +250ms", 250},
        {"avPktTimeoutMs", "\t\n-0", 0},
        {"avPktTimeoutMs", "", 0},
        {"fixedWaterLevel", "yes", 0},
        {"maxVideoDuration", "0012", 12},
        {"maxVideoDuration", "99999999999999999999999", 300},  // beyond 64 bits
    };
    for (const Case& c : cases) {
        ConfigDataCenter data;
        EXPECT_EQ(data.Parse(c.key, c.value), 0) << c.key << "=" << c.value;
        EXPECT_EQ(FieldOf(c.key).get(data), c.expected) << c.key << "=" << c.value;
    }

    ConfigDataCenter data;
    data.Parse("maxVideoDuration", "500");
    data.Parse("maxVideoDuration", "5");
    EXPECT_EQ(data.GetMaxVideoDuration(), 500u);
    EXPECT_EQ(data.Parse("noSuchKey", "1"), 0);
    EXPECT_EQ(data.Parse("maxVideoDuration ", "20"), 0);  // keys match byte for byte
    EXPECT_EQ(data.Parse(std::string("maxVideoDuration\0x", 18), "20"), 0);
    EXPECT_EQ(data.GetMaxVideoDuration(), 500u);
}

TEST(ConfigDataCenter, TextsAndTheirLines) {
    ConfigDataCenter data;
    LogCapture log;
    data.Parse("crashDump", "/data/dump");
    data.Parse("crashModu", " VrioSDK, player");
    data.Parse("dyc_id", "dyc-42");
    data.Parse("crashEn", "1");
    data.Parse("maxVQLen", "900");
    EXPECT_TRUE(log.Has("UserMediaData mMaxVideoQueueLength is config to 900\n"));
    EXPECT_EQ(data.GetDycId(), "dyc-42");
    EXPECT_EQ(data.GetCrashDumpDir(), "/data/dump");
    EXPECT_EQ(data.GetCrashModule(), (std::vector<std::string>{"VrioSDK", "player"}));
    EXPECT_TRUE(data.GetCrashEnable());
    EXPECT_TRUE(log.Has("crash dump dir=/data/dump\n"));
    EXPECT_TRUE(log.Has("crash module= VrioSDK, player\n"));
    EXPECT_TRUE(log.Has("crash enable=1\n"));
}

TEST(ConfigDataCenter, CrashModuleListSplitting) {
    struct Case {
        const char* text;
        std::vector<std::string> modules;
    };
    const Case cases[] = {
        {" a, b,,c", {"a", "b", "c"}},
        {"", {}},
        {",,,", {}},
        {"   ,x", {"x"}},
        {"a ,b ", {"a ", "b "}},  // trailing blanks are kept
        {"single", {"single"}},
        {"a,", {"a"}},
    };
    for (const Case& c : cases) EXPECT_EQ(ConfigDataCenter::SplitModuleList(c.text), c.modules) << c.text;
}

TEST(ConfigDataCenter, AttachRegistersEveryKeyAndDetachRemovesOnlyItsOwn) {
    TestContext ctx;
    ConfigureCenter center;
    ctx.SetConfigureHandle(&center);
    ConfigureObserver jitterBuffer("videoJitterBuffer");
    center.Register(&jitterBuffer, "vjb_startup_fullspeed_frm_cnt");

    ConfigDataCenter data;
    data.SetContext(&ctx);
    EXPECT_EQ(data.GetContext(), &ctx);
    for (const char* key : ConfigDataCenter::kKeys) EXPECT_TRUE(center.IsObserved(key, &data)) << key;
    EXPECT_EQ(center.ObservedKeyCount(), ConfigDataCenter::kKeyCount);
    EXPECT_EQ(center.ObserverCount(), 2u);

    data.SetContext(nullptr);
    EXPECT_EQ(data.GetContext(), nullptr);
    EXPECT_EQ(center.ObservedKeyCount(), 1u);
    EXPECT_TRUE(center.IsObserved("vjb_startup_fullspeed_frm_cnt", &jitterBuffer));
    EXPECT_EQ(center.ObserverCount(), 1u);
    center.DeRgister(&jitterBuffer);
}

TEST(ConfigDataCenter, AContextWithoutHandleRegistersNothingAndSwitchingDetachesFirst) {
    TestContext bare;
    ConfigDataCenter data;
    data.SetContext(&bare);
    data.SetContext(nullptr);

    TestContext first, second;
    ConfigureCenter firstCenter, secondCenter;
    first.SetConfigureHandle(&firstCenter);
    second.SetConfigureHandle(&secondCenter);
    data.SetContext(&first);
    data.SetContext(&second);
    EXPECT_EQ(firstCenter.ObservedKeyCount(), 0u);
    EXPECT_EQ(secondCenter.ObservedKeyCount(), ConfigDataCenter::kKeyCount);
    data.SetContext(nullptr);
    EXPECT_EQ(secondCenter.ObserverCount(), 0u);
}

}  // namespace
}  // namespace zeqnet
