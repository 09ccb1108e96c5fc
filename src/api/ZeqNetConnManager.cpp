#include "api/ZeqNetConnManager.h"

namespace zeqnet {

ZeqNetConnManager& ZeqNetConnManager::Get() {
    static ZeqNetConnManager instance;
    return instance;
}

void ZeqNetConnManager::Add(zeq_net_conn* handle) {
    osal::lock_guard<osal::mutex> guard(mMutex);
    mHandles.insert(handle);
}

bool ZeqNetConnManager::Contains(const zeq_net_conn* handle) {
    if (!handle) return false;
    osal::lock_guard<osal::mutex> guard(mMutex);
    return mHandles.count(handle) != 0;
}

bool ZeqNetConnManager::Remove(zeq_net_conn* handle) {
    osal::lock_guard<osal::mutex> guard(mMutex);
    return mHandles.erase(handle) != 0;
}

size_t ZeqNetConnManager::Size() {
    osal::lock_guard<osal::mutex> guard(mMutex);
    return mHandles.size();
}

}  // namespace zeqnet
