// The per-participant bundle: timestamp-error detection per track, transport-wide loss, RTT.
#include "receive/AVPacketsStatistcs.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/TestLogCapture.h"

namespace zeqmcdn {
namespace {

std::vector<uint8_t> Rtp(uint16_t seq, uint32_t ts) {
    return {0x80, 0x60, static_cast<uint8_t>(seq >> 8), static_cast<uint8_t>(seq), static_cast<uint8_t>(ts >> 24),
            static_cast<uint8_t>(ts >> 16), static_cast<uint8_t>(ts >> 8), static_cast<uint8_t>(ts), 9, 9, 9, 9, 0};
}

class AVPacketsStatistcsTest : public ::testing::Test {
protected:
    AVPacketsStatistcs av{nullptr};
    uint64_t Feed(bool audio, uint16_t seq, uint32_t ts) {
        std::vector<uint8_t> p = Rtp(seq, ts);
        uint64_t useq = 0;
        uint64_t uts = 0;
        EXPECT_EQ(av.onOneRtpPacket(p.data(), static_cast<int>(p.size()), audio, &useq, &uts, 1000), 0);
        return uts;
    }
};

TEST_F(AVPacketsStatistcsTest, AudioTimestampJumpingBackThirtySecondsIsAnError) {
    const uint32_t start = 48000u * 100;
    Feed(true, 1, start);
    Feed(true, 2, start - 48000u * 10);  // 10 s back: tolerated
    EXPECT_FALSE(av.HasAudioTsError());
    Feed(true, 3, start);
    platform_test::LogCapture log;
    Feed(true, 4, start - 48000u * 30);
    EXPECT_TRUE(av.HasAudioTsError());
    EXPECT_FALSE(av.HasVideoTsError());
    EXPECT_TRUE(log.Has("audio ts error. last uts:"));
    EXPECT_EQ(av.GetLargestAudioTsMs(), static_cast<int64_t>(((1ull << 32) + start) * 1000 / 48000));
}

TEST_F(AVPacketsStatistcsTest, AudioClockRateScalesTheThreshold) {
    av.SetAudioClockRate(16000);
    av.SetAudioClockRate(0);  // refused
    EXPECT_EQ(av.GetAudioClockRate(), 16000);
    const uint32_t start = 16000u * 100;
    Feed(true, 1, start);
    Feed(true, 2, start - 16000u * 19);
    EXPECT_FALSE(av.HasAudioTsError());
    Feed(true, 3, start - 16000u * 19 - 16000u * 21);
    EXPECT_TRUE(av.HasAudioTsError());
}

TEST_F(AVPacketsStatistcsTest, VideoTimestampMoreThanTwentySecondsBackIsAnError) {
    const uint32_t start = 90000u * 100;
    Feed(false, 1, start);
    Feed(false, 2, start - 1800000);  // exactly 20 s: tolerated
    EXPECT_FALSE(av.HasVideoTsError());
    Feed(false, 3, start);
    Feed(false, 4, start - 1800001);
    EXPECT_TRUE(av.HasVideoTsError());
    EXPECT_FALSE(av.HasAudioTsError());
    EXPECT_EQ(av.GetLargestVideoTsMs(), static_cast<int64_t>(((1ull << 32) + start) / 90));
    EXPECT_EQ(av.GetLastVideoUts(), (1ull << 32) + start - 1800001);
}

TEST_F(AVPacketsStatistcsTest, TracksAreCountedApartAndShortPacketsRefused) {
    Feed(true, 10, 0);
    Feed(false, 500, 0);
    Feed(false, 502, 0);
    EXPECT_EQ(av.GetAudioStatistics().GetNackList().size(), 19u);
    EXPECT_EQ(av.GetVideoStatistics().GetNackList().size(), 20u);
    uint8_t tiny[4] = {0x80};
    EXPECT_EQ(av.onOneRtpPacket(tiny, 4, true, nullptr, nullptr, 0), -1);
    EXPECT_EQ(av.GetAudioStatistics().GetMaxPackets(), 100);
    EXPECT_EQ(av.GetVideoStatistics().GetMaxPackets(), 1200);
}

TEST_F(AVPacketsStatistcsTest, TwccLossPerIntervalAcrossTheWrap) {
    EXPECT_EQ(av.GetTwccLossRate(), 0.0);
    // 65530 .. 3 is ten numbers; three of them never arrive, one arrives twice and one late.
    for (uint16_t s : {65530, 65531, 65533, 65535, 0, 0, 2, 3}) av.OnTwccSN(s);
    av.OnTwccSN(65534);
    EXPECT_DOUBLE_EQ(av.GetTwccLossRate(), 1.0 / 10.0);  // 10 expected, 9 copies received
    EXPECT_EQ(av.GetTwccLossRate(), 0.0);                // nothing new
    for (uint16_t s = 4; s < 14; s += 2) av.OnTwccSN(s);  // 4..12 even, highest 12: 9 expected
    EXPECT_DOUBLE_EQ(av.GetTwccLossRate(), 4.0 / 9.0);
}

TEST_F(AVPacketsStatistcsTest, RttStartsAtTheDefaultAndFollowsSamples) {
    EXPECT_EQ(av.GetRttMs(), 100);
    EXPECT_EQ(av.GetAverageRttMs(), 100);
    av.OnRttSample(40);
    av.OnRttSample(60);
    av.OnRttSample(-5);  // ignored
    EXPECT_EQ(av.GetRttMs(), 60);
    EXPECT_EQ(av.GetAverageRttMs(), 50);
    av.OnRttSample(9000);  // capped
    EXPECT_EQ(av.GetRttMs(), 3000);
    for (int i = 0; i < 10; ++i) av.OnRttSample(20);
    EXPECT_EQ(av.GetAverageRttMs(), 20);  // only the last ten count
}

}  // namespace
}  // namespace zeqmcdn
