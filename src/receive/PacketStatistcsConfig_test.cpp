// Registration of the statistics with a session's configuration center, and values delivered
// through it.
#include <gtest/gtest.h>

#include "config/ConfigTestSupport.h"
#include "config/ConfigureCenter.h"
#include "receive/AVPacketsStatistcs.h"
#include "receive/PacketStatistcs.h"

namespace NetBit {
namespace {

using zeqnet::ConfigureCenter;
using zeqnet::testing_support::TestContext;

TEST(PacketStatistcsRegistration, EachInstanceObservesItsKeysUntilDestroyed) {
    TestContext ctx;
    ConfigureCenter center;
    ctx.SetConfigureHandle(&center);
    {
        zeqmcdn::AVPacketsStatistcs av(&ctx);
        PacketStatistcs& audio = av.GetAudioStatistics();
        PacketStatistcs& video = av.GetVideoStatistics();
        EXPECT_EQ(audio.GetName(), "PacketStatistcs");
        for (const char* key : {"enableFastNack", "fastNackAfterNackCount", "fastNackRate", "fastNackLowLimit",
                                "nack_window", "maxNackCount"}) {
            EXPECT_TRUE(center.IsObserved(key, &audio)) << key;
            EXPECT_TRUE(center.IsObserved(key, &video)) << key;
        }
        EXPECT_TRUE(center.IsObserved("maxAudioPackets", &audio));
        EXPECT_FALSE(center.IsObserved("maxAudioPackets", &video));
        EXPECT_TRUE(center.IsObserved("maxVideoPackets", &video));
        EXPECT_FALSE(center.IsObserved("maxVideoPackets", &audio));
        EXPECT_EQ(center.ObserverCount(), 2u);

        const char* json = R"({"filters": [], "cfgs": [{"nack_window": "3000", "maxNackCount": "4",
                               "maxAudioPackets": "50", "fastNackRate": "bad"}]})";
        ASSERT_EQ(center.Parse(json, zeqnet::ConfigureService::SdkPull), 0);
        center.Notify();
        EXPECT_EQ(audio.GetFastNackParams().nack_window, 3000);
        EXPECT_EQ(video.GetFastNackParams().nack_window, 3000);
        EXPECT_EQ(video.GetMaxNackCount(), 4);
        EXPECT_EQ(audio.GetMaxPackets(), 50);
        EXPECT_EQ(video.GetMaxPackets(), 1200);
        EXPECT_FLOAT_EQ(video.GetFastNackParams().fastNackRate, 3.0f);
    }
    EXPECT_EQ(center.ObserverCount(), 0u);
    EXPECT_EQ(center.ObservedKeyCount(), 0u);
}

TEST(PacketStatistcsRegistration, AContextWithoutCenterRegistersNothing) {
    TestContext ctx;
    PacketStatistcs stats(&ctx, 100, true);
    EXPECT_EQ(stats.Parse("maxNackCount", "3"), 0);  // still takes values handed in directly
    EXPECT_EQ(stats.GetMaxNackCount(), 3);
}

}  // namespace
}  // namespace NetBit
