// Receive statistics of one RTP track and the packet window its NACK requests are drawn from.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "config/ConfigureObserver.h"
#include "osal/Mutex.h"
#include "receive/SeqTsUnwrapper.h"

namespace zeqmcdn {
class EngineServiceContext;
}

namespace NetBit {

// When a missing packet is asked for again.
struct fast_nack_params_t {
    bool enableFastNack = true;
    int fastNackAfterNackCount = 3;  // requests after which the retry interval shrinks
    float fastNackRate = 3.0f;       // the retry interval is divided by this ...
    int fastNackLowLimit = 50;       // ... but never below this many ms
    int nack_window = 5000;          // ms after its first request a number is still asked for
};

// One sequence number of the window, received or not.
struct pack_info {
    uint16_t seq = 0;
    uint32_t ts = 0;
    uint64_t useq = 0;
    uint64_t uts = 0;
    int32_t times_received = 0;  // 0 = missing
    bool detected_missing = false;  // created as a hole
    int64_t last_nack_ms = 0;
    int32_t nack_count = 0;
    int64_t arrival_ms = 0;      // of the first copy
    int64_t first_nack_ms = 0;
};
static_assert(sizeof(pack_info) == 64, "pack_info is one 64-byte record");

// Thread safety: two locks. mCounterLock guards the counters, the unwrapper and the report slots;
// mWindowLock (recursive) guards the packet window, the NACK parameters and the max-NACK
// bookkeeping, and is taken inside mCounterLock when a packet is counted (never the other way
// round). Packets are counted on the participant worker; reports may be read from any thread;
// configuration values arrive under the configuration center's mutex (center -> mWindowLock).
class PacketStatistcs : public zeqnet::ConfigureObserver {
public:
    static constexpr int kReportSlots = 6;
    static constexpr int kDefaultMaxAudioPackets = 100;
    static constexpr int kDefaultMaxVideoPackets = 1200;
    static constexpr int kDefaultMaxNackCount = 8;
    // Beyond 2^16 records a window holds the same 16-bit number twice and a NACK cannot say which.
    static constexpr int kWindowLimit = 65536;

    // Registers the configuration keys with the context's configuration center (if it has one).
    PacketStatistcs(zeqmcdn::EngineServiceContext* ctx, int max_packets, bool audio);
    ~PacketStatistcs() override;
    PacketStatistcs(const PacketStatistcs&) = delete;
    PacketStatistcs& operator=(const PacketStatistcs&) = delete;

    int Parse(std::string key, std::string value) override;

    // Counts one packet (at least 12 bytes, else ignored: -1) and gives its unwrapped numbers.
    int onOneRtpPacket(const uint8_t* rtp, int len, uint64_t* useq, uint64_t* uts, int64_t arrival_ms);

    // The 16-bit numbers of the missing records, oldest first.
    std::vector<uint16_t> GetNackList();
    // May `seq` be requested at `now`? Records the request when true.
    bool update_nack_time(uint16_t seq, int64_t now, int64_t retry_interval, int64_t nack_window);
    // Forgets records up to and including `useq` (keeping at least one) and ignores such packets later.
    void SetWindowMinSeq(uint64_t useq);

    // Interval figures since this slot's previous report. False for a slot outside 0..5.
    bool getReport(int slot, uint8_t& fraction_lost, uint32_t& lost, uint32_t& extended_highest_seq,
                   uint32_t& jitter, uint64_t& expected, uint64_t& received, uint64_t& bytes);
    // Loss since this slot's previous call, 0..1; -1 for a slot outside 0..5.
    float getLossRateInInterval(int slot);
    uint64_t unwrap_ts(uint32_t ts);
    int64_t GetLastRxTime();
    // Replaces the five fast-NACK values at once; refused (logged) when one is out of range.
    bool config_fast_nack(const fast_nack_params_t* params);
    void output_nack_evaluation();

    bool IsAudio() const { return mAudio; }
    fast_nack_params_t GetFastNackParams();
    int GetMaxNackCount();
    int GetMaxPackets();
    // A copy of the window, oldest first.
    std::vector<pack_info> GetWindow();

private:
    void rtp_info_update(uint16_t seq, uint32_t ts, uint64_t useq, uint64_t uts, int64_t arrival_ms);
    void TrimWindowLocked();
    void RecordMaxNackLocked(const pack_info& record, int64_t now);
    static pack_info Hole(uint64_t useq);

    const bool mAudio;
    zeqmcdn::EngineServiceContext* mContext;

    osal::mutex mCounterLock;
    SeqTsUnwrapper mUnwrapper;             // guarded by mCounterLock
    uint64_t mPacketCount = 0;             // guarded by mCounterLock
    uint64_t mByteCount = 0;               // guarded by mCounterLock
    int64_t mLastRxTime = 0;               // guarded by mCounterLock
    uint64_t mMinUts = 0;                  // guarded by mCounterLock
    uint64_t mMaxUts = 0;                  // guarded by mCounterLock
    uint64_t mBaseSeq = 0;                 // guarded by mCounterLock
    uint64_t mHighestSeq = 0;              // guarded by mCounterLock
    uint64_t mInOrderCount = 0;            // guarded by mCounterLock
    int64_t mPrevTransit = 0;              // guarded by mCounterLock
    double mJitter = 0;                    // guarded by mCounterLock
    struct Slot {
        uint64_t expected = 0;
        uint64_t received = 0;
        uint64_t bytes = 0;
        uint64_t loss_received = 0;  // getLossRateInInterval's own received snapshot
    };
    Slot mSlots[kReportSlots];             // guarded by mCounterLock

    osal::recursive_mutex mWindowLock;
    std::deque<pack_info> mWindow;         // guarded by mWindowLock; consecutive useq, oldest first
    int mMaxPackets;                       // guarded by mWindowLock
    bool mWindowStartSet = false;          // guarded by mWindowLock
    uint64_t mWindowStart = 0;             // guarded by mWindowLock
    fast_nack_params_t mNack;              // guarded by mWindowLock
    int mMaxNackCount = kDefaultMaxNackCount;  // guarded by mWindowLock
    std::vector<uint16_t> mMaxNackSeqs;    // guarded by mWindowLock
    int64_t mMaxNackMinMs = 100000;        // guarded by mWindowLock
    int64_t mMaxNackMaxMs = 0;             // guarded by mWindowLock
    int64_t mMaxNackTotalMs = 0;           // guarded by mWindowLock
    int64_t mMaxNackLastLogMs = 0;         // guarded by mWindowLock
};

}  // namespace NetBit
