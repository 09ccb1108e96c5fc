// UTC time texts: formatting, reading back, and the library clock behind "now".
#include "platform/UtcTimeText.h"

#include <gtest/gtest.h>

#include <ctime>
#include <random>
#include <string>

#include "osal/TestClock.h"

namespace {

using namespace ZeqUtils;

struct Known {
    int64_t seconds;
    const char* iso;
};

const Known kKnown[] = {
    {0, "1970-01-01T00:00:00Z"},
    {-1, "1969-12-31T23:59:59Z"},
    {951782400, "2000-02-29T00:00:00Z"},           // leap day of a year divisible by 400
    {1709251199, "2024-02-29T23:59:59Z"},
    {1743494709, "2025-04-01T08:05:09Z"},
    {4107542400, "2100-03-01T00:00:00Z"},          // 2100 has no 29 February
    {253402300799, "9999-12-31T23:59:59Z"},
    {-62167219200, "0000-01-01T00:00:00Z"},
};

TEST(UtcTimeText, KnownInstantsBothWays) {
    for (const Known& k : kKnown) {
        EXPECT_EQ(QlogConvertTimeToUTCTimeString(k.seconds), k.iso) << k.seconds;
        EXPECT_EQ(QlogConvertUTCTimeStringToTime(k.iso), k.seconds) << k.iso;
    }
}

TEST(UtcTimeText, YearsOutsideFourDigitsGiveNoText) {
    EXPECT_EQ(QlogConvertTimeToUTCTimeString(253402300800), "");   // year 10000
    EXPECT_EQ(QlogConvertTimeToUTCTimeString(-62167219201), "");   // year -1
    EXPECT_EQ(QlogConvertTimeToUTCTimeString(INT64_MAX), "");
    EXPECT_EQ(QlogConvertTimeToUTCTimeString(INT64_MIN), "");
}

TEST(UtcTimeText, AgreesWithTheCLibraryOnRandomInstants) {
    std::mt19937_64 rng(7);
    std::uniform_int_distribution<int64_t> pick(-2208988800LL, 32503680000LL);  // 1900..3000
    for (int i = 0; i < 20000; ++i) {
        const int64_t t = pick(rng);
        const time_t tt = static_cast<time_t>(t);
        tm parts{};
        ASSERT_NE(gmtime_r(&tt, &parts), nullptr);
        char want[32];
        strftime(want, sizeof(want), "%Y-%m-%dT%H:%M:%SZ", &parts);
        const std::string text = QlogConvertTimeToUTCTimeString(t);
        ASSERT_EQ(text, want) << t;
        ASSERT_EQ(QlogConvertUTCTimeStringToTime(text.c_str()), t) << text;
    }
}

TEST(UtcTimeText, ReadingIgnoresTheTailAndRefusesShortTexts) {
    EXPECT_EQ(QlogConvertUTCTimeStringToTime("2025-04-01T08:05:09.123+08:00"), 1743494709);
    EXPECT_EQ(QlogConvertUTCTimeStringToTime("2025-04-01T08:05:09"), 1743494709);  // exactly 19
    EXPECT_EQ(QlogConvertUTCTimeStringToTime("2025-04-01T08:05:0"), 0);            // 18
    EXPECT_EQ(QlogConvertUTCTimeStringToTime(""), 0);
    EXPECT_EQ(QlogConvertUTCTimeStringToTime(nullptr), 0);
    // Fields are read one by one, as atoi reads them: other separators do not matter.
    EXPECT_EQ(QlogConvertUTCTimeStringToTime("2025/04/01 08.05.09"), 1743494709);
    // Out-of-range fields carry over like timegm: month 13 is January of the next year.
    EXPECT_EQ(QlogConvertUTCTimeStringToTime("2024-13-01T00:00:00Z"), 1735689600);
    EXPECT_EQ(QlogConvertUTCTimeStringToTime("2024-02-30T00:00:00Z"), 1709251200);  // = 1 March
    // Non-digits read as 0 (atoi), never past the field.
    EXPECT_EQ(QlogConvertUTCTimeStringToTime("1970-01-01Txx:00:00Z"), 0);
    EXPECT_EQ(QlogConvertUTCTimeStringToTime("19700101T000000Z.."), 0);  // 18 characters
}

TEST(UtcTimeText, NowComesFromTheLibraryClock) {
    osal::SimulatedClock clock(1743494709999);  // 08:05:09.999
    EXPECT_EQ(QlogGetUTCTime(0), "2025-04-01T08:05:09Z");
    EXPECT_EQ(QlogGetUTCTime(51), "2025-04-01T08:06:00Z");
    EXPECT_EQ(QlogGetUTCTime(-86400), "2025-03-31T08:05:09Z");
    EXPECT_EQ(QlogGetUTCTimeInMilliseconds(), 1743494709999);
    EXPECT_EQ(NetBit::GetUTCTimeWithoutTimeZoneString(), "20250401080509");
    clock.Set(0);
    EXPECT_EQ(NetBit::GetUTCTimeWithoutTimeZoneString(), "19700101000000");
}

}  // namespace
