#include "signalling/channel/RetransmissionList.h"

#include <cstring>

namespace zeqmcdn {

void RetransmissionList::Add(uint16_t msgId, int64_t now, int32_t maxSends, int32_t interval,
                             const uint8_t* datagram, size_t len) {
    if (!datagram || len == 0 || maxSends < 1) return;
    Record r;
    r.msgId = msgId;
    r.firstSendTime = now;
    r.sendCount = 1;
    r.maxSends = maxSends;
    r.interval = interval;
    r.datagram.reset(new uint8_t[len]);
    std::memcpy(r.datagram.get(), datagram, len);
    r.length = len;
    osal::lock_guard<osal::mutex> guard(mMutex);
    mRecords.push_back(std::move(r));
}

void RetransmissionList::StopRetry(uint16_t msgId) {
    osal::lock_guard<osal::mutex> guard(mMutex);
    for (Record& r : mRecords)
        if (r.msgId == msgId) r.maxSends = 1;
}

RetransmissionList::ScanResult RetransmissionList::Scan(int64_t now, Sender* sender) {
    osal::lock_guard<osal::mutex> guard(mMutex);
    for (auto it = mRecords.begin(); it != mRecords.end(); ++it) {
        if (it->sendCount >= it->maxSends) {
            mRecords.erase(it);
            return ScanResult::kRemoved;
        }
        if (now < it->firstSendTime + static_cast<int64_t>(it->sendCount) * it->interval) continue;
        if (sender) sender->Resend(it->datagram.get(), it->length);
        ++it->sendCount;
        return ScanResult::kResent;
    }
    return ScanResult::kIdle;
}

size_t RetransmissionList::Size() const {
    osal::lock_guard<osal::mutex> guard(mMutex);
    return mRecords.size();
}

int32_t RetransmissionList::SendCount(uint16_t msgId) const {
    osal::lock_guard<osal::mutex> guard(mMutex);
    for (const Record& r : mRecords)
        if (r.msgId == msgId) return r.sendCount;
    return 0;
}

}  // namespace zeqmcdn
