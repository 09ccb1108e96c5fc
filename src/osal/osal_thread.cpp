#include <sys/prctl.h>

#include <new>

#include "osal/OsalRecords.h"
#include "osal/SystemLog.h"
#include "vrio/osal.h"

extern "C" int osal_thread_create(osal_thread_t* thread, void* (*fn)(void*), void* arg) {
    if (!thread || !fn) {
        osal::SysLogAssert(__func__, __LINE__);
        if (thread) thread->handle = nullptr;
        return -1;
    }
    auto* handle = new (std::nothrow) osal_thread_handle_tag;
    if (!handle || pthread_create(&handle->id, nullptr, fn, arg) != 0) {
        delete handle;
        thread->handle = nullptr;
        return -1;
    }
    thread->handle = handle;
    return 0;
}

extern "C" int osal_thread_set_name(const char* name) {
    if (name) prctl(PR_SET_NAME, name, 0, 0, 0);  // the kernel keeps the first 15 characters
    return 0;
}

extern "C" int osal_thread_join(osal_thread_handle* handle, void** result) {
    if (!handle) return -1;
    int rc = pthread_join(handle->id, result);
    delete handle;
    return rc;
}

extern "C" int osal_thread_detach(osal_thread_handle* handle) {
    if (!handle) return -1;
    int rc = pthread_detach(handle->id);
    delete handle;
    return rc;
}
