// The process-wide holder of the one lock that serialises lazy lock creation and deletion.
#pragma once

#include "vrio/osal.h"

namespace osal {

// Built when the library is loaded, destroyed at unload. Thread safety: the lock it hands out is
// created before any caller can see the object and lives until unload.
class InitiateOnce {
public:
    static InitiateOnce& Get();
    osal_lock_tag* lock() const { return mLock; }

    InitiateOnce(const InitiateOnce&) = delete;
    InitiateOnce& operator=(const InitiateOnce&) = delete;

private:
    InitiateOnce();
    ~InitiateOnce();
    osal_lock_tag* mLock;
};

}  // namespace osal
