// osal::thread: start, join, detach, moves, misuse reporting; and the class wrappers.
#include "osal/Thread.h"

#include <gtest/gtest.h>
#include <sys/prctl.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "osal/ConditionVariable.h"
#include "osal/Mutex.h"
#include "vrio/osal.h"

namespace {

struct Gate {
    std::atomic<bool> open{false};
    std::atomic<bool> ran{false};
    std::atomic<bool> finished{false};
    char name[16] = {};
};

void WaitAtGate(void* arg) {
    auto* g = static_cast<Gate*>(arg);
    osal::SetCurrentThreadName("GateWorkerThread");
    prctl(PR_GET_NAME, g->name, 0, 0, 0);
    g->ran = true;
    while (!g->open.load()) osal_sleep_ms(1);
    g->finished = true;
}

TEST(OsalThread, StartsNamesAndJoins) {
    Gate g;
    g.open = true;
    osal::thread t(WaitAtGate, &g);
    EXPECT_TRUE(t.joinable());
    EXPECT_EQ(t.join(), 0);
    EXPECT_FALSE(t.joinable());
    EXPECT_TRUE(g.finished.load());
    EXPECT_STREQ(g.name, "GateWorkerThrea");  // the kernel keeps 15 characters
    EXPECT_EQ(t.join(), 0);                    // nothing attached: no-op
    EXPECT_EQ(t.detach(), 0);
}

TEST(OsalThread, DefaultObjectIsEmpty) {
    osal::thread t;
    EXPECT_FALSE(t.joinable());
    EXPECT_EQ(t.join(), 0);
}

TEST(OsalThread, MoveConstructionTransfersTheThread) {
    Gate g;
    osal::thread a(WaitAtGate, &g);
    osal::thread b(std::move(a));
    EXPECT_FALSE(a.joinable());  // moved-from
    EXPECT_EQ(a.join(), 0);
    EXPECT_TRUE(b.joinable());
    g.open = true;
    EXPECT_EQ(b.join(), 0);
}

TEST(OsalThread, MoveAssignIntoJoinableWaitsForItsThread) {
    Gate first, second;
    osal::thread worker(WaitAtGate, &first);
    while (!first.ran.load()) osal_sleep_ms(1);
    std::thread opener([&] {
        osal_sleep_ms(50);
        first.open = true;
    });
    auto start = std::chrono::steady_clock::now();
    worker = osal::thread(WaitAtGate, &second);  // how owners start their worker
    auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(first.finished.load());  // the old thread ended before the assignment returned
    EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(waited).count(), 40);
    EXPECT_TRUE(worker.joinable());
    second.open = true;
    worker.join();
    opener.join();

    osal::thread& self = worker;
    worker = std::move(self);  // self-assignment does nothing
    EXPECT_FALSE(worker.joinable());
}

TEST(OsalThread, DetachLeavesTheThreadRunning) {
    auto* g = new Gate;
    {
        osal::thread t(WaitAtGate, g);
        EXPECT_EQ(t.detach(), 0);
        EXPECT_FALSE(t.joinable());
    }
    g->open = true;
    while (!g->finished.load()) osal_sleep_ms(1);
    osal_sleep_ms(5);  // the thread's last store is done; give it time to return
    delete g;
}

TEST(OsalThread, DestroyingAJoinableThreadReportsAndKeepsItRunning) {
    static Gate g;  // outlives the abandoned thread
    testing::internal::CaptureStderr();
    {
        osal::thread t(WaitAtGate, &g);
        while (!g.ran.load()) osal_sleep_ms(1);
    }
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("ASSERT FAIL Release:"), std::string::npos) << err;
    EXPECT_FALSE(g.finished.load());
    g.open = true;
    while (!g.finished.load()) osal_sleep_ms(1);
}

TEST(OsalThread, MisuseIsReportedNotFatal) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(osal_thread_create(nullptr, nullptr, nullptr), -1);
    osal_thread_t rec{reinterpret_cast<osal_thread_handle*>(1), nullptr};
    EXPECT_EQ(osal_thread_create(&rec, nullptr, nullptr), -1);
    EXPECT_EQ(rec.handle, nullptr);
    {
        osal::thread t(nullptr, nullptr);  // the wrapper reports both missing pieces
        t.join();
    }
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("ASSERT FAIL osal_thread_create:"), std::string::npos) << err;
    EXPECT_NE(err.find("ASSERT FAIL callback_wrapper:"), std::string::npos) << err;
}

TEST(OsalThread, CFunctionsJoinAndDetach) {
    osal_thread_t rec{nullptr, nullptr};
    static std::atomic<int> runs{0};
    auto fn = [](void*) -> void* {
        runs.fetch_add(1);
        return reinterpret_cast<void*>(42);
    };
    ASSERT_EQ(osal_thread_create(&rec, fn, nullptr), 0);
    void* result = nullptr;
    EXPECT_EQ(osal_thread_join(rec.handle, &result), 0);
    EXPECT_EQ(result, reinterpret_cast<void*>(42));
    ASSERT_EQ(osal_thread_create(&rec, fn, nullptr), 0);
    EXPECT_EQ(osal_thread_detach(rec.handle), 0);
    while (runs.load() < 2) osal_sleep_ms(1);
}

struct Mailbox {
    osal::mutex m;
    osal::condition_variable cv;
    int value = 0;  // guarded by m
};
osal_bool_t MailboxEmpty(void* arg) { return static_cast<Mailbox*>(arg)->value == 0 ? 1 : 0; }

TEST(OsalConditionVariable, WaitForSeesTheNotifiedValue) {
    Mailbox box;
    std::thread poster([&] {
        osal_sleep_ms(10);
        osal::lock_guard<osal::mutex> guard(box.m);
        box.value = 7;
        box.cv.notify_one();
    });
    box.m.lock();
    EXPECT_TRUE(box.cv.wait_for(&box.m, 5000, MailboxEmpty, &box));
    EXPECT_EQ(box.value, 7);
    box.value = 0;
    EXPECT_FALSE(box.cv.wait_for(&box.m, 10, MailboxEmpty, &box));
    box.m.unlock();
    poster.join();
}

TEST(OsalMutex, RecursiveMutexReenters) {
    osal::recursive_mutex m;
    m.lock();
    m.lock();
    m.unlock();
    m.unlock();
    osal::mutex plain;
    ASSERT_NE(plain.get_native_handler(), nullptr);
    plain.lock();
    EXPECT_NE(osal_trylock(plain.get_native_handler()), 0);
    plain.unlock();
}

}  // namespace
