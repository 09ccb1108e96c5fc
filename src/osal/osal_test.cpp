// The OS layer's C face: heap, locks, conditions, sleeps, clock and random numbers.
#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "osal/TestClock.h"
#include "osal/Thread.h"
#include "vrio/osal.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

int64_t ElapsedMs(SteadyClock::time_point since) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - since).count();
}

TEST(OsalHeap, ZeroSizeAndNullAreHarmless) {
    EXPECT_EQ(osal_malloc(0), nullptr);
    EXPECT_EQ(osal_malloc(-5), nullptr);
    osal_free(nullptr);
    void* p = osal_malloc(16);
    ASSERT_NE(p, nullptr);
    osal_free(p);
}

TEST(OsalLock, NullLockSucceedsButCannotBeTried) {
    EXPECT_EQ(osal_lock(nullptr), 0);
    EXPECT_EQ(osal_unlock(nullptr), 0);
    EXPECT_EQ(osal_trylock(nullptr), -1);
    osal_delete_lock(nullptr);
}

TEST(OsalLock, RecursiveLockReentersPlainLockDoesNot) {
    osal_lock_tag* rec = osal_create_lock(1);
    ASSERT_NE(rec, nullptr);
    EXPECT_EQ(osal_lock(rec), 0);
    EXPECT_EQ(osal_trylock(rec), 0);
    EXPECT_EQ(osal_unlock(rec), 0);
    EXPECT_EQ(osal_unlock(rec), 0);
    osal_delete_lock(rec);

    osal_lock_tag* plain = osal_create_lock(0);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(osal_lock(plain), 0);
    EXPECT_NE(osal_trylock(plain), 0);  // EBUSY
    EXPECT_EQ(osal_unlock(plain), 0);
    osal_delete_lock(plain);
}

TEST(OsalLock, ThreadsafeCreationRaceMakesExactlyOneLock) {
    for (int round = 0; round < 20; ++round) {
        osal_lock_tag* shared = nullptr;
        std::atomic<bool> go{false};
        std::vector<osal_lock_tag*> seen(8, nullptr);
        std::vector<std::thread> threads;
        for (int i = 0; i < 8; ++i) {
            threads.emplace_back([&, i] {
                while (!go.load()) {
                }
                EXPECT_EQ(osal_create_lock_threadsafe(0, &shared), 0);
                osal_lock_tag* mine = nullptr;
                osal_create_lock_threadsafe(0, &mine);  // keep contention on the guard
                delete_lock_threadsafe(&mine);
                EXPECT_EQ(mine, nullptr);
            });
        }
        go = true;
        for (auto& t : threads) t.join();
        ASSERT_NE(shared, nullptr);
        osal_lock_tag* first = shared;
        EXPECT_EQ(osal_create_lock_threadsafe(0, &shared), 0);
        EXPECT_EQ(shared, first);  // an existing lock is kept
        EXPECT_EQ(delete_lock_threadsafe(&shared), 0);
        EXPECT_EQ(shared, nullptr);
        EXPECT_EQ(delete_lock_threadsafe(&shared), 0);
    }
}

TEST(OsalCond, IntervalWaitTimesOutWith110) {
    osal_cond_t* cond = osal_cond_create(nullptr);
    osal_lock_tag* lock = osal_create_lock(0);
    osal_lock(lock);
    auto start = SteadyClock::now();
    EXPECT_EQ(osal_cond_timedwait_interval(cond, lock, 30), 110);
    EXPECT_GE(ElapsedMs(start), 25);
    osal_unlock(lock);
    EXPECT_EQ(osal_cond_destroy(cond), 0);
    osal_delete_lock(lock);
}

TEST(OsalCond, NullArgumentsAreRefusedNotCrashed) {
    osal_lock_tag* lock = osal_create_lock(0);
    osal_cond_t* cond = osal_cond_create(nullptr);
    EXPECT_NE(osal_cond_wait(cond, nullptr), 0);
    EXPECT_NE(osal_cond_wait(nullptr, lock), 0);
    EXPECT_NE(osal_cond_timedwait_interval(cond, nullptr, 1), 0);
    EXPECT_NE(osal_cond_signal(nullptr), 0);
    EXPECT_EQ(osal_cond_pred_timedwait_interval(nullptr, lock, 1, nullptr, nullptr), 1);
    osal_cond_destroy(cond);
    osal_delete_lock(lock);
}

struct PredState {
    int answer = 1;
    int calls = 0;
};
osal_bool_t CountingPred(void* arg) {
    auto* s = static_cast<PredState*>(arg);
    ++s->calls;
    return s->answer;
}

TEST(OsalCondPred, PredicateResultDecidesWithoutWaiting) {
    osal_cond_pred_t* cond = osal_cond_pred_create(nullptr);
    osal_lock_tag* lock = osal_create_lock(0);
    osal_lock(lock);
    struct Case {
        int answer;
        int interval;
        int expect;
    } cases[] = {
        {0, 5000, 0},  // done on entry: no wait at all
        {2, 5000, 0},  // any value other than 1 ends the wait as success
        {1, 0, 1},     // keeps waiting, zero interval: one wait with a deadline of now
    };
    for (const Case& c : cases) {
        PredState s;
        s.answer = c.answer;
        auto start = SteadyClock::now();
        EXPECT_EQ(osal_cond_pred_timedwait_interval(cond, lock, c.interval, CountingPred, &s), c.expect);
        EXPECT_LT(ElapsedMs(start), 1000);
        EXPECT_EQ(s.calls, 1);
    }
    osal_unlock(lock);
    osal_cond_pred_destroy(cond);
    osal_delete_lock(lock);
}

struct Queue {
    osal_lock_tag* lock = osal_create_lock(0);
    osal_cond_pred_t* cond = osal_cond_pred_create(nullptr);
    int items = 0;  // guarded by lock
    ~Queue() {
        osal_cond_pred_destroy(cond);
        osal_delete_lock(lock);
    }
};
osal_bool_t QueueEmpty(void* arg) { return static_cast<Queue*>(arg)->items == 0 ? 1 : 0; }

TEST(OsalCondPred, SignalledProducerEndsTheWait) {
    Queue q;
    std::thread producer([&] {
        osal_sleep_ms(20);
        osal_lock(q.lock);
        q.items = 1;
        osal_cond_pred_signal(q.cond);
        osal_unlock(q.lock);
    });
    osal_lock(q.lock);
    auto start = SteadyClock::now();
    EXPECT_EQ(osal_cond_pred_timedwait_interval(q.cond, q.lock, 5000, QueueEmpty, &q), 0);
    EXPECT_LT(ElapsedMs(start), 4000);
    osal_unlock(q.lock);
    producer.join();
}

TEST(OsalCondPred, IntervalRunsOutWhileStillEmpty) {
    Queue q;
    osal_lock(q.lock);
    auto start = SteadyClock::now();
    EXPECT_EQ(osal_cond_pred_timedwait_interval(q.cond, q.lock, 40, QueueEmpty, &q), 1);
    EXPECT_GE(ElapsedMs(start), 35);
    osal_unlock(q.lock);
}

TEST(OsalCondSafe, EarlySignalIsConsumedOnce) {
    osal_cond_safe_t* cond = osal_cond_safe_create(nullptr);
    osal_lock_tag* lock = osal_create_lock(0);
    osal_cond_safe_signal(cond);  // nobody waits yet
    osal_lock(lock);
    auto start = SteadyClock::now();
    EXPECT_EQ(osal_cond_safe_timedwait_interval(cond, lock, 5000), 0);
    EXPECT_LT(ElapsedMs(start), 1000);
    EXPECT_EQ(osal_cond_safe_timedwait_interval(cond, lock, 20), 110);  // the signal was consumed
    osal_unlock(lock);
    osal_cond_safe_destroy(cond);
    osal_delete_lock(lock);
}

TEST(OsalCondSafe, SignalFromAnotherThreadWakesTheWaiter) {
    osal_cond_safe_t* cond = osal_cond_safe_create(nullptr);
    osal_lock_tag* lock = osal_create_lock(0);
    std::atomic<bool> waiting{false};
    std::thread signaller([&] {
        while (!waiting.load()) osal_sleep_ms(1);
        osal_sleep_ms(10);
        osal_lock(lock);
        osal_cond_safe_signal(cond);
        osal_unlock(lock);
    });
    osal_lock(lock);
    waiting = true;
    EXPECT_EQ(osal_cond_safe_timedwait_interval(cond, lock, 5000), 0);
    osal_unlock(lock);
    signaller.join();
    osal_cond_safe_destroy(cond);
    osal_delete_lock(lock);
}

std::atomic<int> gSignals{0};
void CountSignal(int) { gSignals.fetch_add(1); }

TEST(OsalSleep, SignalsDoNotShortenTheSleep) {
    struct sigaction sa {};
    sa.sa_handler = CountSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;  // no SA_RESTART: nanosleep really is interrupted
    struct sigaction old {};
    ASSERT_EQ(sigaction(SIGUSR1, &sa, &old), 0);

    std::atomic<bool> done{false};
    std::atomic<int64_t> slept{0};
    std::atomic<pthread_t> sleeper_id{};
    std::atomic<bool> started{false};
    std::thread sleeper([&] {
        sleeper_id = pthread_self();
        started = true;
        auto start = SteadyClock::now();
        osal_sleep_ms(300);
        slept = ElapsedMs(start);
        done = true;
    });
    while (!started.load()) std::this_thread::yield();
    int sent = 0;
    while (!done.load() && sent < 20) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!done.load()) {
            pthread_kill(sleeper_id.load(), SIGUSR1);
            ++sent;
        }
    }
    sleeper.join();
    sigaction(SIGUSR1, &old, nullptr);
    EXPECT_GT(gSignals.load(), 0);
    EXPECT_GE(slept.load(), 299);
}

TEST(OsalTime, RelativeClockIsFortyTwoHoursAhead) {
    osal::SimulatedClock clock(1000);
    EXPECT_EQ(osal_get_time_ms(), 1000);
    EXPECT_EQ(osal_get_relative_time_ms(), 1000 + 42LL * 3600 * 1000);
    clock.Advance(250);
    EXPECT_EQ(osal_get_time_ms(), 1250);
}

TEST(OsalTime, SystemClockIsEpochMillisecondsAndReturnsAfterSubstitution) {
    {
        osal::SimulatedClock clock(5);
        EXPECT_EQ(osal_get_time_ms(), 5);
    }
    int64_t now = osal_get_time_ms();
    int64_t sys = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::system_clock::now().time_since_epoch()).count();
    EXPECT_LT(std::llabs(now - sys), 1000);
}

TEST(OsalTime, WaitsKeepTheRealClockUnderASimulatedOne) {
    osal::SimulatedClock clock(0);  // a deadline from this clock would be decades in the past
    osal_cond_t* cond = osal_cond_create(nullptr);
    osal_lock_tag* lock = osal_create_lock(0);
    osal_lock(lock);
    auto start = SteadyClock::now();
    EXPECT_EQ(osal_cond_timedwait_interval(cond, lock, 30), 110);
    EXPECT_GE(ElapsedMs(start), 25);
    osal_unlock(lock);
    osal_cond_destroy(cond);
    osal_delete_lock(lock);
}

TEST(OsalRand, FifteenBitsAndTwoHalvesOfRand64) {
    osal_srand(12345);
    for (int i = 0; i < 2000; ++i) {
        int r = osal_rand();
        EXPECT_GE(r, 0);
        EXPECT_LE(r, 0x7fff);
        int64_t r64 = osal_rand64();
        EXPECT_EQ(r64 & ~int64_t{0x00007fff00007fff}, 0) << std::hex << r64;
    }
    osal_srand(7);
    int a = osal_rand();
    osal_srand(7);
    EXPECT_EQ(osal_rand(), a);
}

}  // namespace
