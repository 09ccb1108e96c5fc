#include <cerrno>
#include <new>

#include "osal/OsalRecords.h"
#include "vrio/osal.h"

namespace {

// Absolute wall-clock deadline `interval_ms` from now.
timespec DeadlineIn(int interval_ms) {
    int64_t deadline = osal::SystemWallTimeMs() + interval_ms;
    timespec ts;
    ts.tv_sec = static_cast<time_t>(deadline / 1000);
    ts.tv_nsec = static_cast<long>((deadline % 1000) * 1000000);
    return ts;
}

}  // namespace

extern "C" osal_cond_t* osal_cond_create(const pthread_condattr_t* attr) {
    auto* cond = new (std::nothrow) osal_cond_tag;
    if (!cond) return nullptr;
    if (pthread_cond_init(&cond->cond, attr) != 0) {
        delete cond;
        return nullptr;
    }
    return cond;
}

extern "C" int osal_cond_destroy(osal_cond_t* cond) {
    if (!cond) return EINVAL;
    int rc = pthread_cond_destroy(&cond->cond);
    delete cond;
    return rc;
}

extern "C" int osal_cond_signal(osal_cond_t* cond) { return cond ? pthread_cond_signal(&cond->cond) : EINVAL; }

extern "C" int osal_cond_broadcast(osal_cond_t* cond) {
    return cond ? pthread_cond_broadcast(&cond->cond) : EINVAL;
}

// A NULL lock (its creation failed) cannot be waited on: refuse instead of handing NULL to POSIX.
extern "C" int osal_cond_wait(osal_cond_t* cond, osal_lock_tag* lock) {
    if (!cond || !lock) return EINVAL;
    return pthread_cond_wait(&cond->cond, &lock->mutex);
}

extern "C" int osal_cond_timedwait(osal_cond_t* cond, osal_lock_tag* lock, const timespec* deadline) {
    if (!cond || !lock || !deadline) return EINVAL;
    return pthread_cond_timedwait(&cond->cond, &lock->mutex, deadline);
}

extern "C" int osal_cond_timedwait_interval(osal_cond_t* cond, osal_lock_tag* lock, int interval_ms) {
    timespec ts = DeadlineIn(interval_ms);
    return osal_cond_timedwait(cond, lock, &ts);
}

extern "C" osal_cond_pred_t* osal_cond_pred_create(const pthread_condattr_t* attr) {
    auto* pred = new (std::nothrow) osal_cond_pred_tag;
    if (!pred) return nullptr;
    pred->cond = osal_cond_create(attr);
    if (!pred->cond) {
        delete pred;
        return nullptr;
    }
    return pred;
}

extern "C" int osal_cond_pred_destroy(osal_cond_pred_t* pred) {
    if (!pred) return EINVAL;
    int rc = osal_cond_destroy(pred->cond);
    delete pred;
    return rc;
}

extern "C" int osal_cond_pred_signal(osal_cond_pred_t* pred) { return pred ? osal_cond_signal(pred->cond) : EINVAL; }

extern "C" int osal_cond_pred_timedwait_interval(osal_cond_pred_t* pred, osal_lock_tag* lock, int interval_ms,
                                                 osal_bool_t (*fn)(void*), void* arg) {
    if (!pred || !fn) return 1;
    int64_t remaining = interval_ms;
    for (;;) {
        if (fn(arg) != 1) return 0;
        int64_t start = osal::SystemWallTimeMs();
        int rc = osal_cond_timedwait_interval(pred->cond, lock, static_cast<int>(remaining));
        remaining -= osal::SystemWallTimeMs() - start;
        // Any result but a time-out (a wake-up, a spurious one, an error) re-tests the predicate.
        if (remaining < 1 || rc == ETIMEDOUT) return 1;
        // A lock that cannot be waited on would spin here: treat it like a time-out.
        if (rc == EINVAL) return 1;
    }
}

extern "C" osal_cond_safe_t* osal_cond_safe_create(const pthread_condattr_t* attr) {
    auto* safe = new (std::nothrow) osal_cond_safe_tag;
    if (!safe) return nullptr;
    safe->cond = osal_cond_create(attr);
    if (!safe->cond) {
        delete safe;
        return nullptr;
    }
    safe->signalled = 0;  // not yet shared
    return safe;
}

extern "C" int osal_cond_safe_destroy(osal_cond_safe_t* safe) {
    if (!safe) return EINVAL;
    int rc = osal_cond_destroy(safe->cond);
    delete safe;
    return rc;
}

// The flag is touched atomically: a signaller need not hold the waiter's lock.
extern "C" int osal_cond_safe_signal(osal_cond_safe_t* safe) {
    if (!safe) return EINVAL;
    __atomic_store_n(&safe->signalled, 1, __ATOMIC_RELEASE);
    return osal_cond_signal(safe->cond);
}

extern "C" int osal_cond_safe_timedwait_interval(osal_cond_safe_t* safe, osal_lock_tag* lock, int interval_ms) {
    if (!safe) return EINVAL;
    if (__atomic_exchange_n(&safe->signalled, 0, __ATOMIC_ACQ_REL) != 0) return 0;
    int rc = osal_cond_timedwait_interval(safe->cond, lock, interval_ms);
    __atomic_store_n(&safe->signalled, 0, __ATOMIC_RELEASE);
    return rc;
}
