// Every signalling datagram sent, kept until its schedule runs out: resent at first send +
// n x interval until it was sent `maxSends` times, then dropped at the next scan.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "osal/Mutex.h"

namespace zeqmcdn {

// Thread safety: every method takes the list's own mutex. Scan calls its sender with the mutex
// held, so the sender must not call back into the list.
class RetransmissionList {
public:
    struct Record {
        uint16_t msgId = 0;
        int64_t firstSendTime = 0;  // ms
        int32_t sendCount = 0;      // 1 after the first send
        int32_t maxSends = 0;
        int32_t interval = 0;       // ms
        std::unique_ptr<uint8_t[]> datagram;
        size_t length = 0;
    };

    // What one scan did.
    enum class ScanResult { kIdle, kResent, kRemoved };

    class Sender {
    public:
        virtual ~Sender() = default;
        virtual void Resend(const uint8_t* datagram, size_t len) = 0;
    };

    // Records a datagram sent once at `now`. Nothing is recorded for an empty datagram or a
    // schedule of no sends.
    void Add(uint16_t msgId, int64_t now, int32_t maxSends, int32_t interval, const uint8_t* datagram, size_t len);
    // Ends the schedule of every record with `msgId`: each is removed at a later scan.
    void StopRetry(uint16_t msgId);
    // One pass from the start of the list: the first record that is due is resent, or the first
    // record whose schedule has run out is removed, whichever comes first; at most one of either.
    ScanResult Scan(int64_t now, Sender* sender);

    size_t Size() const;
    // Sends so far of the first record with `msgId`, 0 when there is none.
    int32_t SendCount(uint16_t msgId) const;

private:
    mutable osal::mutex mMutex;
    std::vector<Record> mRecords;  // guarded by mMutex, send order
};

}  // namespace zeqmcdn
