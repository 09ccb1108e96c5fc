#include "netem/NetemClock.h"

#include <gtest/gtest.h>

#include "netem/NetemLink.h"
#include "osal/TestClock.h"

namespace zrtc {
namespace netem {
namespace {

TEST(NetemClockTest, ReadsTheLibraryClockInMicroseconds) {
    osal::SimulatedClock clock(1700000000123);
    EXPECT_EQ(WallClockUs(), 1700000000123000);
    clock.Advance(5);
    EXPECT_EQ(WallClockUs(), 1700000000128000);
}

TEST(NetemClockTest, PollTimeoutRoundsUpAndIsBounded) {
    struct Case {
        int64_t next, now;
        int max, expected;
    };
    const Case cases[] = {
        {1000, 1000, 50, 0},        {999, 1000, 50, 0},          {1001, 1000, 50, 1},
        {2000, 1000, 50, 1},        {2001, 1000, 50, 2},         {100000, 0, 50, 50},
        {NetemLink::kNever, 0, 50, 50}, {NetemLink::kNever, INT64_MIN, 50, 50}, {5000, 0, -1, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PollTimeoutMs(c.next, c.now, c.max), c.expected) << c.next << " " << c.now;
}

}  // namespace
}  // namespace netem
}  // namespace zrtc
