#include "api/McdnContext0.h"

#include <iterator>

#include "vrio/osal.h"

namespace zeqmcdn {

McdnContext0::~McdnContext0() { RemoveAllUserMediaData(); }

UserMediaData* McdnContext0::LockUser(uint32_t uid, bool create) {
    mUserLock.lock();
    auto it = mUsers.find(uid);
    if (it != mUsers.end()) return it->second.get();
    if (!create) {
        mUserLock.unlock();
        return nullptr;
    }
    auto user = std::make_unique<UserMediaData>(uid, mHighInterleaveDelay.load(std::memory_order_relaxed), osal_get_time_ms());
    UserMediaData* raw = user.get();
    mUsers.emplace(uid, std::move(user));
    return raw;
}

void McdnContext0::UnlockUser(UserMediaData* user) {
    if (user) mUserLock.unlock();
}

uint32_t McdnContext0::GetUidOfNthUser(uint32_t n) {
    osal::lock_guard<osal::recursive_mutex> guard(mUserLock);
    if (mUsers.empty()) return 0;
    auto it = mUsers.begin();
    std::advance(it, n % mUsers.size());
    return it->first;
}

void McdnContext0::RemoveUserMediaData(uint32_t uid) {
    osal::lock_guard<osal::recursive_mutex> guard(mUserLock);
    mUsers.erase(uid);
}

void McdnContext0::RemoveAllUserMediaData() {
    osal::lock_guard<osal::recursive_mutex> guard(mUserLock);
    mUsers.clear();
}

size_t McdnContext0::UserMediaCount() {
    osal::lock_guard<osal::recursive_mutex> guard(mUserLock);
    return mUsers.size();
}

}  // namespace zeqmcdn
