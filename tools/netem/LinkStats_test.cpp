#include "netem/LinkStats.h"

#include <gtest/gtest.h>

namespace zrtc {
namespace netem {
namespace {

TEST(LinkStatsTest, PrintsEveryCountAsJsonAndAsOneLine) {
    LinkStats s;
    s.seed = 7;
    s.packetsIn = 1000;
    s.bytesIn = 1200000;
    s.packetsOut = 962;
    s.bytesOut = 1154400;
    s.droppedLoss = 30;
    s.droppedQueue = 9;
    s.duplicated = 1;
    s.reordered = 4;
    s.delaySumUs = 962 * 41250;
    s.delayMaxUs = 63002;
    s.queued = 3;
    s.inFlight = 0;
    EXPECT_EQ(s.ToJson(),
              "{\"seed\":7,\"packets_in\":1000,\"bytes_in\":1200000,\"packets_out\":962,\"bytes_out\":1154400,"
              "\"dropped_loss\":30,\"dropped_queue\":9,\"duplicated\":1,\"reordered\":4,\"mean_delay_ms\":41.250,"
              "\"max_delay_ms\":63.002,\"queued\":3,\"in_flight\":0}");
    EXPECT_EQ(s.ToString(),
              "in=1000 out=962 lost=30 qdrop=9 dup=1 reord=4 bytes_in=1200000 bytes_out=1154400 delay_ms=41.250 "
              "max_ms=63.002 queued=3 inflight=0 seed=7");
}

TEST(LinkStatsTest, MeanDelayOfNothingIsZeroAndLargeCountsPrintInFull) {
    LinkStats s;
    EXPECT_EQ(s.MeanDelayMs(), 0.0);
    s.seed = 18446744073709551615ull;
    s.bytesIn = 18446744073709551615ull;
    EXPECT_NE(s.ToJson().find("\"seed\":18446744073709551615,"), std::string::npos);
    EXPECT_NE(s.ToString().find("bytes_in=18446744073709551615 "), std::string::npos);
}

}  // namespace
}  // namespace netem
}  // namespace zrtc
