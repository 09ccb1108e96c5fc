// One pending bridge request: the waiting thread and the response handler meet here.
#pragma once

#include <cstdint>
#include <string>

#include "http/MonotonicCondition.h"
#include "osal/Mutex.h"

namespace zeqhttp {

// Thread safety: mLock guards mReceived, mStatus and mBody. The waiter holds it while it tests
// mReceived and waits; the response handler (the script thread) takes it to fill the answer.
// Contexts are shared through std::shared_ptr, so a handler that found one in the map may finish
// with it even when the waiter gave up in the meantime.
class HttpRequestContext {
public:
    explicit HttpRequestContext(std::string id) : mId(std::move(id)) {}
    HttpRequestContext(const HttpRequestContext&) = delete;
    HttpRequestContext& operator=(const HttpRequestContext&) = delete;

    const std::string& id() const { return mId; }

    // Stores the answer and wakes the waiter. Only the first answer counts.
    void Deliver(int32_t status, std::string body);

    // Waits until an answer arrived or the monotonic deadline passed. True with the answer copied
    // out, false at the deadline.
    bool WaitForAnswer(int64_t deadline_ms, int32_t* status, std::string* body);

private:
    const std::string mId;
    osal::mutex mLock;
    MonotonicCondition mCondition;
    bool mReceived = false;
    int32_t mStatus = 0;
    std::string mBody;
};

}  // namespace zeqhttp
