// The queue that turns posted engine messages into handler calls on the connection's message thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <string>

#include "osal/Mutex.h"
#include "osal/Thread.h"

namespace zeqmcdn {

class EngineServiceContext;

struct Message {
    int32_t code = 0;
    std::string text;
};

// Thread safety: QueueMessage/DequeueMessage/ClearMessageQueue from any thread (one recursive mutex
// guards the FIFO). The handler runs only on "MessageOutputThr", one message at a time, in posting
// order. Destruction sets the stop flag and joins the thread; the thread looks at the flag only when
// the queue is empty, so everything queued before destruction is delivered first.
class MessageProcesser {
public:
    // Largest queue length kept before the oldest message is dropped.
    static constexpr size_t kCapacity = 1000;

    explicit MessageProcesser(EngineServiceContext* owner);
    virtual ~MessageProcesser();
    MessageProcesser(const MessageProcesser&) = delete;
    MessageProcesser& operator=(const MessageProcesser&) = delete;

    // Never blocks on delivery; drops the oldest message when the queue is over capacity.
    void QueueMessage(const Message* msg);
    // 0 with the oldest message moved out, -1 when empty.
    int DequeueMessage(Message* out);
    void ClearMessageQueue();
    size_t Size();

private:
    static void ThreadEntry(void* self);
    void Run();

    std::deque<Message> mQueue;  // guarded by mMutex
    osal::recursive_mutex mMutex;
    EngineServiceContext* mOwner;
    std::atomic<bool> mStop{false};
    osal::thread mThread;
};

}  // namespace zeqmcdn
