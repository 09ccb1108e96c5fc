// What the session keeps per remote user between the receive path and the player's reads.
#pragma once

#include <cstdint>

#include "osal/Mutex.h"

namespace zeqmcdn {

// The player's latest delay report for one user.
struct PlayerDelayReport {
    int64_t a = 0;
    int64_t b = 0;
    int64_t c = 0;
    int64_t d = 0;
};

// Thread safety: reached only with McdnContext0's user lock held, except the jank values, which
// have their own lock so that the statistics collector can read and clear them.
// The frame queues and the read pacing of a user are added beside these values with the receive
// path; until then a user has no queued frames.
class UserMediaData {
public:
    UserMediaData(uint32_t uid, bool highInterleaveDelay, int64_t createdMs)
        : mUid(uid), mHighInterleaveDelay(highInterleaveDelay), mCreatedMs(createdMs) {}
    UserMediaData(const UserMediaData&) = delete;
    UserMediaData& operator=(const UserMediaData&) = delete;

    uint32_t Uid() const { return mUid; }
    int64_t CreatedMs() const { return mCreatedMs; }
    bool HighInterleaveDelay() const { return mHighInterleaveDelay; }

    int64_t GetAudioQueueLengthMs() const { return 0; }
    int64_t GetVideoQueueLengthMs() const { return 0; }

    int64_t GetJankTime(bool reset);
    int32_t GetJankTimes(bool reset);

    void SetPlayerDelay(int64_t a, int64_t b, int64_t c, int64_t d) { mPlayerDelay = {a, b, c, d}; }
    PlayerDelayReport GetPlayerDelay() const { return mPlayerDelay; }

private:
    uint32_t mUid;
    bool mHighInterleaveDelay;
    int64_t mCreatedMs;
    osal::mutex mJankLock;
    int64_t mJankMs = 0;    // guarded by mJankLock
    int32_t mJankTimes = 0;  // guarded by mJankLock
    PlayerDelayReport mPlayerDelay;
};

}  // namespace zeqmcdn
