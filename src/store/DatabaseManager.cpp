#include "store/DatabaseManager.h"

#include <new>

#include "osal/LLog.h"

namespace NetBit {

using BankLock = osal::lock_guard<osal::recursive_mutex>;

void DatabaseManager::CreateTablesFor(uint32_t id) {
    BankLock state(mStateBank.mutex);  // state bank before counter bank
    BankLock counter(mCounterBank.mutex);
    mStateBank.tables.emplace(id, DataDiction());
    mCounterBank.tables.emplace(id, DataDiction());
}

void DatabaseManager::DestroyTablesFor(uint32_t id) {
    BankLock state(mStateBank.mutex);
    BankLock counter(mCounterBank.mutex);
    mStateBank.tables.erase(id);
    mCounterBank.tables.erase(id);
}

DbTableHandle* DatabaseManager::LockTable(uint32_t id, bool state_bank) {
    Bank& bank = state_bank ? mStateBank : mCounterBank;
    bank.mutex.lock();
    if (bank.tables.count(id) == 0) {
        bank.mutex.unlock();
        return nullptr;
    }
    auto* handle = new (std::nothrow) DbTableHandle{this, id, state_bank, pthread_self()};
    if (handle == nullptr) bank.mutex.unlock();
    return handle;
}

void DatabaseManager::UnlockTable(DbTableHandle* handle) {
    Bank* bank = BankOf(handle);
    if (bank == nullptr) {
        if (handle != nullptr) VLOGE("DatabaseManager: handle %p of another manager refused", static_cast<void*>(handle));
        return;
    }
    if (!pthread_equal(handle->thread, pthread_self())) {
        VLOGE("DatabaseManager: table %u unlocked on a thread that did not lock it", handle->id);
        return;
    }
    delete handle;
    bank->mutex.unlock();
}

DatabaseManager::Bank* DatabaseManager::BankOf(const DbTableHandle* handle) {
    if (handle == nullptr || handle->owner != this) return nullptr;
    return handle->stateBank ? &mStateBank : &mCounterBank;
}

std::string DatabaseManager::Query(const DbTableHandle* handle, const std::string& key, const std::string& def) {
    Bank* bank = BankOf(handle);
    if (bank == nullptr) return def;
    BankLock lock(bank->mutex);
    auto it = bank->tables.find(handle->id);
    return it == bank->tables.end() ? def : it->second.Query(key, def);
}

void DatabaseManager::Update(const DbTableHandle* handle, const std::string& key, const std::string& value) {
    Bank* bank = BankOf(handle);
    if (bank == nullptr) return;
    BankLock lock(bank->mutex);
    auto it = bank->tables.find(handle->id);
    if (it != bank->tables.end()) it->second.Update(key, value);
}

void DatabaseManager::Reset(const DbTableHandle* handle) {
    Bank* bank = BankOf(handle);
    if (bank == nullptr) return;
    BankLock lock(bank->mutex);
    auto it = bank->tables.find(handle->id);
    if (it == bank->tables.end()) return;
    if (handle->stateBank) {
        it->second.Clear();
    } else {
        it->second.Reset();
    }
}

DataDiction* DatabaseManager::GetTable(const DbTableHandle* handle) {
    Bank* bank = BankOf(handle);
    if (bank == nullptr) return nullptr;
    BankLock lock(bank->mutex);
    auto it = bank->tables.find(handle->id);
    return it == bank->tables.end() ? nullptr : &it->second;
}

}  // namespace NetBit
