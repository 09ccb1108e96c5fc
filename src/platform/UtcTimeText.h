// UTC time texts: the compact stamp of the engine and the ISO 8601 texts of the log service.
#pragma once

#include <cstdint>
#include <string>

namespace NetBit {

// Current UTC time of the library clock as "YYYYMMDDhhmmss" (14 digits).
std::string GetUTCTimeWithoutTimeZoneString();

}  // namespace NetBit

namespace ZeqUtils {

// Unix seconds as "YYYY-MM-DDThh:mm:ssZ" (20 characters); empty outside the years 0000-9999.
std::string FormatIso8601Utc(int64_t unix_seconds);

// Now (library clock) + offset_s seconds as an ISO 8601 UTC text.
std::string QlogGetUTCTime(int64_t offset_s);
// Unix seconds `t` as an ISO 8601 UTC text.
std::string QlogConvertTimeToUTCTimeString(int64_t t);
// Reads year (characters 0-3), month (5-6), day (8-9), hour (11-12), minute (14-15) and second
// (17-18) of an ISO 8601 UTC text and returns Unix seconds (proleptic Gregorian; out-of-range fields
// carry over as in timegm). 0 for null or texts shorter than 19 characters; the rest is ignored.
int64_t QlogConvertUTCTimeStringToTime(const char* text);
// Library clock milliseconds.
int64_t QlogGetUTCTimeInMilliseconds();

}  // namespace ZeqUtils
