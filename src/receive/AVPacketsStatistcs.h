// The receive statistics of one remote participant: its audio and video tracks, timestamp-error
// detection, transport-wide sequence tracking and the round-trip time.
#pragma once

#include <atomic>
#include <cstdint>

#include "osal/Mutex.h"
#include "receive/PacketStatistcs.h"
#include "receive/SeqTsUnwrapper.h"

namespace zeqmcdn {

class EngineServiceContext;

// Thread safety: onOneRtpPacket is the participant worker's. The error flags, clock rate, last and
// largest timestamps and the RTT are atomics any thread may read. The transport-wide tracker is
// guarded by mTwccLock. The two track statistics lock themselves (see PacketStatistcs).
class AVPacketsStatistcs {
public:
    static constexpr int kAudioWindow = 100;
    static constexpr int kVideoWindow = 1200;
    static constexpr int kDefaultAudioClockRate = 48000;
    // A timestamp that jumps back further than this is a broken stream, not reordering.
    static constexpr int64_t kAudioTsErrorMs = -20000;
    static constexpr int64_t kVideoTsErrorTicks = -1800001;  // 20 s at 90 kHz
    static constexpr int64_t kDefaultRttMs = 100;            // before the first sample
    static constexpr int64_t kMaxRttSampleMs = 3000;         // longer samples are capped
    static constexpr int kRttSamples = 10;                   // the rolling average's length

    explicit AVPacketsStatistcs(EngineServiceContext* ctx);
    AVPacketsStatistcs(const AVPacketsStatistcs&) = delete;
    AVPacketsStatistcs& operator=(const AVPacketsStatistcs&) = delete;

    // Counts the packet in its track; -1 (nothing counted) for fewer than 12 bytes.
    int onOneRtpPacket(const uint8_t* rtp, int len, bool audio, uint64_t* useq, uint64_t* uts, int64_t arrival_ms);

    void OnTwccSN(uint16_t seq);
    // Loss of transport-wide numbers since the previous call, 0..1.
    double GetTwccLossRate();

    // One RTT measurement (ms); negative ones are ignored.
    void OnRttSample(int64_t rtt_ms);
    int64_t GetRttMs() const { return mRttMs.load(std::memory_order_relaxed); }
    int64_t GetAverageRttMs();

    NetBit::PacketStatistcs& GetAudioStatistics() { return mAudio; }
    NetBit::PacketStatistcs& GetVideoStatistics() { return mVideo; }

    // Ignored unless positive.
    void SetAudioClockRate(int rate);
    int GetAudioClockRate() const { return mAudioClockRate.load(std::memory_order_relaxed); }
    bool HasAudioTsError() const { return mAudioTsError.load(std::memory_order_relaxed); }
    bool HasVideoTsError() const { return mVideoTsError.load(std::memory_order_relaxed); }
    uint64_t GetLastAudioUts() const { return mLastAudioUts.load(std::memory_order_relaxed); }
    uint64_t GetLastVideoUts() const { return mLastVideoUts.load(std::memory_order_relaxed); }
    int64_t GetLargestAudioTsMs() const { return mLargestAudioTsMs.load(std::memory_order_relaxed); }
    int64_t GetLargestVideoTsMs() const { return mLargestVideoTsMs.load(std::memory_order_relaxed); }

private:
    NetBit::PacketStatistcs mAudio;
    NetBit::PacketStatistcs mVideo;

    osal::mutex mRttLock;
    int64_t mRttSamples[kRttSamples] = {};  // guarded by mRttLock
    int mRttCount = 0;                      // guarded by mRttLock
    int mRttNext = 0;                       // guarded by mRttLock
    std::atomic<int64_t> mRttMs{kDefaultRttMs};

    osal::mutex mTwccLock;
    NetBit::SeqTsUnwrapper mTwccUnwrapper;  // guarded by mTwccLock
    bool mTwccStarted = false;              // guarded by mTwccLock
    int64_t mTwccStartMs = 0;               // guarded by mTwccLock
    uint64_t mTwccFirstSeq = 0;             // guarded by mTwccLock
    uint64_t mTwccHighestSeq = 0;           // guarded by mTwccLock
    uint64_t mTwccReceived = 0;             // guarded by mTwccLock
    uint64_t mTwccPrevExpected = 0;         // guarded by mTwccLock
    uint64_t mTwccPrevReceived = 0;         // guarded by mTwccLock

    std::atomic<bool> mAudioTsError{false};
    std::atomic<bool> mVideoTsError{false};
    std::atomic<int> mAudioClockRate{kDefaultAudioClockRate};
    bool mHaveAudioUts = false;  // worker only
    bool mHaveVideoUts = false;  // worker only
    std::atomic<uint64_t> mLastAudioUts{0};
    std::atomic<uint64_t> mLastVideoUts{0};
    std::atomic<int64_t> mLargestAudioTsMs{0};
    std::atomic<int64_t> mLargestVideoTsMs{0};
};

}  // namespace zeqmcdn
