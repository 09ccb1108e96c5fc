// One lookup of a resolution, shared by the waiting caller and the lookup thread.
#pragma once

#include <cstdint>

#include "osal/ConditionVariable.h"
#include "osal/Mutex.h"

namespace ZeqUtils {

// Thread safety: `lock` guards result, reference_count and the three caller links. The thread
// reaches the caller's mutex, condition and flag only through the links, under `lock`, and only
// while they are set; the caller clears them (under `lock`) before it returns. Lock order: `lock`
// before the caller's mutex; the caller never takes `lock` while it holds its own mutex.
// Lifetime: the reference count starts at 2 (caller and thread); whoever finds it at 1 when it
// lets go deletes the context.
struct dns_context {
    virtual ~dns_context() = default;

    char host[1024] = {0};
    char result[64] = {0};
    osal::mutex lock;
    int32_t reference_count = 2;
    char server[128] = {0};  // empty: the system resolver
    int32_t source = -1;
    osal::mutex* caller_mutex = nullptr;
    osal::condition_variable* caller_condition = nullptr;
    int32_t* caller_pending = nullptr;  // set to 0 by the first thread that succeeds
};

}  // namespace ZeqUtils
