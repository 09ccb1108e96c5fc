#include "platform/UtcTimeText.h"

#include <cstdio>
#include <cstring>

#include "platform/TickCount.h"

namespace {

constexpr int64_t kSecondsPerDay = 86400;

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// Days since 1970-01-01 of a proleptic Gregorian date (month 1-12). Eras of 400 years (146097
// days) make the leap rules exact for negative years too.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = FloorDiv(y, 400);
    const int64_t yoe = y - era * 400;                                 // 0..399
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;  // 0..365, March first
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;         // 0..146096
    return era * 146097 + doe - 719468;
}

struct Civil {
    int64_t year;
    int month, day, hour, minute, second;
};

Civil CivilFromUnix(int64_t unix_seconds) {
    const int64_t days = FloorDiv(unix_seconds, kSecondsPerDay);
    const int64_t secs = unix_seconds - days * kSecondsPerDay;
    const int64_t z = days + 719468;
    const int64_t era = FloorDiv(z, 146097);
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int64_t d = doy - (153 * mp + 2) / 5 + 1;
    const int64_t m = mp < 10 ? mp + 3 : mp - 9;
    Civil c;
    c.year = yoe + era * 400 + (m <= 2);
    c.month = static_cast<int>(m);
    c.day = static_cast<int>(d);
    c.hour = static_cast<int>(secs / 3600);
    c.minute = static_cast<int>(secs / 60 % 60);
    c.second = static_cast<int>(secs % 60);
    return c;
}

// Seconds range that keeps every intermediate of CivilFromUnix far from overflow.
constexpr int64_t kMaxAbsSeconds = int64_t{1} << 50;

// atoi over one fixed-width field: leading blanks, an optional sign, then digits up to the field end.
int FieldValue(const char* field, int width) {
    int i = 0;
    while (i < width && (field[i] == ' ' || (field[i] >= '\t' && field[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < width && (field[i] == '+' || field[i] == '-')) negative = field[i++] == '-';
    int value = 0;
    for (; i < width && field[i] >= '0' && field[i] <= '9'; ++i) value = value * 10 + (field[i] - '0');
    return negative ? -value : value;
}

}  // namespace

namespace NetBit {

std::string GetUTCTimeWithoutTimeZoneString() {
    const Civil c = CivilFromUnix(FloorDiv(OS_GetTickCount(), 1000));
    char text[32];
    std::snprintf(text, sizeof(text), "%04d%02d%02d%02d%02d%02d", static_cast<int>(c.year), c.month, c.day,
                  c.hour, c.minute, c.second);
    return text;
}

}  // namespace NetBit

namespace ZeqUtils {

std::string FormatIso8601Utc(int64_t unix_seconds) {
    if (unix_seconds > kMaxAbsSeconds || unix_seconds < -kMaxAbsSeconds) return std::string();
    const Civil c = CivilFromUnix(unix_seconds);
    if (c.year < 0 || c.year > 9999) return std::string();
    char text[32];
    std::snprintf(text, sizeof(text), "%04d-%02d-%02dT%02d:%02d:%02dZ", static_cast<int>(c.year), c.month, c.day,
                  c.hour, c.minute, c.second);
    return text;
}

std::string QlogGetUTCTime(int64_t offset_s) {
    const int64_t now = FloorDiv(NetBit::OS_GetTickCount(), 1000);
    if (offset_s > kMaxAbsSeconds || offset_s < -kMaxAbsSeconds) return std::string();
    return FormatIso8601Utc(now + offset_s);
}

std::string QlogConvertTimeToUTCTimeString(int64_t t) { return FormatIso8601Utc(t); }

int64_t QlogConvertUTCTimeStringToTime(const char* text) {
    if (!text || strnlen(text, 19) < 19) return 0;
    const int64_t year = FieldValue(text, 4);
    const int64_t month0 = FieldValue(text + 5, 2) - 1;
    const int64_t day = FieldValue(text + 8, 2);
    const int64_t hour = FieldValue(text + 11, 2);
    const int64_t minute = FieldValue(text + 14, 2);
    const int64_t second = FieldValue(text + 17, 2);
    // A month outside 1-12 moves into the neighbouring years, as timegm normalises it.
    const int64_t y = year + FloorDiv(month0, 12);
    const int64_t m = month0 - FloorDiv(month0, 12) * 12 + 1;
    const int64_t days = DaysFromCivil(y, m, 1) + day - 1;
    return days * kSecondsPerDay + hour * 3600 + minute * 60 + second;
}

int64_t QlogGetUTCTimeInMilliseconds() { return NetBit::OS_GetTickCount(); }

}  // namespace ZeqUtils
