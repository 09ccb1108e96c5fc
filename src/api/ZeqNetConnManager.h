// The registry of live connection handles.
#pragma once

#include <unordered_set>

#include "api/ConnHandle.h"
#include "osal/Mutex.h"

namespace zeqnet {

// Process singleton. Thread safety: each add, find and remove holds the set's lock; a found handle
// stays valid only as long as the player does not destroy it concurrently.
class ZeqNetConnManager {
public:
    static ZeqNetConnManager& Get();

    void Add(zeq_net_conn* handle);
    bool Contains(const zeq_net_conn* handle);
    bool Remove(zeq_net_conn* handle);  // false when it was not registered
    size_t Size();

private:
    ZeqNetConnManager() = default;
    osal::mutex mMutex;
    std::unordered_set<const zeq_net_conn*> mHandles;  // guarded by mMutex
};

}  // namespace zeqnet
