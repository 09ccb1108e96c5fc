#include "osal/Thread.h"

#include <new>

#include "osal/SystemLog.h"

namespace osal {

namespace {

struct StartRecord {
    void* arg;
    void (*fn)(void*);
};

// Entry of every osal::thread: runs fn(arg) and frees the start record.
void* callback_wrapper(void* param) {
    auto* start = static_cast<StartRecord*>(param);
    if (!start) {
        SysLogAssert(__func__, __LINE__);
        return nullptr;
    }
    if (!start->arg) SysLogAssert(__func__, __LINE__);
    if (!start->fn) {
        SysLogAssert(__func__, __LINE__);
    } else {
        start->fn(start->arg);
    }
    delete start;
    return nullptr;
}

osal_thread_t* NewRecord() {
    auto* record = new (std::nothrow) osal_thread_t;
    if (!record) return nullptr;
    record->handle = nullptr;
    record->lock = osal_create_lock(0);
    return record;
}

}  // namespace

thread::thread() : mRecord(NewRecord()) {}

thread::thread(void (*fn)(void*), void* arg) : mRecord(NewRecord()) {
    if (!mRecord) return;
    auto* start = new (std::nothrow) StartRecord{arg, fn};
    if (!start) return;
    // A failed start leaves the object empty; the owner sees it as not joinable.
    if (osal_thread_create(mRecord, callback_wrapper, start) != 0) delete start;
}

thread::thread(thread&& other) noexcept : mRecord(other.mRecord) { other.mRecord = nullptr; }

thread& thread::operator=(thread&& other) noexcept {
    if (this == &other) return *this;
    if (mRecord) {
        if (joinable()) join();
        Release();
    }
    mRecord = other.mRecord;
    other.mRecord = nullptr;
    return *this;
}

thread::~thread() {
    if (mRecord) Release();
}

void thread::Release() {
    if (!mRecord->lock || mRecord->handle) SysLogAssert(__func__, __LINE__);
    // A thread still attached keeps running; it is detached so that its resources are returned
    // when it ends instead of leaking with the record.
    if (mRecord->handle) osal_thread_detach(mRecord->handle);
    osal_delete_lock(mRecord->lock);
    delete mRecord;
    mRecord = nullptr;
}

bool thread::joinable() const {
    if (!mRecord) return false;
    osal_lock(mRecord->lock);
    bool attached = mRecord->handle != nullptr;
    osal_unlock(mRecord->lock);
    return attached;
}

osal_thread_handle* thread::TakeHandle() {
    if (!mRecord) return nullptr;
    osal_lock(mRecord->lock);
    osal_thread_handle* handle = mRecord->handle;
    mRecord->handle = nullptr;
    osal_unlock(mRecord->lock);
    return handle;
}

int thread::join() {
    osal_thread_handle* handle = TakeHandle();
    return handle ? osal_thread_join(handle, nullptr) : 0;
}

int thread::detach() {
    osal_thread_handle* handle = TakeHandle();
    return handle ? osal_thread_detach(handle) : 0;
}

}  // namespace osal
