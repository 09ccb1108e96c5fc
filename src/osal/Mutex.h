// osal::mutex and osal::recursive_mutex: owners of one OS-layer lock each.
#pragma once

#include "vrio/osal.h"

namespace osal {

// Thread safety: lock/unlock from any thread; construction and destruction are the owner's.
class mutex {
public:
    mutex() : mLock(osal_create_lock(0)) {}
    ~mutex() { osal_delete_lock(mLock); }
    mutex(const mutex&) = delete;
    mutex& operator=(const mutex&) = delete;

    void lock() { osal_lock(mLock); }
    void unlock() { osal_unlock(mLock); }
    osal_lock_tag* get_native_handler() const { return mLock; }

private:
    osal_lock_tag* mLock;
};

class recursive_mutex {
public:
    recursive_mutex() : mLock(osal_create_lock(1)) {}
    ~recursive_mutex() { osal_delete_lock(mLock); }
    recursive_mutex(const recursive_mutex&) = delete;
    recursive_mutex& operator=(const recursive_mutex&) = delete;

    void lock() { osal_lock(mLock); }
    void unlock() { osal_unlock(mLock); }

private:
    osal_lock_tag* mLock;
};

// Scope guard for either mutex type.
template <typename M>
class lock_guard {
public:
    explicit lock_guard(M& m) : mMutex(m) { mMutex.lock(); }
    ~lock_guard() { mMutex.unlock(); }
    lock_guard(const lock_guard&) = delete;
    lock_guard& operator=(const lock_guard&) = delete;

private:
    M& mMutex;
};

}  // namespace osal
