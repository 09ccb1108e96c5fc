// A condition variable whose timed waits run on the monotonic clock.
//
// The OS layer's conditions time their waits on the wall clock. A request that must give up a
// fixed time after it started should not wait longer or shorter because the wall clock was set:
// this condition is created with CLOCK_MONOTONIC and waits until an absolute monotonic deadline.
#pragma once

#include <cstdint>

#include "osal/Mutex.h"
#include "vrio/osal.h"

namespace zeqhttp {

// Milliseconds of the monotonic clock (CLOCK_MONOTONIC), unaffected by setting the wall clock.
int64_t MonotonicNowMs();

// Thread safety: NotifyAll from any thread; WaitUntil with `m` locked by the caller.
class MonotonicCondition {
public:
    MonotonicCondition();
    ~MonotonicCondition();
    MonotonicCondition(const MonotonicCondition&) = delete;
    MonotonicCondition& operator=(const MonotonicCondition&) = delete;

    // Waits until notified, woken spuriously, or `deadline_ms` (MonotonicNowMs) has passed.
    // False when the deadline has passed.
    bool WaitUntil(osal::mutex& m, int64_t deadline_ms);
    void NotifyAll();

private:
    osal_cond_t* mCond;
};

}  // namespace zeqhttp
