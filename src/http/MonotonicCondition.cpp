#include "http/MonotonicCondition.h"

#include <pthread.h>
#include <time.h>

#include <cerrno>

#include "osal/SystemLog.h"

namespace zeqhttp {

int64_t MonotonicNowMs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

MonotonicCondition::MonotonicCondition() {
    pthread_condattr_t attr;
    pthread_condattr_init(&attr);
    pthread_condattr_setclock(&attr, CLOCK_MONOTONIC);
    mCond = osal_cond_create(&attr);
    pthread_condattr_destroy(&attr);
    OSAL_ASSERT(mCond != nullptr);
}

MonotonicCondition::~MonotonicCondition() {
    if (mCond) osal_cond_destroy(mCond);
}

bool MonotonicCondition::WaitUntil(osal::mutex& m, int64_t deadline_ms) {
    if (MonotonicNowMs() >= deadline_ms) return false;
    if (!mCond) {
        // No condition could be made: poll instead of blocking forever. Rare enough to be crude.
        m.unlock();
        osal_sleep_ms(10);
        m.lock();
        return MonotonicNowMs() < deadline_ms;
    }
    timespec ts;
    ts.tv_sec = static_cast<time_t>(deadline_ms / 1000);
    ts.tv_nsec = static_cast<long>((deadline_ms % 1000) * 1000000);
    int rc = osal_cond_timedwait(mCond, m.get_native_handler(), &ts);
    return rc != ETIMEDOUT;
}

void MonotonicCondition::NotifyAll() {
    if (mCond) osal_cond_broadcast(mCond);
}

}  // namespace zeqhttp
