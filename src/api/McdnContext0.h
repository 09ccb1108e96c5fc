// The part of the session context that keeps the per-user output state, keyed by user id.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>

#include "api/UserMediaData.h"
#include "engine/EngineServiceContext.h"
#include "osal/Mutex.h"

namespace zeqmcdn {

// Thread safety: the user map and every UserMediaData reached through it are guarded by the user
// lock (recursive: a caller holding a user may ask for another). The high-interleave-delay flag is
// atomic: set by Start on a player thread, read when a user is created.
class McdnContext0 : public EngineServiceContext {
public:
    explicit McdnContext0(const char* name) : EngineServiceContext(name) {}
    ~McdnContext0() override;

    // The user's data with the user lock held; with `create`, made on first use. NULL (lock
    // released) when absent and `create` is false.
    UserMediaData* LockUser(uint32_t uid, bool create);
    void UnlockUser(UserMediaData* user);

    // The user id at position n (modulo the user count) in ascending order; 0 without users.
    uint32_t GetUidOfNthUser(uint32_t n);
    void RemoveUserMediaData(uint32_t uid);
    void RemoveAllUserMediaData();
    size_t UserMediaCount();

    void SetHighInterleaveDelay(bool on) { mHighInterleaveDelay.store(on, std::memory_order_relaxed); }

private:
    std::map<uint32_t, std::unique_ptr<UserMediaData>> mUsers;  // guarded by mUserLock
    osal::recursive_mutex mUserLock;
    std::atomic<bool> mHighInterleaveDelay{true};
};

}  // namespace zeqmcdn
