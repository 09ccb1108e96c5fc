// Per-track receive statistics: the packet window and its holes, NACK lists and NACK timing, the
// report slots, jitter, and the configuration values with their ranges. Times are passed in; the
// one reading of the clock (creation time) runs on a simulated clock.
#include "receive/PacketStatistcs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "osal/TestClock.h"
#include "platform/TestLogCapture.h"

namespace NetBit {
namespace {

constexpr uint64_t k16 = 1ull << 16;

std::vector<uint8_t> Rtp(uint16_t seq, uint32_t ts, size_t payload = 0) {
    std::vector<uint8_t> p = {0x80, 0x60, static_cast<uint8_t>(seq >> 8), static_cast<uint8_t>(seq),
                              static_cast<uint8_t>(ts >> 24), static_cast<uint8_t>(ts >> 16),
                              static_cast<uint8_t>(ts >> 8), static_cast<uint8_t>(ts), 1, 2, 3, 4};
    p.resize(12 + payload, 0xAB);
    return p;
}

std::vector<uint16_t> Seqs(uint16_t from, uint16_t to) {  // inclusive, may wrap
    std::vector<uint16_t> out;
    for (uint16_t s = from;; ++s) {
        out.push_back(s);
        if (s == to) break;
    }
    return out;
}

class PacketStatistcsTest : public ::testing::Test {
protected:
    // Video-sized window unless a test says otherwise; no engine context, so no configuration center.
    PacketStatistcs stats{nullptr, 1200, false};

    uint64_t Feed(uint16_t seq, int64_t arrival, uint32_t ts = 0, size_t payload = 100) {
        std::vector<uint8_t> p = Rtp(seq, ts, payload);
        uint64_t useq = 0;
        uint64_t uts = 0;
        EXPECT_EQ(stats.onOneRtpPacket(p.data(), static_cast<int>(p.size()), &useq, &uts, arrival), 0);
        return useq;
    }
    const pack_info* Record(uint16_t seq) {
        mWindowCopy = stats.GetWindow();
        for (const pack_info& r : mWindowCopy)
            if (r.seq == seq) return &r;
        return nullptr;
    }
    struct Report {
        uint8_t fraction = 0;
        uint32_t lost = 0, highest = 0, jitter = 0;
        uint64_t expected = 0, received = 0, bytes = 0;
    };
    Report GetReport(int slot) {
        Report r;
        EXPECT_TRUE(stats.getReport(slot, r.fraction, r.lost, r.highest, r.jitter, r.expected, r.received, r.bytes));
        return r;
    }

private:
    std::vector<pack_info> mWindowCopy;
};

TEST_F(PacketStatistcsTest, FirstPacketLeavesNineteenRequestableHolesBeforeIt) {
    EXPECT_EQ(Feed(100, 5000), k16 + 100);
    EXPECT_EQ(stats.GetNackList(), Seqs(81, 99));
    const std::vector<pack_info> window = stats.GetWindow();
    ASSERT_EQ(window.size(), 20u);
    EXPECT_TRUE(window.front().detected_missing);
    EXPECT_EQ(window.front().useq, k16 + 81);
    EXPECT_FALSE(window.back().detected_missing);
    EXPECT_EQ(window.back().times_received, 1);
    EXPECT_EQ(window.back().arrival_ms, 5000);
    EXPECT_TRUE(stats.update_nack_time(81, 5010, 100, 5000));
    EXPECT_TRUE(stats.update_nack_time(99, 5010, 100, 5000));
}

TEST_F(PacketStatistcsTest, RetransmissionFillsItsHoleAndDuplicateKeepsFirstArrival) {
    Feed(10, 1000);
    Feed(13, 1040);
    EXPECT_EQ(stats.GetNackList().back(), 12);
    Feed(12, 1100);  // retransmission
    const pack_info* r = Record(12);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->times_received, 1);
    EXPECT_EQ(r->arrival_ms, 1100);
    EXPECT_TRUE(r->detected_missing);
    EXPECT_EQ(stats.GetNackList().back(), 11);
    EXPECT_FALSE(stats.update_nack_time(12, 1200, 100, 5000));  // no longer missing

    Feed(13, 1300);  // duplicate
    r = Record(13);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->times_received, 2);
    EXPECT_EQ(r->arrival_ms, 1040);
}

TEST_F(PacketStatistcsTest, OlderPacketExtendsTheWindowAtTheFront) {
    Feed(100, 0);  // window 81..100
    Feed(78, 10);  // older than the oldest: hole 79, 80 and the packet in front
    const std::vector<pack_info> window = stats.GetWindow();
    ASSERT_EQ(window.size(), 23u);
    EXPECT_EQ(window[0].seq, 78);
    EXPECT_EQ(window[0].times_received, 1);
    EXPECT_EQ(window[1].seq, 79);
    EXPECT_EQ(window[1].times_received, 0);
    for (size_t i = 1; i < window.size(); ++i) EXPECT_EQ(window[i].useq, window[i - 1].useq + 1);
}

TEST_F(PacketStatistcsTest, WindowKeepsItsMaximumAndBoundsHugeJumps) {
    PacketStatistcs audio(nullptr, 100, true);
    auto feed = [&](uint16_t seq) {
        std::vector<uint8_t> p = Rtp(seq, 0);
        audio.onOneRtpPacket(p.data(), static_cast<int>(p.size()), nullptr, nullptr, 1);
    };
    for (int s = 0; s < 300; ++s) feed(static_cast<uint16_t>(s));
    std::vector<pack_info> window = audio.GetWindow();
    ASSERT_EQ(window.size(), 100u);
    EXPECT_EQ(window.front().seq, 200);
    EXPECT_EQ(window.back().seq, 299);

    // A forward jump wider than the window: the newest 100 numbers remain, all but one holes.
    feed(299 + 30000);
    window = audio.GetWindow();
    ASSERT_EQ(window.size(), 100u);
    EXPECT_EQ(window.back().seq, 30299);
    EXPECT_EQ(window.front().seq, 30200);
    EXPECT_EQ(audio.GetNackList().size(), 99u);

    // Far older than anything the window can hold: not kept, nothing inserted.
    feed(30299 - 5000);
    window = audio.GetWindow();
    ASSERT_EQ(window.size(), 100u);
    EXPECT_EQ(window.front().seq, 30200);
}

TEST_F(PacketStatistcsTest, WindowStartDropsRecordsAndIsNeverLowered) {
    Feed(100, 0);
    Feed(110, 10);
    stats.SetWindowMinSeq(k16 + 104);
    EXPECT_EQ(stats.GetNackList(), Seqs(105, 109));
    Feed(103, 20);  // at or below the start: ignored
    EXPECT_EQ(stats.GetWindow().front().seq, 105);
    stats.SetWindowMinSeq(k16 + 90);  // lower: no effect
    Feed(104, 30);
    EXPECT_EQ(stats.GetWindow().front().seq, 105);
    stats.SetWindowMinSeq(k16 + 500);  // beyond everything: one record stays
    ASSERT_EQ(stats.GetWindow().size(), 1u);
    EXPECT_EQ(stats.GetWindow().front().seq, 110);
}

TEST(PacketStatistcsWindowStart, SetBeforeTheFirstPacketMeansNoLeadingHoles) {
    PacketStatistcs stats(nullptr, 1200, false);
    stats.SetWindowMinSeq(k16 + 50);
    std::vector<uint8_t> p = Rtp(100, 0);
    stats.onOneRtpPacket(p.data(), static_cast<int>(p.size()), nullptr, nullptr, 1);
    EXPECT_TRUE(stats.GetNackList().empty());
}

TEST_F(PacketStatistcsTest, NackTimingRespectsIntervalCountAndWindow) {
    stats.Parse("enableFastNack", "0");
    Feed(10, 0);
    Feed(12, 0);  // 11 missing
    EXPECT_FALSE(stats.update_nack_time(500, 0, 200, 5000));  // not in the window
    EXPECT_FALSE(stats.update_nack_time(12, 0, 200, 5000));   // received
    EXPECT_TRUE(stats.update_nack_time(11, 1000, 200, 5000));
    EXPECT_FALSE(stats.update_nack_time(11, 1199, 200, 5000));  // too soon
    EXPECT_TRUE(stats.update_nack_time(11, 1200, 200, 5000));
    const pack_info* r = Record(11);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->nack_count, 2);
    EXPECT_EQ(r->first_nack_ms, 1000);
    EXPECT_EQ(r->last_nack_ms, 1200);

    // Only within nack_window - interval of the first request: until t + 4800.
    stats.Parse("maxNackCount", "100");
    EXPECT_TRUE(stats.update_nack_time(11, 1000 + 4799, 200, 5000));
    EXPECT_FALSE(stats.update_nack_time(11, 1000 + 4800 + 200, 200, 5000));
    EXPECT_FALSE(stats.update_nack_time(11, 1000 + 9000, 200, 5000));
}

TEST_F(PacketStatistcsTest, AMissingPacketIsRequestedAtMostMaxNackCountTimes) {
    stats.Parse("enableFastNack", "0");
    Feed(10, 0);
    Feed(12, 0);
    int granted = 0;
    for (int64_t t = 0; t < 4000; t += 10) granted += stats.update_nack_time(11, t, 100, 5000) ? 1 : 0;
    EXPECT_EQ(granted, 8);
    stats.Parse("maxNackCount", "0");
    Feed(20, 0);
    EXPECT_FALSE(stats.update_nack_time(19, 5000, 100, 5000));
}

TEST_F(PacketStatistcsTest, FastNackShortensTheRetryIntervalAfterTheFourthRequest) {
    struct Case {
        int64_t interval;
        int64_t fast;
    } cases[] = {{300, 100}, {120, 50}};
    uint16_t seq = 1000;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.interval);
        Feed(seq, 0);
        Feed(static_cast<uint16_t>(seq + 2), 0);
        const uint16_t missing = static_cast<uint16_t>(seq + 1);
        int64_t t = 0;
        for (int i = 0; i < 4; ++i, t += c.interval) EXPECT_TRUE(stats.update_nack_time(missing, t, c.interval, 5000));
        t -= c.interval;  // the time of the fourth request
        EXPECT_FALSE(stats.update_nack_time(missing, t + c.fast - 1, c.interval, 5000));
        EXPECT_TRUE(stats.update_nack_time(missing, t + c.fast, c.interval, 5000));
        seq = static_cast<uint16_t>(seq + 10);
    }
}

TEST_F(PacketStatistcsTest, NackListAndLookupAcrossTheSixteenBitWrap) {
    Feed(65530, 0);
    Feed(4, 10);
    std::vector<uint16_t> want = Seqs(65511, 65529);
    for (uint16_t s : Seqs(65531, 3)) want.push_back(s);
    EXPECT_EQ(stats.GetNackList(), want);
    EXPECT_TRUE(stats.update_nack_time(65533, 20, 100, 5000));
    EXPECT_TRUE(stats.update_nack_time(2, 20, 100, 5000));
    EXPECT_FALSE(stats.update_nack_time(4, 20, 100, 5000));
    EXPECT_FALSE(stats.update_nack_time(5, 20, 100, 5000));  // beyond the newest
    EXPECT_EQ(Record(2)->nack_count, 1);
}

TEST_F(PacketStatistcsTest, ReachingTheMaximumIsLoggedOncePerNumber) {
    platform_test::LogCapture log;
    stats.Parse("maxNackCount", "2");
    stats.Parse("enableFastNack", "0");
    Feed(10, 0);
    Feed(13, 0);  // 11 and 12 missing
    for (int64_t t = 5000; t <= 5300; t += 100) {
        stats.update_nack_time(11, t, 100, 5000);
        stats.update_nack_time(12, t, 100, 5000);
    }
    // 11 reaches 2 requests first (at 5100) and is logged at once; 12 waits for the next second.
    EXPECT_TRUE(log.Has("max nack count 2 reached, seq:11 avgMs:100, minMs:100, maxMs:100, duration:5100\n"));
    EXPECT_FALSE(log.Has("seq:12 "));
    Feed(20, 0);
    stats.update_nack_time(19, 6200, 100, 5000);
    stats.update_nack_time(19, 6350, 100, 5000);
    EXPECT_TRUE(log.Has("max nack count 2 reached, seq:12,19 avgMs:125, minMs:100, maxMs:150, duration:1250\n"));
}

TEST_F(PacketStatistcsTest, MaxNackBookkeepingStaysBoundedWhenTheClockStepsBack) {
    platform_test::LogCapture log;
    stats.Parse("maxNackCount", "1");
    Feed(100, 0);  // holes 81..99
    EXPECT_TRUE(stats.update_nack_time(81, 100000, 100, 5000));  // logged: the first line
    // The wall clock stepped back: the next number is logged at once, not after a second more.
    EXPECT_TRUE(stats.update_nack_time(82, 50000, 100, 5000));
    EXPECT_TRUE(log.Has("max nack count 1 reached, seq:81 avgMs:0"));
    EXPECT_TRUE(log.Has("max nack count 1 reached, seq:82 avgMs:0"));
}

TEST_F(PacketStatistcsTest, ReportsPerSlotCarryIntervalFigures) {
    Feed(10, 0, 0, 88);
    Feed(11, 20, 0, 88);
    Feed(13, 40, 0, 88);  // 12 lost: 1 of 4
    Report r = GetReport(1);
    EXPECT_EQ(r.fraction, 64);
    EXPECT_EQ(r.lost, 1u);
    EXPECT_EQ(r.highest, 13u);
    EXPECT_EQ(r.expected, 4u);
    EXPECT_EQ(r.received, 3u);
    EXPECT_EQ(r.bytes, 300u);
    EXPECT_FLOAT_EQ(stats.getLossRateInInterval(3), 0.25f);  // a slot not read yet

    // Slot 2 is independent of slot 1.
    Report other = GetReport(2);
    EXPECT_EQ(other.fraction, 64);
    EXPECT_EQ(other.lost, 1u);

    // The next interval has no loss: its figures are its own, not a running total.
    for (uint16_t s = 14; s <= 17; ++s) Feed(s, 60);
    r = GetReport(1);
    EXPECT_EQ(r.fraction, 0);
    EXPECT_EQ(r.lost, 0u);
    EXPECT_EQ(r.expected, 4u);
    EXPECT_EQ(r.highest, 17u);

    // Another loss after that: counted in this interval only.
    Feed(20, 80);
    r = GetReport(1);
    EXPECT_EQ(r.lost, 2u);
    EXPECT_EQ(r.expected, 3u);
    EXPECT_EQ(r.fraction, 2 * 256 / 3);
}

TEST_F(PacketStatistcsTest, DuplicatesAreNoNegativeLossAndBadSlotsAreRefused) {
    Report none = GetReport(0);  // nothing received yet
    EXPECT_EQ(none.expected, 0u);
    EXPECT_EQ(none.lost, 0u);
    EXPECT_EQ(stats.getLossRateInInterval(3), 0.0f);

    Feed(10, 0);
    Feed(11, 0);
    Feed(11, 0);
    Feed(11, 0);
    Report r = GetReport(1);
    EXPECT_EQ(r.lost, 0u);
    EXPECT_EQ(r.fraction, 0);
    EXPECT_EQ(r.received, 4u);
    EXPECT_EQ(stats.getLossRateInInterval(4), 0.0f);

    uint8_t f;
    uint32_t l, h, j;
    uint64_t e, rc, b;
    EXPECT_FALSE(stats.getReport(6, f, l, h, j, e, rc, b));
    EXPECT_FALSE(stats.getReport(-1, f, l, h, j, e, rc, b));
    EXPECT_EQ(stats.getLossRateInInterval(6), -1.0f);
    EXPECT_EQ(stats.getLossRateInInterval(-1), -1.0f);
}

TEST_F(PacketStatistcsTest, SlotZeroLogsTheNackEvaluation) {
    platform_test::LogCapture log;
    Feed(100, 0);  // 19 holes
    Feed(90, 0);   // one recovered
    Feed(90, 0);   // and a second copy of it
    GetReport(0);
    EXPECT_TRUE(log.Has("Check range:  20 packets, lost  19, recovered   1 (0.05), efficiency 0.50\n"));
}

TEST_F(PacketStatistcsTest, JitterFollowsTransitChanges) {
    // Timestamps and arrivals advance together: no jitter.
    for (int i = 0; i < 10; ++i) Feed(static_cast<uint16_t>(i), 1000 + 20 * i, static_cast<uint32_t>(20 * i));
    EXPECT_EQ(GetReport(1).jitter, 0u);
    // One packet 32 ms late: D = 32, jitter = 32 / 16 = 2.
    Feed(10, 1000 + 200 + 32, 200);
    EXPECT_EQ(GetReport(1).jitter, 2u);
}

TEST_F(PacketStatistcsTest, ShortPacketsAreIgnoredAndTimesAreKept) {
    uint8_t tiny[11] = {0x80};
    EXPECT_EQ(stats.onOneRtpPacket(tiny, 11, nullptr, nullptr, 99), -1);
    EXPECT_EQ(stats.onOneRtpPacket(nullptr, 100, nullptr, nullptr, 99), -1);
    EXPECT_TRUE(stats.GetWindow().empty());
    EXPECT_EQ(stats.unwrap_ts(7), (1ull << 32) + 7);
    Feed(1, 4242, 0xFFFFFFF0u);
    EXPECT_EQ(stats.GetLastRxTime(), 4242);
    EXPECT_EQ(stats.unwrap_ts(0x10), (2ull << 32) + 0x10);
}

TEST(PacketStatistcsClock, LastReceiveTimeIsTheCreationTimeUntilTheFirstPacket) {
    osal::SimulatedClock clock(1700000123456);
    PacketStatistcs stats(nullptr, 100, true);
    clock.Advance(500);
    EXPECT_EQ(stats.GetLastRxTime(), 1700000123456);
}

// Every key, with accepted and refused values, against what the getters then report.
TEST(PacketStatistcsConfig, EachKeyAcceptsItsRangeAndLogsRefusals) {
    struct Case {
        bool audio;
        const char* key;
        const char* value;
        bool taken;
        const char* line;  // logged when refused
    };
    const Case cases[] = {
        {false, "enableFastNack", "0", true, nullptr},
        {false, "enableFastNack", "2", false, " invalid value.\n"},
        {false, "enableFastNack", "yes", false, " invalid value.\n"},
        {false, "fastNackAfterNackCount", "5", true, nullptr},
        {false, "fastNackAfterNackCount", "0", false, "  invalid value.\n"},
        {false, "fastNackRate", "2.5", true, nullptr},
        {false, "fastNackRate", "0", false, "  invalid value:0\n"},
        {false, "fastNackRate", "-1", false, "  invalid value:-1\n"},
        {false, "fastNackRate", "2x", false, "  invalid value:2x\n"},
        {false, "fastNackLowLimit", "20", true, nullptr},
        {false, "fastNackLowLimit", "19", false, "  invalid value: too fast\n"},
        {false, "nack_window", "50", true, nullptr},
        {false, "nack_window", "10000", true, nullptr},
        {false, "nack_window", "49", false, "  invalid nack window value.\n"},
        {false, "nack_window", "10001", false, "  invalid nack window value.\n"},
        {false, "maxNackCount", "0", true, nullptr},
        {false, "maxNackCount", "-1", false, "maxNackCount invalid value:-1\n"},
        {false, "maxVideoPackets", "3000", true, nullptr},
        {false, "maxVideoPackets", "70000", false, "maxVideoPackets invalid value:70000\n"},
        {false, "maxAudioPackets", "7", false, nullptr},  // not the video instance's key
        {true, "maxAudioPackets", "7", true, nullptr},
        {true, "maxVideoPackets", "7", false, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.value + (c.audio ? " audio" : " video"));
        platform_test::LogCapture log;
        PacketStatistcs stats(nullptr, c.audio ? 100 : 1200, c.audio);
        const fast_nack_params_t before = stats.GetFastNackParams();
        const int max_nack = stats.GetMaxNackCount();
        const int max_packets = stats.GetMaxPackets();
        EXPECT_EQ(stats.Parse(c.key, c.value), 0);
        const fast_nack_params_t after = stats.GetFastNackParams();
        const bool changed = after.enableFastNack != before.enableFastNack ||
                             after.fastNackAfterNackCount != before.fastNackAfterNackCount ||
                             after.fastNackRate != before.fastNackRate ||
                             after.fastNackLowLimit != before.fastNackLowLimit ||
                             after.nack_window != before.nack_window || stats.GetMaxNackCount() != max_nack ||
                             stats.GetMaxPackets() != max_packets;
        EXPECT_EQ(changed, c.taken);
        EXPECT_TRUE(log.Has(std::string("audio_jitter_CfgObserver, cfgName:") + c.key + " , cfgContent:" + c.value +
                            "  \n"));
        if (c.line) {
            EXPECT_TRUE(log.Has(c.line));
        }
    }
}

TEST(PacketStatistcsConfig, DefaultsAndConfigFastNackReplaceAllAtOnce) {
    PacketStatistcs stats(nullptr, 1200, false);
    fast_nack_params_t p = stats.GetFastNackParams();
    EXPECT_TRUE(p.enableFastNack);
    EXPECT_EQ(p.fastNackAfterNackCount, 3);
    EXPECT_FLOAT_EQ(p.fastNackRate, 3.0f);
    EXPECT_EQ(p.fastNackLowLimit, 50);
    EXPECT_EQ(p.nack_window, 5000);
    EXPECT_EQ(stats.GetMaxNackCount(), 8);
    EXPECT_EQ(stats.GetMaxPackets(), 1200);

    fast_nack_params_t next{false, 2, 4.0f, 30, 3000};
    EXPECT_TRUE(stats.config_fast_nack(&next));
    p = stats.GetFastNackParams();
    EXPECT_FALSE(p.enableFastNack);
    EXPECT_EQ(p.fastNackAfterNackCount, 2);
    EXPECT_EQ(p.nack_window, 3000);

    fast_nack_params_t bad{true, 3, 0.0f, 50, 5000};  // a zero rate would divide by zero
    EXPECT_FALSE(stats.config_fast_nack(&bad));
    EXPECT_FALSE(stats.config_fast_nack(nullptr));
    EXPECT_EQ(stats.GetFastNackParams().nack_window, 3000);
}

TEST(PacketStatistcsConfig, ShrinkingTheWindowDropsTheOldestRecords) {
    PacketStatistcs stats(nullptr, 1200, false);
    for (uint16_t s = 0; s < 50; ++s) {
        std::vector<uint8_t> p = Rtp(s, 0);
        stats.onOneRtpPacket(p.data(), static_cast<int>(p.size()), nullptr, nullptr, 1);
    }
    stats.Parse("maxVideoPackets", "10");
    ASSERT_EQ(stats.GetWindow().size(), 10u);
    EXPECT_EQ(stats.GetWindow().front().seq, 40);
}

}  // namespace
}  // namespace NetBit
