// osal::condition_variable: a predicate wait on an osal::mutex.
#pragma once

#include "osal/Mutex.h"

namespace osal {

// Thread safety: notify_one from any thread; wait_for with `m` locked by the caller.
class condition_variable {
public:
    condition_variable() : mCond(osal_cond_pred_create(nullptr)) {}
    virtual ~condition_variable() { osal_cond_pred_destroy(mCond); }
    condition_variable(const condition_variable&) = delete;
    condition_variable& operator=(const condition_variable&) = delete;

    void notify_one() { osal_cond_pred_signal(mCond); }

    // `pred` returns 1 while the caller must keep waiting. True when the predicate ended the
    // wait, false when `ms` ran out.
    bool wait_for(mutex* m, int ms, osal_bool_t (*pred)(void*), void* arg) {
        return osal_cond_pred_timedwait_interval(mCond, m->get_native_handler(), ms, pred, arg) == 0;
    }

private:
    osal_cond_pred_t* mCond;
};

}  // namespace osal
