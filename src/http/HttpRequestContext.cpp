#include "http/HttpRequestContext.h"

#include <utility>

namespace zeqhttp {

void HttpRequestContext::Deliver(int32_t status, std::string body) {
    {
        osal::lock_guard<osal::mutex> guard(mLock);
        if (mReceived) return;
        mStatus = status;
        mBody = std::move(body);
        mReceived = true;
    }
    mCondition.NotifyAll();
}

bool HttpRequestContext::WaitForAnswer(int64_t deadline_ms, int32_t* status, std::string* body) {
    osal::lock_guard<osal::mutex> guard(mLock);
    // Spurious wake-ups and early returns re-test mReceived; only the deadline ends the wait.
    while (!mReceived) {
        if (!mCondition.WaitUntil(mLock, deadline_ms) && !mReceived) return false;
    }
    *status = mStatus;
    *body = mBody;
    return true;
}

}  // namespace zeqhttp
