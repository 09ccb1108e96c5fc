// Layouts of the opaque OS-layer handles, shared by the OS layer's own sources only.
#pragma once

#include <pthread.h>

#include <cstdint>

struct osal_lock_tag {
    pthread_mutex_t mutex;
    int32_t type;  // 0 plain, 1 recursive
};

struct osal_cond_tag {
    pthread_cond_t cond;
};

struct osal_cond_pred_tag {
    osal_cond_tag* cond;
};

struct osal_cond_safe_tag {
    osal_cond_tag* cond;
    int32_t signalled;  // read and written with atomic builtins
};

struct osal_thread_handle_tag {
    pthread_t id;
};

namespace osal {
// Wall-clock milliseconds from the system, never the substituted test clock: kernel deadlines
// must be real times.
int64_t SystemWallTimeMs();
}  // namespace osal
