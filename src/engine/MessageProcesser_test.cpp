// Engine messages: their text, the bounded queue, delivery order and drain-before-destroy.
#include "engine/MessageProcesser.h"

#include <gtest/gtest.h>
#include <sys/prctl.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <string>
#include <vector>

#include "engine/EngineService.h"
#include "engine/EngineServiceContext.h"
#include "osal/TestClock.h"

namespace zeqmcdn {
namespace {

class TestContext : public EngineServiceContext {
public:
    TestContext() : EngineServiceContext("test") {}
    void NotifyUnlock() override {}
};

// Records what the handler saw. The handler runs on the message thread.
struct Inbox {
    std::mutex m;
    std::vector<int> codes;
    std::vector<std::string> texts;
    std::vector<long long> lengths;
    std::string threadName;
    std::atomic<bool> hold{false};
    std::atomic<bool> holding{false};

    static int Handler(void* user, int code, void* text, long long length) {
        auto* self = static_cast<Inbox*>(user);
        while (self->hold.load()) {
            self->holding = true;
            osal_sleep_ms(1);
        }
        char name[16] = {};
        prctl(PR_GET_NAME, name, 0, 0, 0);
        std::lock_guard<std::mutex> guard(self->m);
        self->threadName = name;
        self->codes.push_back(code);
        self->texts.emplace_back(static_cast<const char*>(text));
        self->lengths.push_back(length);
        return 0;
    }
    size_t Count() {
        std::lock_guard<std::mutex> guard(m);
        return codes.size();
    }
    bool WaitFor(size_t n) {
        for (int i = 0; i < 5000 && Count() < n; ++i) osal_sleep_ms(1);
        return Count() >= n;
    }
};

TEST(EngineMessageText, FieldsAndLimits) {
    EXPECT_EQ(EngineService::FormatEngineMessage(121, 1700000000123LL, nullptr, 0, nullptr),
              "code=121,when=1700000000123,where=na,who=0,desc=\"\"");
    EXPECT_EQ(EngineService::FormatEngineMessage(20010, 5, "", -3, "code:404"),
              "code=20010,when=5,where=na,who=-3,desc=\"code:404\"");
    std::string where40(40, 'w');
    EXPECT_EQ(EngineService::FormatEngineMessage(1, 0, where40.c_str(), 7, "d"),
              "code=1,when=0,where=" + std::string(31, 'w') + ",who=7,desc=\"d\"");
    std::string longDesc(5000, 'x');
    std::string text = EngineService::FormatEngineMessage(1, 0, "w", 0, longDesc.c_str());
    EXPECT_EQ(text.size(), std::string("code=1,when=0,where=w,who=0,desc=\"\"").size() + 5000);
}

TEST(MessageThread, DeliversInOrderOnTheNamedThreadWithTheTick) {
    osal::SimulatedClock clock(1700000000000LL);
    Inbox inbox;
    TestContext ctx;
    ctx.SetMsgHandler(Inbox::Handler, &inbox);
    EXPECT_EQ(ctx.GetMsgParam(), &inbox);
    for (unsigned i = 0; i < 20; ++i) EngineService::PostEngineMessage(&ctx, 100 + i, "sess", i, "trace:x");
    ASSERT_TRUE(inbox.WaitFor(20));
    std::lock_guard<std::mutex> guard(inbox.m);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(inbox.codes[i], 100 + i);
    EXPECT_EQ(inbox.texts[0], "code=100,when=1700000000000,where=sess,who=0,desc=\"trace:x\"");
    EXPECT_EQ(inbox.lengths[0], static_cast<long long>(inbox.texts[0].size()) + 1);
    EXPECT_EQ(inbox.threadName, "MessageOutputTh");  // the kernel keeps 15 characters
}

TEST(MessageThread, ABlockedHandlerLeavesTheNewest1001Queued) {
    Inbox inbox;
    inbox.hold = true;
    {
        TestContext ctx;
        ctx.SetMsgHandler(Inbox::Handler, &inbox);
        EngineService::PostEngineMessage(&ctx, 1, nullptr, 0, nullptr);  // taken by the handler, which blocks
        while (!inbox.holding.load()) osal_sleep_ms(1);
        for (unsigned i = 0; i < 1002; ++i) EngineService::PostEngineMessage(&ctx, 1000 + i, nullptr, 0, nullptr);
        EXPECT_EQ(ctx.GetMessageProcesser()->Size(), 1001u);
        inbox.hold = false;
    }  // destruction delivers everything still queued
    std::lock_guard<std::mutex> guard(inbox.m);
    ASSERT_EQ(inbox.codes.size(), 1002u);
    EXPECT_EQ(inbox.codes[0], 1);
    EXPECT_EQ(inbox.codes[1], 1001);  // 1000 was the oldest queued and was dropped
    EXPECT_EQ(inbox.codes.back(), 2001);
}

TEST(MessageThread, MessagesPostedJustBeforeDestructionAreDelivered) {
    Inbox inbox;
    {
        TestContext ctx;
        ctx.SetMsgHandler(Inbox::Handler, &inbox);
        for (unsigned i = 0; i < 50; ++i) EngineService::PostEngineMessage(&ctx, i, nullptr, 0, nullptr);
    }
    EXPECT_EQ(inbox.Count(), 50u);
}

TEST(MessageThread, WithoutHandlerMessagesAreDropped) {
    Inbox inbox;
    TestContext ctx;
    EngineService::PostEngineMessage(&ctx, 1, nullptr, 0, nullptr);
    for (int i = 0; i < 1000 && ctx.GetMessageProcesser()->Size() > 0; ++i) osal_sleep_ms(1);
    EXPECT_EQ(ctx.GetMessageProcesser()->Size(), 0u);
    ctx.SetMsgHandler(Inbox::Handler, &inbox);
    EngineService::PostEngineMessage(&ctx, 2, nullptr, 0, nullptr);
    ASSERT_TRUE(inbox.WaitFor(1));
    std::lock_guard<std::mutex> guard(inbox.m);
    EXPECT_EQ(inbox.codes, (std::vector<int>{2}));
}

TEST(MessageThread, ManyPostersNeverBlockAndNothingIsLost) {
    Inbox inbox;
    {
        TestContext ctx;
        ctx.SetMsgHandler(Inbox::Handler, &inbox);
        std::vector<std::thread> posters;
        for (int t = 0; t < 4; ++t) {
            posters.emplace_back([&ctx, t] {
                for (int i = 0; i < 200; ++i) EngineService::PostEngineMessage(&ctx, t, "p", i, "x");
            });
        }
        for (auto& p : posters) p.join();
    }
    EXPECT_EQ(inbox.Count(), 800u);
}

TEST(MessageQueue, DequeueOnEmptyAndClear) {
    TestContext ctx;
    MessageProcesser* p = ctx.GetMessageProcesser();
    p->QueueMessage(nullptr);  // ignored
    Message out;
    // The thread may take it first; either way the queue empties.
    p->ClearMessageQueue();
    EXPECT_EQ(p->DequeueMessage(&out), -1);
}

}  // namespace
}  // namespace zeqmcdn
