#include "osal/SystemLog.h"

#include <cstdarg>
#include <cstdio>

namespace osal {

namespace {
const char* LevelName(SysLogLevel level) {
    switch (level) {
        case SysLogLevel::kDebug: return "D";
        case SysLogLevel::kInfo: return "I";
        case SysLogLevel::kWarn: return "W";
        case SysLogLevel::kError: return "E";
    }
    return "?";
}
}  // namespace

void SysLog(SysLogLevel level, const char* tag, const char* fmt, ...) {
    // One fprintf per line so lines from different threads do not interleave inside a line.
    char text[1024];
    va_list args;
    va_start(args, fmt);
    vsnprintf(text, sizeof(text), fmt, args);
    va_end(args);
    fprintf(stderr, "%s/%s: %s", LevelName(level), tag ? tag : "", text);
}

void SysLogAssert(const char* function, int line) {
    SysLog(SysLogLevel::kInfo, nullptr, "ASSERT FAIL %s:%d\n", function, line);
}

}  // namespace osal
