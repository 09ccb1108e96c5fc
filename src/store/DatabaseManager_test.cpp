// The statistics database through the db_* helpers: tables in two banks, handles, counters,
// resets, and threads that lock both banks in the documented order.
#include "store/DatabaseManager.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "osal/Thread.h"
#include "store/db_helpers.h"
#include "vrio/osal.h"

namespace {

using NetBit::DatabaseManager;
using NetBit::DbTableHandle;
using NetBit::DbTableLock;

constexpr bool kState = true;
constexpr bool kCounter = false;

// Locks and unlocks one table on another thread; reports whether that finished within `wait_ms`
// (a bank left locked by this thread would hold it up).
struct OtherThreadLock {
    DatabaseManager* mgr;
    uint32_t id;
    bool bank;
    std::atomic<bool> done{false};
    bool found = false;
};

void LockOnOtherThread(void* arg) {
    osal::SetCurrentThreadName("TestDbLocker");
    auto* o = static_cast<OtherThreadLock*>(arg);
    DbTableHandle* h = db_lock(o->mgr, o->id, o->bank);
    o->found = h != nullptr;
    db_unlock(o->mgr, h);
    o->done = true;
}

bool LockableFromAnotherThread(DatabaseManager* mgr, uint32_t id, bool bank, bool* found) {
    OtherThreadLock o{mgr, id, bank};
    osal::thread t(LockOnOtherThread, &o);
    for (int i = 0; i < 2000 && !o.done.load(); ++i) osal_sleep_ms(1);
    if (!o.done.load()) {
        t.detach();  // stuck behind a lock this thread holds; the test has failed anyway
        return false;
    }
    t.join();
    if (found) *found = o.found;
    return true;
}

TEST(Database, LockOfAMissingTableIsNullAndLeavesTheBankUnlocked) {
    DatabaseManager mgr;
    db_create(&mgr, 0);
    for (bool bank : {kState, kCounter}) {
        EXPECT_EQ(db_lock(&mgr, 5, bank), nullptr);
        bool found = false;
        EXPECT_TRUE(LockableFromAnotherThread(&mgr, 0, bank, &found));
        EXPECT_TRUE(found);
    }
}

TEST(Database, TablesExistInBothBanksAndAreIndependent) {
    DatabaseManager mgr;
    db_create(&mgr, 3);
    {
        DbTableLock state(&mgr, 3, kState);
        DbTableLock counter(&mgr, 3, kCounter);
        ASSERT_TRUE(state);
        ASSERT_TRUE(counter);
        db_update(&mgr, state.get(), "k", "state-value");
        db_update(&mgr, counter.get(), "k", "5");
        EXPECT_EQ(db_query(&mgr, state.get(), "k", "d"), "state-value");
        EXPECT_EQ(db_query(&mgr, counter.get(), "k", "d"), "5");
        EXPECT_EQ(db_query(&mgr, state.get(), "other", "d"), "d");
    }
    db_create(&mgr, 3);  // creating again keeps what is there
    {
        DbTableLock state(&mgr, 3, kState);
        EXPECT_EQ(db_query(&mgr, state.get(), "k", "d"), "state-value");
    }
    db_delete(&mgr, 3);
    EXPECT_EQ(db_lock(&mgr, 3, kState), nullptr);
    EXPECT_EQ(db_lock(&mgr, 3, kCounter), nullptr);
}

TEST(Database, NullManagerOrHandleIsQuiet) {
    DatabaseManager mgr;
    db_create(nullptr, 0);
    db_delete(nullptr, 0);
    EXPECT_EQ(db_lock(nullptr, 0, kState), nullptr);
    db_unlock(nullptr, nullptr);
    db_unlock(&mgr, nullptr);
    EXPECT_EQ(db_query(nullptr, nullptr, "k", "d"), "d");
    EXPECT_EQ(db_query(&mgr, nullptr, "k", "d"), "d");
    db_update(&mgr, nullptr, "k", "v");
    db_reset(&mgr, nullptr);
    db_counter_inc(&mgr, nullptr, "k", 1);
}

TEST(Database, HandleOfADeletedTableReadsDefaults) {
    DatabaseManager mgr;
    db_create(&mgr, 1);
    DbTableHandle* h = db_lock(&mgr, 1, kState);
    ASSERT_NE(h, nullptr);
    db_update(&mgr, h, "k", "v");
    db_delete(&mgr, 1);  // same thread, recursive bank lock
    EXPECT_EQ(db_query(&mgr, h, "k", "d"), "d");
    db_update(&mgr, h, "k", "v");  // goes nowhere
    EXPECT_EQ(mgr.GetTable(h), nullptr);
    db_unlock(&mgr, h);
    bool found = true;
    EXPECT_TRUE(LockableFromAnotherThread(&mgr, 1, kState, &found));
    EXPECT_FALSE(found);
}

TEST(Database, CounterIncrementParsesTheStoredDecimal) {
    struct Case {
        const char* stored;  // nullptr: key missing
        int64_t delta;
        const char* expected;
    };
    const Case cases[] = {
        {nullptr, 3, "3"},
        {"abc", 1, "1"},
        {"", 4, "4"},
        {"12abc", 1, "13"},
        {"-5", 2, "-3"},
        {"10", -15, "-5"},
        {"9223372036854775807", 1, "9223372036854775807"},    // saturates instead of wrapping
        {"-9223372036854775808", -1, "-9223372036854775808"},
        {"99999999999999999999", 1, "9223372036854775807"},   // beyond int64 reads as the limit
    };
    DatabaseManager mgr;
    db_create(&mgr, 0);
    DbTableLock t(&mgr, 0, kCounter);
    ASSERT_TRUE(t);
    for (const Case& c : cases) {
        mgr.GetTable(t.get())->Clear();
        if (c.stored) db_update(&mgr, t.get(), "n", c.stored);
        db_counter_inc(&mgr, t.get(), "n", c.delta);
        EXPECT_EQ(db_query(&mgr, t.get(), "n", "missing"), c.expected) << (c.stored ? c.stored : "(missing)");
    }
}

TEST(Database, ResetZeroesCountersAndEmptiesStateTables) {
    DatabaseManager mgr;
    db_create(&mgr, 0);
    {
        DbTableLock counter(&mgr, 0, kCounter);
        db_counter_inc(&mgr, counter.get(), "video_received_frame_count", 30);
        db_update(&mgr, counter.get(), "bytes", "777");
        db_reset(&mgr, counter.get());
        EXPECT_EQ(db_query(&mgr, counter.get(), "video_received_frame_count", "d"), "0");
        EXPECT_EQ(db_query(&mgr, counter.get(), "bytes", "d"), "0");
        EXPECT_EQ(mgr.GetTable(counter.get())->GetAllKeys(), "bytes|video_received_frame_count");
    }
    {
        DbTableLock state(&mgr, 0, kState);
        db_update(&mgr, state.get(), "traceid", "t-1");
        db_reset(&mgr, state.get());
        EXPECT_EQ(db_query(&mgr, state.get(), "traceid", "none"), "none");
        EXPECT_EQ(mgr.GetTable(state.get())->Size(), 0u);
    }
}

TEST(Database, ForeignHandlesAreRefused) {
    DatabaseManager a, b;
    db_create(&a, 0);
    db_create(&b, 0);
    DbTableHandle* h = db_lock(&a, 0, kState);
    ASSERT_NE(h, nullptr);
    db_update(&a, h, "k", "v");
    EXPECT_EQ(db_query(&b, h, "k", "d"), "d");  // b does not read a's table through a's handle
    db_update(&b, h, "k", "w");
    db_unlock(&b, h);                          // refused: h stays valid
    EXPECT_EQ(db_query(&a, h, "k", "d"), "v");
    db_unlock(&a, h);
}

struct ForeignUnlock {
    DatabaseManager* mgr;
    DbTableHandle* handle;
};

void UnlockOnWrongThread(void* arg) {
    osal::SetCurrentThreadName("TestDbWrongThr");
    auto* f = static_cast<ForeignUnlock*>(arg);
    db_unlock(f->mgr, f->handle);
}

TEST(Database, UnlockOnAnotherThreadIsRefusedAndTheHandleStaysUsable) {
    DatabaseManager mgr;
    db_create(&mgr, 0);
    DbTableHandle* h = db_lock(&mgr, 0, kCounter);
    ASSERT_NE(h, nullptr);
    ForeignUnlock f{&mgr, h};
    osal::thread t(UnlockOnWrongThread, &f);
    t.join();
    db_counter_inc(&mgr, h, "n", 1);
    EXPECT_EQ(db_query(&mgr, h, "n", "d"), "1");
    db_unlock(&mgr, h);
    EXPECT_TRUE(LockableFromAnotherThread(&mgr, 0, kCounter, nullptr));
}

// Workers of one session: participants that hold both banks of their table (state first), the
// profiling that walks table 0 and resets counters, and participants coming and going (which
// creates and deletes tables in both banks). Increments must not get lost, and no two paths may
// take the banks in opposite orders.
constexpr int kWorkers = 3;
constexpr int kRounds = 1500;

struct Session {
    DatabaseManager mgr;
    std::atomic<bool> stop{false};
    std::atomic<int> churned{0};
};

struct Worker {
    Session* session;
    uint32_t uid;
};

void ParticipantWorker(void* arg) {
    osal::SetCurrentThreadName("TestDbWorker");
    auto* w = static_cast<Worker*>(arg);
    DatabaseManager* mgr = &w->session->mgr;
    for (int i = 0; i < kRounds; ++i) {
        DbTableHandle* state = db_lock(mgr, w->uid, kState);
        DbTableHandle* counter = db_lock(mgr, w->uid, kCounter);
        db_update(mgr, state, "last_round", std::to_string(i));
        db_counter_inc(mgr, counter, "rounds", 1);
        db_unlock(mgr, counter);
        db_unlock(mgr, state);

        // The shared table 0, counter bank only: every worker adds to the same key.
        DbTableLock shared(mgr, 0, kCounter);
        db_counter_inc(mgr, shared.get(), "total", 1);
    }
}

void ChurnWorker(void* arg) {
    osal::SetCurrentThreadName("TestDbChurn");
    auto* s = static_cast<Session*>(arg);
    while (!s->stop.load()) {
        db_create(&s->mgr, 77);
        {
            DbTableLock state(&s->mgr, 77, kState);  // create while holding the state bank
            db_create(&s->mgr, 78);
            db_update(&s->mgr, state.get(), "k", "v");
        }
        {
            DbTableLock t0(&s->mgr, 0, kState);
            std::string dump = s->mgr.GetTable(t0.get()) ? s->mgr.GetTable(t0.get())->ToString() : "";
            (void)dump;
        }
        db_delete(&s->mgr, 78);
        db_delete(&s->mgr, 77);
        s->churned.fetch_add(1);
    }
}

TEST(DatabaseThreads, BothBanksUnderLoadLoseNoIncrements) {
    Session session;
    db_create(&session.mgr, 0);
    std::vector<Worker> workers;
    for (int i = 0; i < kWorkers; ++i) {
        workers.push_back(Worker{&session, static_cast<uint32_t>(i + 1)});
        db_create(&session.mgr, workers.back().uid);
    }
    osal::thread churn(ChurnWorker, &session);
    std::vector<osal::thread> threads;
    for (auto& w : workers) threads.emplace_back(ParticipantWorker, &w);
    for (auto& t : threads) t.join();
    session.stop = true;
    churn.join();
    EXPECT_GT(session.churned.load(), 0);

    for (const auto& w : workers) {
        DbTableLock state(&session.mgr, w.uid, kState);
        DbTableLock counter(&session.mgr, w.uid, kCounter);
        EXPECT_EQ(db_query(&session.mgr, state.get(), "last_round", ""), std::to_string(kRounds - 1));
        EXPECT_EQ(db_query(&session.mgr, counter.get(), "rounds", ""), std::to_string(kRounds));
    }
    DbTableLock shared(&session.mgr, 0, kCounter);
    EXPECT_EQ(db_query(&session.mgr, shared.get(), "total", ""), std::to_string(kWorkers * kRounds));
}

}  // namespace
