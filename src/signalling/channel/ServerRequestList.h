// The server's requests seen lately, by message id, so that a repeated copy is neither reported
// nor answered again.
#pragma once

#include <cstdint>
#include <vector>

#include "osal/Mutex.h"

namespace zeqmcdn {

// Thread safety: every method takes the list's own mutex; any thread may call them.
class ServerRequestList {
public:
    // A server resends an unanswered request for a few seconds; 8 s covers its whole schedule.
    static constexpr int64_t kKeepMs = 8000;

    // True when `msgId` is new (it is recorded with `now`). False for a repeated copy: the record's
    // time becomes `now`. A record older than kKeepMs that an expiry pass has not reached yet no
    // longer counts as seen.
    bool Note(uint16_t msgId, int64_t now);
    // Removes the first record last seen more than kKeepMs before `now`; true when one was removed.
    bool ExpireOne(int64_t now);
    size_t Size() const;

private:
    struct Record {
        uint16_t msgId;
        int64_t lastReceipt;  // ms
    };
    mutable osal::mutex mMutex;
    std::vector<Record> mRecords;  // guarded by mMutex, arrival order
};

}  // namespace zeqmcdn
