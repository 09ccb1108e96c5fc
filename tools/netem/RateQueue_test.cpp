#include "netem/RateQueue.h"

#include <gtest/gtest.h>

namespace zrtc {
namespace netem {
namespace {

RateQueue Limited(uint64_t rateBps, uint32_t packets = 0, uint64_t bytes = 0) {
    RateQueue q;
    RateQueue::Moved moved;
    q.Configure(rateBps, packets, bytes, 0, &moved);
    return q;
}

int64_t Admit(RateQueue& q, uint64_t id, uint64_t bytes, int64_t now) {
    int64_t depart = -1;
    return q.Admit(id, bytes, now, &depart) ? depart : -1;
}

TEST(RateQueueTest, BackToBackPacketsLeaveAtTheCapacityWithoutDrift) {
    // 1500 B at 1.5 Mbit/s: exactly 8 ms each.
    RateQueue q = Limited(1500000);
    EXPECT_EQ(Admit(q, 0, 1500, 0), 8000);
    EXPECT_EQ(Admit(q, 1, 1500, 0), 16000);
    EXPECT_EQ(Admit(q, 2, 1500, 100), 24000);

    // 100 B at 3 Mbit/s: 266.67 us each. Each departure is the exact end rounded up, and the
    // fraction carries: after three packets exactly 800 us, after 3000 exactly 800 ms.
    RateQueue f = Limited(3000000);
    EXPECT_EQ(Admit(f, 0, 100, 0), 267);
    EXPECT_EQ(Admit(f, 1, 100, 0), 534);
    EXPECT_EQ(Admit(f, 2, 100, 0), 800);
    int64_t last = 0;
    for (int i = 3; i < 3000; ++i) last = Admit(f, static_cast<uint64_t>(i), 100, 0);
    EXPECT_EQ(last, 800000);
}

TEST(RateQueueTest, AnIdleLinkStartsSendingOnArrival) {
    RateQueue q = Limited(1000000);  // 1000 B: 8 ms
    EXPECT_EQ(Admit(q, 0, 1000, 0), 8000);
    EXPECT_EQ(Admit(q, 1, 1000, 20000), 28000);  // idle from 8 to 20 ms
    EXPECT_EQ(Admit(q, 2, 1000, 28000), 36000);  // arrives as the last one leaves: starts at once
}

TEST(RateQueueTest, DropsAtTheTailWhenFullAndTakesAgainOnceDrained) {
    RateQueue q = Limited(1000000, 3);
    for (uint64_t i = 0; i < 3; ++i) EXPECT_GT(Admit(q, i, 1000, 0), 0);
    EXPECT_EQ(Admit(q, 3, 1000, 0), -1);      // the one being sent counts
    EXPECT_EQ(Admit(q, 4, 1000, 7999), -1);
    EXPECT_EQ(Admit(q, 5, 1000, 8000), 32000);  // the first has left at 8 ms
    EXPECT_EQ(q.Packets(), 3u);

    RateQueue b = Limited(1000000, 0, 2500);
    EXPECT_GT(Admit(b, 0, 1000, 0), 0);
    EXPECT_GT(Admit(b, 1, 1000, 0), 0);
    EXPECT_EQ(Admit(b, 2, 1000, 0), -1);  // 3000 B > 2500 B
    EXPECT_GT(Admit(b, 3, 500, 0), 0);    // exactly 2500 B fits
    EXPECT_EQ(b.Bytes(), 2500u);
    b.Drain(8000);
    EXPECT_EQ(b.Bytes(), 1500u);
}

TEST(RateQueueTest, ARateChangeAppliesToWhatIsLeftFromThatMoment) {
    RateQueue q = Limited(1000000);  // 1000 B: 8 ms at 1 Mbit/s, 4 ms at 2 Mbit/s
    EXPECT_EQ(Admit(q, 7, 1000, 0), 8000);
    EXPECT_EQ(Admit(q, 8, 1000, 0), 16000);
    RateQueue::Moved moved;
    q.Configure(2000000, 0, 0, 4000, &moved);  // half of the first sent: 4000 bits left, 2 ms
    ASSERT_EQ(moved.size(), 2u);
    EXPECT_EQ(moved[0], std::make_pair(uint64_t{7}, int64_t{6000}));
    EXPECT_EQ(moved[1], std::make_pair(uint64_t{8}, int64_t{10000}));
    EXPECT_EQ(Admit(q, 9, 1000, 5000), 14000);

    // To unlimited: everything waiting leaves at once, later packets pass on arrival.
    moved.clear();
    q.Configure(0, 0, 0, 6000, &moved);
    ASSERT_EQ(moved.size(), 2u);  // 7 left at 6000 exactly
    EXPECT_EQ(moved[0], std::make_pair(uint64_t{8}, int64_t{6000}));
    EXPECT_EQ(moved[1], std::make_pair(uint64_t{9}, int64_t{6000}));
    EXPECT_EQ(Admit(q, 10, 1000, 6500), 6500);
    EXPECT_EQ(q.Packets(), 0u);
}

TEST(RateQueueTest, ARateChangeInsideAFractionalMicrosecondIsExact) {
    // 100 B at 3 Mbit/s ends at 266.67 us; at 200 us 66.67 us of work at 3 Mbit/s remain, i.e.
    // 200 bits, which take 200 us at 1 Mbit/s: it leaves at 400.
    RateQueue q = Limited(3000000);
    EXPECT_EQ(Admit(q, 0, 100, 0), 267);
    RateQueue::Moved moved;
    q.Configure(1000000, 0, 0, 200, &moved);
    ASSERT_EQ(moved.size(), 1u);
    EXPECT_EQ(moved[0].second, 400);
}

}  // namespace
}  // namespace netem
}  // namespace zrtc
