// db_*: the statistics database as the session's modules use it. Every helper returns quietly
// (or returns the default) when the manager or the handle is null.
#pragma once

#include <cstdint>
#include <string>

#include "store/DatabaseManager.h"

void db_create(NetBit::DatabaseManager* mgr, uint32_t id);
void db_delete(NetBit::DatabaseManager* mgr, uint32_t id);
// `bank`: true = state bank, false = counter bank. Null when the table does not exist (the bank
// is then left unlocked).
NetBit::DbTableHandle* db_lock(NetBit::DatabaseManager* mgr, uint32_t id, bool bank);
// Must run on the thread that called db_lock.
void db_unlock(NetBit::DatabaseManager* mgr, NetBit::DbTableHandle* handle);
std::string db_query(NetBit::DatabaseManager* mgr, NetBit::DbTableHandle* handle, const std::string& key,
                     const std::string& def);
void db_update(NetBit::DatabaseManager* mgr, NetBit::DbTableHandle* handle, const std::string& key,
               const std::string& value);
// State bank: the table loses every key. Counter bank: every value becomes "0".
void db_reset(NetBit::DatabaseManager* mgr, NetBit::DbTableHandle* handle);
// value = (stored value read as a base-10 integer, 0 when missing or not a number) + delta,
// stored with "%lld". Saturates at the int64 limits instead of overflowing.
void db_counter_inc(NetBit::DatabaseManager* mgr, NetBit::DbTableHandle* handle, const std::string& key,
                    int64_t delta);

namespace NetBit {

// db_lock/db_unlock for one scope: the table stays locked while the object lives.
class DbTableLock {
public:
    DbTableLock(DatabaseManager* mgr, uint32_t id, bool bank) : mMgr(mgr), mHandle(db_lock(mgr, id, bank)) {}
    ~DbTableLock() { db_unlock(mMgr, mHandle); }
    DbTableLock(const DbTableLock&) = delete;
    DbTableLock& operator=(const DbTableLock&) = delete;

    DbTableHandle* get() const { return mHandle; }
    explicit operator bool() const { return mHandle != nullptr; }

private:
    DatabaseManager* mMgr;
    DbTableHandle* mHandle;
};

}  // namespace NetBit
