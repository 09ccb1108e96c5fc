#include <new>

#include "osal/InitiateOnce.h"
#include "osal/OsalRecords.h"
#include "vrio/osal.h"

extern "C" osal_lock_tag* osal_create_lock(int type) {
    auto* lock = new (std::nothrow) osal_lock_tag;
    if (!lock) return nullptr;
    pthread_mutexattr_t attr;
    if (pthread_mutexattr_init(&attr) != 0) {
        delete lock;
        return nullptr;
    }
    lock->type = type != 0 ? 1 : 0;
    bool ok = pthread_mutexattr_settype(&attr, lock->type ? PTHREAD_MUTEX_RECURSIVE : PTHREAD_MUTEX_NORMAL) == 0 &&
              pthread_mutex_init(&lock->mutex, &attr) == 0;
    pthread_mutexattr_destroy(&attr);
    if (!ok) {
        delete lock;
        return nullptr;
    }
    return lock;
}

extern "C" void osal_delete_lock(osal_lock_tag* lock) {
    if (!lock) return;
    pthread_mutex_destroy(&lock->mutex);
    delete lock;
}

extern "C" int osal_lock(osal_lock_tag* lock) { return lock ? pthread_mutex_lock(&lock->mutex) : 0; }

extern "C" int osal_unlock(osal_lock_tag* lock) { return lock ? pthread_mutex_unlock(&lock->mutex) : 0; }

extern "C" int osal_trylock(osal_lock_tag* lock) { return lock ? pthread_mutex_trylock(&lock->mutex) : -1; }

extern "C" int osal_create_lock_threadsafe(int type, osal_lock_tag** lock) {
    osal_lock_tag* guard = osal::InitiateOnce::Get().lock();
    osal_lock(guard);
    if (lock && !*lock) *lock = osal_create_lock(type);
    return osal_unlock(guard);
}

extern "C" int delete_lock_threadsafe(osal_lock_tag** lock) {
    osal_lock_tag* guard = osal::InitiateOnce::Get().lock();
    osal_lock(guard);
    if (lock && *lock) {
        osal_delete_lock(*lock);
        *lock = nullptr;
    }
    osal_unlock(guard);
    return 0;
}
