#include "netem/NetemLink.h"

#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <string>

#include "netem/LinkProfileText.h"

namespace zrtc {
namespace netem {
namespace {

LinkProfile Profile(const char* text) {
    LinkProfile s;
    std::string error;
    EXPECT_TRUE(ParseLinkProfile(text, &s, &error)) << error;
    return s;
}

struct Trace {
    std::vector<PushResult> results;  // per push
    std::vector<NetemPacket> out;     // in release order
};

// Pushes `count` packets of `bytes`, one every `intervalUs` from `startUs` (context = push index),
// releasing what is due as time goes, then runs the link dry. With `stepAt` >= 0, the rate becomes
// `stepBps` just before push number `stepAt`.
Trace Drive(NetemLink& link, int count, int64_t intervalUs, size_t bytes, int64_t startUs = 0, int stepAt = -1,
            uint64_t stepBps = 0) {
    Trace run;
    for (int i = 0; i < count; ++i) {
        const int64_t now = startUs + i * intervalUs;
        if (i == stepAt) {
            LinkProfile next = link.Profile();
            next.rateBps = stepBps;
            link.Configure(next, now);
        }
        link.PopReady(now, &run.out);
        NetemPacket p;
        // Filled byte by byte: gcc 12 at -O3 warns (falsely) that assign() may memset a null pointer.
        p.data.reserve(bytes);
        for (size_t b = 0; b < static_cast<size_t>(bytes); ++b) p.data.push_back(static_cast<uint8_t>(i));
        p.context = static_cast<uint64_t>(i);
        run.results.push_back(link.Push(std::move(p), now));
    }
    for (int64_t next = link.NextReleaseTime(); next != NetemLink::kNever; next = link.NextReleaseTime())
        EXPECT_GT(link.PopReady(next, &run.out), 0u);
    return run;
}

size_t CountOf(const Trace& run, PushResult r) {
    size_t n = 0;
    for (PushResult x : run.results) n += x == r;
    return n;
}

bool InPushOrder(const Trace& run) {
    for (size_t i = 1; i < run.out.size(); ++i)
        if (run.out[i].seq < run.out[i - 1].seq) return false;
    return true;
}

void ExpectBalanced(const NetemLink& link) {
    const LinkStats s = link.Stats();
    EXPECT_EQ(s.packetsIn + s.duplicated, s.packetsOut + s.droppedLoss + s.droppedQueue + s.inFlight) << s.ToString();
}

// |measured - expected| within 5 standard deviations of a binomial proportion over n trials.
void ExpectRate(double measured, double expected, size_t n) {
    const double sd = std::sqrt(expected * (1 - expected) / static_cast<double>(n));
    EXPECT_NEAR(measured, expected, 5 * sd + 1e-12);
}

TEST(NetemLinkTest, ACleanLinkPassesEverythingAtOnceAndInOrder) {
    NetemLink link;
    EXPECT_EQ(link.NextReleaseTime(), NetemLink::kNever);
    const Trace run = Drive(link, 100, 1000, 200);
    ASSERT_EQ(run.out.size(), 100u);
    for (size_t i = 0; i < run.out.size(); ++i) {
        EXPECT_EQ(run.out[i].context, i);
        EXPECT_EQ(run.out[i].seq, i + 1);
        EXPECT_EQ(run.out[i].releaseUs, run.out[i].sentUs);
        EXPECT_EQ(run.out[i].data, std::vector<uint8_t>(200, static_cast<uint8_t>(i)));
    }
    const LinkStats s = link.Stats();
    EXPECT_EQ(s.packetsIn, 100u);
    EXPECT_EQ(s.bytesOut, 20000u);
    EXPECT_EQ(s.delayMaxUs, 0);
}

TEST(NetemLinkTest, AFixedDelayHoldsEachPacketExactlyThatLong) {
    NetemLink link(Profile("delay=40ms"));
    std::vector<NetemPacket> out;
    NetemPacket p;
    p.data.resize(100);
    EXPECT_EQ(link.Push(p, 1000), PushResult::kAccepted);
    EXPECT_EQ(link.Push(p, 1500), PushResult::kAccepted);
    EXPECT_EQ(link.NextReleaseTime(), 41000);
    EXPECT_EQ(link.PopReady(40999, &out), 0u);
    EXPECT_EQ(link.PopReady(41000, &out), 1u);
    EXPECT_EQ(link.NextReleaseTime(), 41500);
    EXPECT_EQ(link.PopReady(100000, &out), 1u);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[1].releaseUs, 41500);  // the scheduled time, not the time of the call
    EXPECT_EQ(link.Stats().MeanDelayMs(), 40.0);
}

TEST(NetemLinkTest, RandomLossMatchesItsRateAndIsReproducible) {
    const char* const specs[] = {"loss=1%", "loss=5%", "loss=20%,seed=99"};
    const double rates[] = {0.01, 0.05, 0.20};
    for (int i = 0; i < 3; ++i) {
        NetemLink a(Profile(specs[i])), b(Profile(specs[i]));
        const Trace ra = Drive(a, 100000, 100, 50), rb = Drive(b, 100000, 100, 50);
        ExpectRate(static_cast<double>(CountOf(ra, PushResult::kLost)) / 100000, rates[i], 100000);
        EXPECT_EQ(ra.results, rb.results) << specs[i];
        EXPECT_EQ(a.Stats().droppedLoss, CountOf(ra, PushResult::kLost));
        EXPECT_TRUE(InPushOrder(ra));
        ExpectBalanced(a);
    }
    // Another seed, or the other direction of the same seed, loses other packets.
    NetemLink base(Profile("loss=5%")), seeded(Profile("loss=5%,seed=2")), other(Profile("loss=5%"), 1);
    const Trace r0 = Drive(base, 2000, 100, 50);
    EXPECT_NE(r0.results, Drive(seeded, 2000, 100, 50).results);
    EXPECT_NE(r0.results, Drive(other, 2000, 100, 50).results);
}

// Losses in runs: the mean length of a run of consecutive lost pushes.
double MeanBurst(const Trace& run) {
    size_t bursts = 0, lost = 0;
    bool inBurst = false;
    for (PushResult r : run.results) {
        const bool l = r == PushResult::kLost;
        if (l && !inBurst) ++bursts;
        lost += l;
        inBurst = l;
    }
    return bursts == 0 ? 0 : static_cast<double>(lost) / static_cast<double>(bursts);
}

TEST(NetemLinkTest, GilbertElliottGivesItsMeanLossAndBurstLength) {
    const int n = 200000;
    // h = 1, k = 0: loss p/(p+r) = 0.01/0.31, bursts of 1/r = 3.33 packets.
    NetemLink ge(Profile("burst=gilbert:p=0.01:r=0.3:h=1"));
    const Trace burst = Drive(ge, n, 100, 50);
    // Tolerances are about 4 standard deviations, widened for the correlation between packets.
    EXPECT_NEAR(static_cast<double>(CountOf(burst, PushResult::kLost)) / n, 0.01 / 0.31, 0.004);
    EXPECT_NEAR(MeanBurst(burst), 1 / 0.3, 0.15);

    // The same mean loss without memory: bursts of 1/(1-loss) ~ 1.03.
    NetemLink flat(Profile("loss=3.2258%"));
    const Trace independent = Drive(flat, n, 100, 50);
    EXPECT_NEAR(static_cast<double>(CountOf(independent, PushResult::kLost)) / n, 0.032258, 0.002);
    EXPECT_NEAR(MeanBurst(independent), 1 / (1 - 0.032258), 0.03);

    // Partial loss in both states: pi_B * h + pi_G * k with pi_B = p/(p+r) = 0.2.
    NetemLink partial(Profile("burst=gilbert:p=5%:r=20%:h=50%:k=1%"));
    const Trace mixed = Drive(partial, n, 100, 50);
    EXPECT_NEAR(static_cast<double>(CountOf(mixed, PushResult::kLost)) / n, 0.2 * 0.5 + 0.8 * 0.01, 0.008);

    // Random and burst loss together: lost by either.
    NetemLink both(Profile("loss=10%,burst=gilbert:p=0.01:r=0.3"));
    const Trace together = Drive(both, n, 100, 50);
    EXPECT_NEAR(static_cast<double>(CountOf(together, PushResult::kLost)) / n, 1 - 0.9 * (1 - 0.01 / 0.31), 0.006);
}

TEST(NetemLinkTest, JitterGivesItsMeanAndDeviationAndMayReorder) {
    NetemLink link(Profile("delay=40ms,jitter=10ms"));
    const int n = 50000;
    const Trace run = Drive(link, n, 1000, 100);
    ASSERT_EQ(run.out.size(), static_cast<size_t>(n));
    double sum = 0, squares = 0;
    for (const NetemPacket& p : run.out) {
        const double d = static_cast<double>(p.releaseUs - p.sentUs) / 1000.0;
        sum += d;
        squares += d * d;
    }
    const double mean = sum / n, sd = std::sqrt(squares / n - mean * mean);
    EXPECT_NEAR(mean, 40.0, 0.3);
    EXPECT_NEAR(sd, 10.0, 0.3);
    EXPECT_NEAR(link.Stats().MeanDelayMs(), mean, 1e-6);
    EXPECT_LE(link.Stats().delayMaxUs, 40000 + 6 * 10000);  // the deviate is bounded at 6
    // Packets 1 ms apart with 10 ms of jitter overtake each other often.
    EXPECT_GT(link.Stats().reordered, static_cast<uint64_t>(n / 10));
    EXPECT_FALSE(InPushOrder(run));

    // Jitter larger than the delay: never released before it was pushed.
    NetemLink wide(Profile("delay=1ms,jitter=20ms"));
    for (const NetemPacket& p : Drive(wide, 2000, 1000, 100).out) EXPECT_GE(p.releaseUs, p.sentUs);
}

TEST(NetemLinkTest, OrderIsKeptUnlessJitterOrReorderingIsSet) {
    // Each also steps its capacity half way, so queued packets are rescheduled.
    const char* const ordered[] = {"delay=40ms",
                                   "delay=40ms,rate=1mbps,queue=20",
                                   "loss=10%,delay=5ms",
                                   "burst=gilbert:p=1%:r=10%,rate=300kbps",
                                   "dup=10%,delay=3ms,rate=2mbps",
                                   "delay=20ms,jitter=10ms,order=keep",
                                   "jitter=5ms,order=keep,rate=3mbps,queue=30,dup=5%"};
    for (const char* text : ordered) {
        NetemLink link(Profile(text));
        const Trace run = Drive(link, 5000, 1000, 500, 0, 2500, 1500000);
        EXPECT_TRUE(InPushOrder(run)) << text;
        EXPECT_EQ(link.Stats().reordered, 0u) << text;
        ExpectBalanced(link);
    }
    // Kept in order, jitter still spreads the delay, and never below its own draw.
    NetemLink keep(Profile("delay=20ms,jitter=10ms,order=keep"));
    NetemLink any(Profile("delay=20ms,jitter=10ms"));
    Drive(keep, 5000, 1000, 100);
    Drive(any, 5000, 1000, 100);
    EXPECT_GT(any.Stats().reordered, 500u);
    EXPECT_GT(keep.Stats().MeanDelayMs(), any.Stats().MeanDelayMs());
    EXPECT_GT(keep.Stats().delayMaxUs, 40000);
}

TEST(NetemLinkTest, ReorderingHoldsPickedPacketsBackSoLaterOnesOvertake) {
    NetemLink link(Profile("delay=10ms,reorder=5%:hold=20ms"));
    const int n = 40000;
    const Trace run = Drive(link, n, 1000, 100);  // 1 ms apart: 20 packets overtake each held one
    // Every held packet is overtaken, except near the end where no later packet may come.
    size_t held = 0, heldEarly = 0, overtaken = 0, overtakenEarly = 0;
    uint64_t maxSeq = 0;
    for (const NetemPacket& p : run.out) {
        const int64_t d = p.releaseUs - p.sentUs;
        EXPECT_TRUE(d == 10000 || d == 30000) << d;
        const bool early = p.context < static_cast<uint64_t>(n - 25);
        held += d == 30000;
        heldEarly += d == 30000 && early;
        const bool late = p.seq < maxSeq;
        maxSeq = std::max(maxSeq, p.seq);
        overtaken += late;
        overtakenEarly += late && early;
        if (late) {
            EXPECT_EQ(d, 30000);
        }
    }
    ExpectRate(static_cast<double>(held) / n, 0.05, n);
    EXPECT_EQ(overtakenEarly, heldEarly);
    EXPECT_EQ(link.Stats().reordered, overtaken);
}

TEST(NetemLinkTest, DuplicationAddsCopiesThatFollowTheirOriginals) {
    NetemLink link(Profile("dup=10%,delay=5ms"));
    const int n = 50000;
    const Trace run = Drive(link, n, 1000, 100);
    const LinkStats s = link.Stats();
    ExpectRate(static_cast<double>(s.duplicated) / n, 0.10, n);
    EXPECT_EQ(run.out.size(), n + s.duplicated);
    EXPECT_EQ(s.packetsOut, n + s.duplicated);
    size_t copies = 0;
    for (size_t i = 0; i < run.out.size(); ++i) {
        if (!run.out[i].duplicate) continue;
        ++copies;
        ASSERT_GT(i, 0u);
        EXPECT_FALSE(run.out[i - 1].duplicate);
        EXPECT_EQ(run.out[i - 1].seq, run.out[i].seq);  // right behind its original
        EXPECT_EQ(run.out[i - 1].data, run.out[i].data);
        EXPECT_EQ(run.out[i - 1].context, run.out[i].context);
    }
    EXPECT_EQ(copies, s.duplicated);
    EXPECT_EQ(s.reordered, 0u);  // a copy after its original is not out of order
}

TEST(NetemLinkTest, ARateLimitPassesExactlyTheCapacityAndDropsAtTheTail) {
    // 1000 B every 4 ms is 2 Mbit/s into 1 Mbit/s: one packet leaves every 8 ms.
    NetemLink link(Profile("rate=1mbps,queue=50"));
    const Trace run = Drive(link, 2500, 4000, 1000);  // 10 s
    const LinkStats s = link.Stats();
    EXPECT_GT(s.droppedQueue, 1150u);
    EXPECT_EQ(s.droppedQueue, CountOf(run, PushResult::kQueueFull));
    uint64_t bytesInWindow = 0;
    for (size_t i = 1; i < run.out.size(); ++i) {
        EXPECT_EQ(run.out[i].releaseUs - run.out[i - 1].releaseUs, 8000) << i;
        if (run.out[i].releaseUs > 1000000 && run.out[i].releaseUs <= 9000000) bytesInWindow += run.out[i].data.size();
    }
    EXPECT_EQ(bytesInWindow, 1000000u);  // 8 s at 1 Mbit/s
    // A full queue of 50 at 8 ms each: the delay tops out at 50 * 8 ms.
    EXPECT_EQ(s.delayMaxUs, 400000);
    EXPECT_TRUE(InPushOrder(run));
    ExpectBalanced(link);

    // Below capacity: nothing dropped, each packet takes exactly its transmission time.
    NetemLink under(Profile("rate=1mbps,queue=5"));
    for (const NetemPacket& p : Drive(under, 1000, 16000, 1000).out) EXPECT_EQ(p.releaseUs - p.sentUs, 8000);
    EXPECT_EQ(under.Stats().droppedQueue, 0u);

    // Limited in bytes: 3 packets of 1000 B fit in 3000 B, a fourth does not.
    NetemLink bytes(Profile("rate=1mbps,queue=3000B"));
    const Trace burst = Drive(bytes, 4, 0, 1000);
    EXPECT_EQ(CountOf(burst, PushResult::kQueueFull), 1u);
    EXPECT_EQ(burst.results.back(), PushResult::kQueueFull);
}

TEST(NetemLinkTest, ACapacityStepChangesThroughputFromThatMoment) {
    // 1000 B every 2 ms (4 Mbit/s) into 2 Mbit/s (one per 4 ms); at 5 s the capacity drops to
    // 500 kbit/s (one per 16 ms).
    NetemLink link(Profile("rate=2mbps,queue=20,delay=10ms"));
    std::vector<NetemPacket> out;
    for (int i = 0; i < 5000; ++i) {
        const int64_t now = i * 2000;
        if (now == 5000000) {
            LinkProfile next = link.Profile();
            ASSERT_TRUE(ParseLinkProfile("rate=500kbps", &next, nullptr));
            link.Configure(next, now);
        }
        link.PopReady(now, &out);
        NetemPacket p;
        p.data.resize(1000);
        link.Push(std::move(p), now);
    }
    link.PopReady(NetemLink::kNever - 1, &out);
    // The queue is full at the step, so departures are back to back on both sides of it; the
    // packet being sent at 5 s had 0 of 4 ms left (one had just left), so the first at the new
    // rate leaves 16 ms after the step.
    size_t before = 0, after = 0;
    for (size_t i = 1; i < out.size(); ++i) {
        const int64_t depart = out[i].releaseUs - 10000, gap = out[i].releaseUs - out[i - 1].releaseUs;
        if (depart <= 5000000) {
            EXPECT_EQ(gap, 4000) << i;
        } else if (out[i - 1].releaseUs - 10000 >= 5000000) {
            EXPECT_EQ(gap, 16000) << i;
        } else {
            EXPECT_EQ(depart, 5016000);
        }
        if (depart > 4000000 && depart <= 5000000) ++before;
        if (depart > 6000000 && depart <= 9000000) ++after;
    }
    EXPECT_EQ(before, 250u);  // 1 s at 2 Mbit/s
    EXPECT_EQ(after, 188u);   // departures 5.016 s + k * 16 ms inside (6 s, 9 s]
    ExpectBalanced(link);
}

TEST(NetemLinkTest, EachEffectKeepsItsPatternWhateverTheOthersDo) {
    // The same seed loses the same pushes with or without delay, jitter, rate or duplication.
    NetemLink plain(Profile("loss=5%")), busy(Profile("loss=5%,delay=30ms,jitter=5ms,rate=10mbps,dup=20%,reorder=3%"));
    EXPECT_EQ(Drive(plain, 20000, 1000, 100).results, Drive(busy, 20000, 1000, 100).results);

    // And a full run with every effect is the same packet for packet, time for time.
    const LinkProfile all = Profile("loss=2%,burst=gilbert:p=1%:r=30%,delay=40ms,jitter=10ms,rate=1500kbps,queue=50,"
                              "dup=0.5%,reorder=1%,seed=1234");
    NetemLink a(all), b(all);
    const Trace ra = Drive(a, 20000, 3000, 400), rb = Drive(b, 20000, 3000, 400);
    ASSERT_EQ(ra.out.size(), rb.out.size());
    for (size_t i = 0; i < ra.out.size(); ++i) {
        EXPECT_EQ(ra.out[i].seq, rb.out[i].seq);
        EXPECT_EQ(ra.out[i].releaseUs, rb.out[i].releaseUs);
        EXPECT_EQ(ra.out[i].duplicate, rb.out[i].duplicate);
    }
    EXPECT_EQ(a.Stats().ToJson(), b.Stats().ToJson());
    ExpectBalanced(a);
}

TEST(NetemLinkTest, ASeedOfZeroIsDrawnOnceAndANewSeedRestartsTheStreams) {
    NetemLink drawn(Profile("loss=5%,seed=0"));
    const uint64_t seed = drawn.Profile().seed;
    EXPECT_NE(seed, 0u);
    EXPECT_LT(seed, uint64_t{1} << 53);
    EXPECT_EQ(drawn.Stats().seed, seed);
    drawn.Configure(Profile("loss=5%,seed=0"), 0);  // 0 at run time: keep going
    EXPECT_EQ(drawn.Profile().seed, seed);

    // Reseeding mid-run gives from there what a fresh link with that seed gives.
    NetemLink reseeded(Profile("loss=5%"));
    Drive(reseeded, 500, 100, 10);
    reseeded.Configure(Profile("loss=5%,seed=77"), 1000000);
    NetemLink fresh(Profile("loss=5%,seed=77"));
    EXPECT_EQ(Drive(reseeded, 3000, 100, 10, 1000000).results, Drive(fresh, 3000, 100, 10, 1000000).results);
}

TEST(NetemLinkTest, TimeGoingBackwardsCountsAsTheLatestTimeSeen) {
    NetemLink link(Profile("delay=10ms"));
    NetemPacket p;
    p.data.resize(10);
    link.Push(p, 50000);
    link.Push(p, 20000);  // taken as 50000
    std::vector<NetemPacket> out;
    EXPECT_EQ(link.PopReady(60000, &out), 2u);
    EXPECT_EQ(out[1].sentUs, 50000);
    EXPECT_EQ(out[1].releaseUs, 60000);
}

TEST(NetemLinkTest, ChangesOtherThanTheRateApplyToPacketsPushedAfterThem) {
    NetemLink link(Profile("delay=100ms"));
    std::vector<NetemPacket> out;
    NetemPacket p;
    p.data.resize(10);
    link.Push(p, 0);
    link.Configure(Profile("delay=10ms"), 1000);
    link.Push(p, 1000);
    EXPECT_EQ(link.PopReady(NetemLink::kNever, &out), 2u);
    EXPECT_EQ(out[0].releaseUs, 11000);   // pushed after the change
    EXPECT_EQ(out[1].releaseUs, 100000);  // kept its 100 ms
    EXPECT_EQ(link.Stats().reordered, 1u);

    // A smaller queue limit drops nothing already queued; new arrivals meet it.
    NetemLink q(Profile("rate=1mbps,queue=10"));
    for (int i = 0; i < 8; ++i) q.Push(p, 0);
    q.Configure(Profile("rate=1mbps,queue=2"), 0);
    EXPECT_EQ(q.Push(p, 0), PushResult::kQueueFull);
    EXPECT_EQ(q.Stats().inFlight, 8u);
}

}  // namespace
}  // namespace netem
}  // namespace zrtc
