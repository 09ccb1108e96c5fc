#include "platform/TickCount.h"

#include "osal/Thread.h"
#include "vrio/osal.h"

namespace NetBit {

int64_t OS_GetTickCount() { return osal_get_time_ms(); }

void OS_Sleep(int ms) { osal_sleep_ms(ms); }

void SetCurrentThreadName(const char* name) { osal::SetCurrentThreadName(name); }

}  // namespace NetBit
