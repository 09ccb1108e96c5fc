// osal::thread: the one way the library starts a thread.
#pragma once

#include "vrio/osal.h"

namespace osal {

// Names the calling thread; every named worker calls it first.
inline void SetCurrentThreadName(const char* name) { osal_thread_set_name(name); }

// Owns one OS thread. States: empty (no thread attached), joinable, moved-from.
// Thread safety: joinable/join/detach may be called from different threads (the record has its own
// lock; the join itself runs outside it). Construction, move and destruction are the owner's.
// A joinable thread must be joined or detached before destruction; otherwise an assertion is
// reported and the thread is left running.
class thread {
public:
    thread();
    thread(void (*fn)(void*), void* arg);
    thread(thread&& other) noexcept;
    thread& operator=(thread&& other) noexcept;  // joins a joinable target first
    ~thread();

    thread(const thread&) = delete;
    thread& operator=(const thread&) = delete;

    bool joinable() const;
    int join();
    int detach();

private:
    osal_thread_handle* TakeHandle();
    void Release();
    osal_thread_t* mRecord;
};

}  // namespace osal
