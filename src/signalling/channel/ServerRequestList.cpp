#include "signalling/channel/ServerRequestList.h"

namespace zeqmcdn {

bool ServerRequestList::Note(uint16_t msgId, int64_t now) {
    osal::lock_guard<osal::mutex> guard(mMutex);
    for (Record& r : mRecords) {
        if (r.msgId != msgId) continue;
        const bool stale = now - r.lastReceipt > kKeepMs;
        r.lastReceipt = now;
        return stale;
    }
    mRecords.push_back({msgId, now});
    return true;
}

bool ServerRequestList::ExpireOne(int64_t now) {
    osal::lock_guard<osal::mutex> guard(mMutex);
    for (auto it = mRecords.begin(); it != mRecords.end(); ++it) {
        if (now - it->lastReceipt > kKeepMs) {
            mRecords.erase(it);
            return true;
        }
    }
    return false;
}

size_t ServerRequestList::Size() const {
    osal::lock_guard<osal::mutex> guard(mMutex);
    return mRecords.size();
}

}  // namespace zeqmcdn
