#include "store/db_helpers.h"

#include <cstdio>
#include <cstdlib>

void db_create(NetBit::DatabaseManager* mgr, uint32_t id) {
    if (mgr) mgr->CreateTablesFor(id);
}

void db_delete(NetBit::DatabaseManager* mgr, uint32_t id) {
    if (mgr) mgr->DestroyTablesFor(id);
}

NetBit::DbTableHandle* db_lock(NetBit::DatabaseManager* mgr, uint32_t id, bool bank) {
    return mgr ? mgr->LockTable(id, bank) : nullptr;
}

void db_unlock(NetBit::DatabaseManager* mgr, NetBit::DbTableHandle* handle) {
    if (mgr && handle) mgr->UnlockTable(handle);
}

std::string db_query(NetBit::DatabaseManager* mgr, NetBit::DbTableHandle* handle, const std::string& key,
                     const std::string& def) {
    if (!mgr || !handle) return def;
    return mgr->Query(handle, key, def);
}

void db_update(NetBit::DatabaseManager* mgr, NetBit::DbTableHandle* handle, const std::string& key,
               const std::string& value) {
    if (mgr && handle) mgr->Update(handle, key, value);
}

void db_reset(NetBit::DatabaseManager* mgr, NetBit::DbTableHandle* handle) {
    if (mgr && handle) mgr->Reset(handle);
}

void db_counter_inc(NetBit::DatabaseManager* mgr, NetBit::DbTableHandle* handle, const std::string& key,
                    int64_t delta) {
    if (!mgr || !handle) return;
    // The caller holds the table's bank, so this read-modify-write cannot interleave with another
    // locked caller; the lock taken inside Query/Update is the same recursive one again.
    std::string text = mgr->Query(handle, key, "0");
    long long current = std::strtoll(text.c_str(), nullptr, 10);  // stops at the first non-digit
    long long next = 0;
    if (__builtin_add_overflow(current, static_cast<long long>(delta), &next)) {
        next = delta > 0 ? INT64_MAX : INT64_MIN;
    }
    char buf[32];
    std::snprintf(buf, sizeof(buf), "%lld", next);
    mgr->Update(handle, key, buf);
}
