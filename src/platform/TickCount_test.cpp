// Tick count, sleeping, thread naming, infinity sentinels and value texts.
#include "platform/TickCount.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/time.h>

#include <climits>
#include <cstring>
#include <string>

#include "osal/TestClock.h"
#include "osal/Thread.h"
#include "platform/Infinity.h"
#include "platform/ValueText.h"

namespace {

using namespace NetBit;

TEST(TickCount, ReadsTheLibraryClockSoATestClockSubstitutesIt) {
    {
        osal::SimulatedClock clock(1234567);
        EXPECT_EQ(OS_GetTickCount(), 1234567);
        clock.Advance(40);
        EXPECT_EQ(OS_GetTickCount(), 1234607);
    }
    // Back on the system clock: wall-clock milliseconds since the epoch.
    timeval tv;
    gettimeofday(&tv, nullptr);
    const int64_t wall = static_cast<int64_t>(tv.tv_sec) * 1000 + tv.tv_usec / 1000;
    EXPECT_NEAR(static_cast<double>(OS_GetTickCount()), static_cast<double>(wall), 1000.0);
}

TEST(TickCount, SleepWaitsRealTime) {
    timeval before, after;
    gettimeofday(&before, nullptr);
    OS_Sleep(30);
    gettimeofday(&after, nullptr);
    const long elapsed_us = (after.tv_sec - before.tv_sec) * 1000000L + (after.tv_usec - before.tv_usec);
    EXPECT_GE(elapsed_us, 30000);
    OS_Sleep(0);
    OS_Sleep(-5);  // nothing to wait for
}

void ReadOwnName(void* arg) {
    SetCurrentThreadName("PlatformNameThr");
    pthread_getname_np(pthread_self(), static_cast<char*>(arg), 16);
}

TEST(TickCount, SetCurrentThreadNameNamesTheCallingThread) {
    char name[16] = {};
    osal::thread t(&ReadOwnName, name);
    ASSERT_TRUE(t.joinable());
    t.join();
    EXPECT_STREQ(name, "PlatformNameThr");
}

TEST(Infinity, ExactlyTheTwoSentinelsAreInfinite) {
    static_assert(IsInfinite(kPlusInfinity) && IsInfinite(kMinusInfinity), "sentinels");
    for (int64_t v : {int64_t{0}, int64_t{1}, int64_t{-1}, kPlusInfinity - 1, kMinusInfinity + 1}) {
        EXPECT_FALSE(IsInfinite(v)) << v;
        EXPECT_TRUE(IsFinite(v)) << v;
    }
    EXPECT_EQ(kPlusInfinity, LLONG_MAX);
    EXPECT_EQ(kMinusInfinity, LLONG_MIN);
    EXPECT_FALSE(IsFinite(kPlusInfinity));
    EXPECT_FALSE(IsFinite(kMinusInfinity));
}

TEST(ValueText, BooleansAndDecimals) {
    EXPECT_EQ(boolToString(true), "true");
    EXPECT_EQ(boolToString(false), "false");
    EXPECT_EQ(intToString(0), "0");
    EXPECT_EQ(intToString(-42), "-42");
    EXPECT_EQ(intToString(INT_MIN), "-2147483648");
    EXPECT_EQ(intToString(INT_MAX), "2147483647");
    EXPECT_EQ(longlongToString(LLONG_MIN), "-9223372036854775808");
    EXPECT_EQ(longlongToString(LLONG_MAX), "9223372036854775807");
    EXPECT_EQ(longlongToString(1700000000123LL), "1700000000123");
}

}  // namespace
