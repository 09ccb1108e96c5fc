// The library's tick count, sleeping and thread naming, as every engine module calls them.
#pragma once

#include <cstdint>

namespace NetBit {

// Wall-clock milliseconds since the Unix epoch, read from the library clock (osal_get_time_ms), so a
// test clock substitutes every tick count of the system.
int64_t OS_GetTickCount();

// Sleeps `ms` milliseconds of real time (nothing for ms <= 0).
void OS_Sleep(int ms);

// Names the calling thread (the kernel keeps 15 characters).
void SetCurrentThreadName(const char* name);

}  // namespace NetBit
