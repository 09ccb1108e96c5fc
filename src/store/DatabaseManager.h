// The statistics database of one session: two banks of numbered tables of key/value text.
#pragma once

#include <pthread.h>

#include <cstdint>
#include <map>
#include <string>

#include "osal/Mutex.h"
#include "store/DataDiction.h"

namespace NetBit {

class DatabaseManager;

// What LockTable hands out: the locked bank and the table id, until UnlockTable.
struct DbTableHandle {
    const DatabaseManager* owner;
    uint32_t id;
    bool stateBank;
    pthread_t thread;  // the thread that locked it, the only one that may unlock it
};

// Two banks, each an ordered map from table id to table with one recursive mutex for the whole
// bank: the state bank (`true`) describes the session and its users, the counter bank (`false`)
// holds the counters of the current profiling interval. Table 0 is the session's; other ids are
// user ids.
//
// Thread safety: a bank's mutex is held from LockTable to UnlockTable, which must run on the same
// thread; a thread may lock the same bank again. Lock order: a caller that holds both banks takes
// the state bank first, and so does every method here that touches both. Query, Update, Reset and
// GetTable take the handle's bank again (recursively), so they are safe on any handle this
// manager gave out that is still locked. Construction and destruction are the owner's, with no
// handle outstanding.
class DatabaseManager {
public:
    DatabaseManager() = default;
    virtual ~DatabaseManager() = default;
    DatabaseManager(const DatabaseManager&) = delete;
    DatabaseManager& operator=(const DatabaseManager&) = delete;

    // Table `id` in both banks; an existing table is left as it is.
    void CreateTablesFor(uint32_t id);
    // Table `id` of both banks is gone (a handle still naming it then reads defaults).
    void DestroyTablesFor(uint32_t id);

    // Locks the bank and returns a handle, or unlocks again and returns null when the table
    // does not exist.
    DbTableHandle* LockTable(uint32_t id, bool state_bank);
    // Unlocks the bank and releases the handle. A handle of another manager, or one presented by
    // a thread other than the one that locked it, is refused with an error line (and kept).
    void UnlockTable(DbTableHandle* handle);

    std::string Query(const DbTableHandle* handle, const std::string& key, const std::string& def);
    void Update(const DbTableHandle* handle, const std::string& key, const std::string& value);
    // State bank: every key of the table goes. Counter bank: every value becomes "0".
    void Reset(const DbTableHandle* handle);
    // The locked table itself (for reading it whole), valid until the handle is unlocked; null
    // when it no longer exists.
    DataDiction* GetTable(const DbTableHandle* handle);

private:
    struct Bank {
        osal::recursive_mutex mutex;
        std::map<uint32_t, DataDiction> tables;  // guarded by mutex
    };
    Bank* BankOf(const DbTableHandle* handle);  // null for a handle of another manager

    Bank mStateBank;
    Bank mCounterBank;
};

}  // namespace NetBit
