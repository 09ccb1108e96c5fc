// The platform system log: one function, so a port to another platform swaps one file.
#pragma once

namespace osal {

enum class SysLogLevel { kDebug, kInfo, kWarn, kError };

// Writes one formatted line (the caller supplies the newline) to the system log. `tag` may be null.
void SysLog(SysLogLevel level, const char* tag, const char* fmt, ...) __attribute__((format(printf, 3, 4)));

// "ASSERT FAIL <function>:<line>" on the system log. Execution continues.
void SysLogAssert(const char* function, int line);

}  // namespace osal

#define OSAL_ASSERT(cond)                                   \
    do {                                                    \
        if (!(cond)) ::osal::SysLogAssert(__func__, __LINE__); \
    } while (0)
