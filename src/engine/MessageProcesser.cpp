#include "engine/MessageProcesser.h"

#include "engine/EngineServiceContext.h"
#include "osal/LLog.h"

namespace zeqmcdn {

namespace {
// Idle poll of the message thread: bounds the delivery latency of a message to about this.
constexpr int kIdlePollMs = 3;
}  // namespace

MessageProcesser::MessageProcesser(EngineServiceContext* owner) : mOwner(owner) {
    mThread = osal::thread(ThreadEntry, this);
}

MessageProcesser::~MessageProcesser() {
    mStop.store(true, std::memory_order_release);
    mThread.join();
    ClearMessageQueue();
}

void MessageProcesser::QueueMessage(const Message* msg) {
    if (!msg) return;
    osal::lock_guard<osal::recursive_mutex> guard(mMutex);
    if (mQueue.size() > kCapacity) mQueue.pop_front();
    mQueue.push_back(*msg);
}

int MessageProcesser::DequeueMessage(Message* out) {
    osal::lock_guard<osal::recursive_mutex> guard(mMutex);
    if (mQueue.empty()) return -1;
    *out = std::move(mQueue.front());
    mQueue.pop_front();
    return 0;
}

void MessageProcesser::ClearMessageQueue() {
    Message drop;
    while (DequeueMessage(&drop) == 0) {
    }
}

size_t MessageProcesser::Size() {
    osal::lock_guard<osal::recursive_mutex> guard(mMutex);
    return mQueue.size();
}

void MessageProcesser::ThreadEntry(void* self) { static_cast<MessageProcesser*>(self)->Run(); }

void MessageProcesser::Run() {
    osal::SetCurrentThreadName("MessageOutputThr");
    Message msg;
    for (;;) {
        // The stop flag is read before the queue: when it was already set and the queue is empty,
        // everything posted before the processor's destruction has been delivered. (Testing the
        // flag after the idle sleep instead would lose what was posted during that sleep.)
        const bool stopping = mStop.load(std::memory_order_acquire);
        if (DequeueMessage(&msg) != 0) {
            if (stopping) return;
            osal_sleep_ms(kIdlePollMs);
            continue;
        }
        EngineServiceContext::MsgHandler handler = nullptr;
        void* user = nullptr;
        mOwner->GetMsgHandler(&handler, &user);
        if (!handler) continue;
        const long long length = static_cast<long long>(msg.text.size()) + 1;
        VLOGI("msg: %s, len: %lld\n", msg.text.c_str(), length);
        handler(user, msg.code, &msg.text[0], length);
    }
}

}  // namespace zeqmcdn
