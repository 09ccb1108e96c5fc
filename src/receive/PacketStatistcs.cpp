#include "receive/PacketStatistcs.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "config/ConfigureCenter.h"
#include "engine/EngineServiceContext.h"
#include "osal/DecimalText.h"
#include "osal/LLog.h"
#include "platform/RtpPeek.h"
#include "vrio/osal.h"

namespace NetBit {

namespace {

const char* const kObserverName = "PacketStatistcs";
const char* const kCommonKeys[] = {"enableFastNack", "fastNackLowLimit", "fastNackAfterNackCount",
                                   "fastNackRate",   "nack_window",      "maxNackCount"};
const char* const kMaxAudioKey = "maxAudioPackets";
const char* const kMaxVideoKey = "maxVideoPackets";

// The packets just before the first one that may still be asked for: the stream may have started
// a little before we joined it.
constexpr uint64_t kHolesBeforeFirst = 19;
// At most one "max nack count" line per second.
constexpr int64_t kMaxNackLogIntervalMs = 1000;
constexpr int64_t kMaxNackMinReset = 100000;
// Numbers kept for one such line at most (a line lists them all).
constexpr size_t kMaxNackListLimit = 256;

// Range limits of the fast-NACK values.
constexpr int kMinFastNackLowLimit = 20;  // retries faster than this only add load
constexpr int kMinNackWindow = 50;
constexpr int kMaxNackWindow = 10000;

bool ParseInt(const std::string& text, int64_t* out) { return zeqnet::ParseSigned(text.c_str(), out); }

// The whole text is a finite decimal number.
bool ParseFloat(const std::string& text, float* out) {
    if (text.empty()) return false;
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(begin, &end);
    if (end != begin + text.size() || errno != 0 || !std::isfinite(v) || std::fabs(v) > 1e30) return false;
    *out = static_cast<float>(v);
    return true;
}

bool ValidFastNack(const fast_nack_params_t& p) {
    return p.fastNackAfterNackCount > 0 && p.fastNackRate > 0 && std::isfinite(p.fastNackRate) &&
           p.fastNackLowLimit >= kMinFastNackLowLimit && p.nack_window >= kMinNackWindow &&
           p.nack_window <= kMaxNackWindow;
}

zeqnet::ConfigureCenter* CenterOf(zeqmcdn::EngineServiceContext* ctx) {
    return ctx ? static_cast<zeqnet::ConfigureCenter*>(ctx->GetConfigureHandle()) : nullptr;
}

}  // namespace

PacketStatistcs::PacketStatistcs(zeqmcdn::EngineServiceContext* ctx, int max_packets, bool audio)
    : ConfigureObserver(kObserverName, ctx),
      mAudio(audio),
      mContext(ctx),
      mMaxPackets(std::min(std::max(max_packets, 0), kWindowLimit)) {
    mLastRxTime = osal_get_time_ms();
    if (zeqnet::ConfigureCenter* center = CenterOf(ctx)) {
        for (const char* key : kCommonKeys) center->Register(this, key);
        center->Register(this, mAudio ? kMaxAudioKey : kMaxVideoKey);
    }
}

PacketStatistcs::~PacketStatistcs() {
    if (zeqnet::ConfigureCenter* center = CenterOf(mContext)) center->DeRgister(this);
}

int PacketStatistcs::Parse(std::string key, std::string value) {
    VLOGD("audio_jitter_CfgObserver, cfgName:%s , cfgContent:%s  \n", key.c_str(), value.c_str());
    int64_t n = 0;
    const bool is_int = ParseInt(value, &n);
    osal::lock_guard<osal::recursive_mutex> guard(mWindowLock);
    if (key == "enableFastNack") {
        if (is_int && (n == 0 || n == 1)) mNack.enableFastNack = n == 1;
        else VLOGW(" invalid value.\n");
    } else if (key == "fastNackAfterNackCount") {
        if (is_int && n > 0 && n <= INT32_MAX) mNack.fastNackAfterNackCount = static_cast<int>(n);
        else VLOGW("  invalid value.\n");
    } else if (key == "fastNackRate") {
        float rate = 0;
        if (ParseFloat(value, &rate) && rate > 0) mNack.fastNackRate = rate;
        else VLOGW("  invalid value:%s\n", value.c_str());
    } else if (key == "fastNackLowLimit") {
        if (is_int && n >= kMinFastNackLowLimit && n <= INT32_MAX) mNack.fastNackLowLimit = static_cast<int>(n);
        else VLOGW("  invalid value: too fast\n");
    } else if (key == "nack_window") {
        if (is_int && n >= kMinNackWindow && n <= kMaxNackWindow) mNack.nack_window = static_cast<int>(n);
        else VLOGW("  invalid nack window value.\n");
    } else if (key == "maxNackCount") {
        if (is_int && n >= 0 && n <= INT32_MAX) mMaxNackCount = static_cast<int>(n);
        else VLOGW("maxNackCount invalid value:%s\n", value.c_str());
    } else if ((mAudio && key == kMaxAudioKey) || (!mAudio && key == kMaxVideoKey)) {
        if (is_int && n >= 0 && n <= kWindowLimit) {
            mMaxPackets = static_cast<int>(n);
            TrimWindowLocked();
        } else {
            VLOGW("%s invalid value:%s\n", key.c_str(), value.c_str());
        }
    }
    return 0;
}

int PacketStatistcs::onOneRtpPacket(const uint8_t* rtp, int len, uint64_t* useq, uint64_t* uts,
                                    int64_t arrival_ms) {
    uint16_t seq = 0;
    uint32_t ts = 0;
    if (!rtp || len < 12 || !GetRtpSeqNum(rtp, static_cast<size_t>(len), &seq) ||
        !GetRtpTs(rtp, static_cast<size_t>(len), &ts)) {
        return -1;
    }
    osal::lock_guard<osal::mutex> guard(mCounterLock);
    mLastRxTime = arrival_ms;
    const bool first = mPacketCount == 0;
    ++mPacketCount;
    uint64_t s = 0;
    uint64_t t = 0;
    mUnwrapper.Unwrap(ts, seq, &t, &s);
    if (first) {
        mMinUts = mMaxUts = t;
    } else {
        mMinUts = std::min(mMinUts, t);
        mMaxUts = std::max(mMaxUts, t);
    }
    mByteCount += static_cast<uint64_t>(len);
    rtp_info_update(seq, ts, s, t, arrival_ms);
    if (first) {
        mBaseSeq = mHighestSeq = s;
    } else if (s > mHighestSeq) {
        ++mInOrderCount;
        mHighestSeq = s;
    }
    // Interarrival jitter (RFC 3550 section 6.4.1), arrival in ms against the timestamp in RTP
    // units as they are; the first packet only sets the reference transit.
    const int64_t transit = arrival_ms - static_cast<int64_t>(t);
    if (!first) {
        const double d = std::fabs(static_cast<double>(transit - mPrevTransit));
        mJitter += (d - mJitter) / 16.0;
    }
    mPrevTransit = transit;
    if (useq) *useq = s;
    if (uts) *uts = t;
    return 0;
}

pack_info PacketStatistcs::Hole(uint64_t useq) {
    pack_info hole;
    hole.seq = static_cast<uint16_t>(useq);
    hole.useq = useq;
    hole.detected_missing = true;
    return hole;
}

void PacketStatistcs::rtp_info_update(uint16_t seq, uint32_t ts, uint64_t useq, uint64_t uts,
                                      int64_t arrival_ms) {
    osal::lock_guard<osal::recursive_mutex> guard(mWindowLock);
    if (mWindowStartSet && useq <= mWindowStart) return;
    pack_info rec;
    rec.seq = seq;
    rec.ts = ts;
    rec.useq = useq;
    rec.uts = uts;
    rec.times_received = 1;
    rec.arrival_ms = arrival_ms;
    const uint64_t max = static_cast<uint64_t>(mMaxPackets);
    if (max == 0) {
        mWindow.clear();
        return;
    }

    if (mWindow.empty()) {
        if (!mWindowStartSet && useq > kHolesBeforeFirst) {
            const uint64_t holes = std::min(kHolesBeforeFirst, max - 1);
            for (uint64_t n = useq - holes; n < useq; ++n) mWindow.push_back(Hole(n));
        }
        mWindow.push_back(rec);
        return;
    }
    const uint64_t oldest = mWindow.front().useq;
    const uint64_t newest = mWindow.back().useq;
    if (useq < oldest) {
        // The window keeps the newest `max` numbers: a packet older than that would be dropped
        // again at once, and filling the gap to it could take millions of holes.
        if (newest - useq >= max) return;
        for (uint64_t n = oldest - 1; n > useq; --n) mWindow.push_front(Hole(n));
        mWindow.push_front(rec);
    } else if (useq <= newest) {
        pack_info& r = mWindow[static_cast<size_t>(useq - oldest)];
        r.seq = seq;
        r.ts = ts;
        r.uts = uts;
        ++r.times_received;
        if (r.arrival_ms == 0) r.arrival_ms = arrival_ms;
    } else {
        if (useq - newest >= max) {
            // Everything kept now would be pushed out by the gap: start over at useq - max + 1.
            mWindow.clear();
            for (uint64_t n = useq - (max - 1); n < useq; ++n) mWindow.push_back(Hole(n));
        } else {
            for (uint64_t n = newest + 1; n < useq; ++n) mWindow.push_back(Hole(n));
        }
        mWindow.push_back(rec);
    }
    TrimWindowLocked();
}

void PacketStatistcs::TrimWindowLocked() {
    while (mWindow.size() > static_cast<size_t>(mMaxPackets)) mWindow.pop_front();
}

std::vector<uint16_t> PacketStatistcs::GetNackList() {
    osal::lock_guard<osal::recursive_mutex> guard(mWindowLock);
    std::vector<uint16_t> list;
    for (const pack_info& r : mWindow)
        if (r.times_received == 0) list.push_back(r.seq);
    return list;
}

bool PacketStatistcs::update_nack_time(uint16_t seq, int64_t now, int64_t retry_interval, int64_t nack_window) {
    osal::lock_guard<osal::recursive_mutex> guard(mWindowLock);
    if (mWindow.empty()) return false;
    // Consecutive unwrapped numbers: the offset from the oldest record's 16-bit number finds the
    // record in one step, across a 16-bit wrap too (the window never holds a number twice).
    const auto offset = static_cast<uint16_t>(seq - mWindow.front().seq);
    if (offset >= mWindow.size()) return false;
    pack_info& r = mWindow[offset];

    int64_t h = retry_interval;
    if (mNack.enableFastNack && r.nack_count > mNack.fastNackAfterNackCount) {
        const double fast = static_cast<double>(retry_interval) / static_cast<double>(mNack.fastNackRate);
        h = std::max(static_cast<int64_t>(mNack.fastNackLowLimit), static_cast<int64_t>(fast));
    }
    if (r.times_received == 0 && r.nack_count < mMaxNackCount &&
        (r.nack_count == 0 || now - r.last_nack_ms >= h)) {
        bool granted = false;
        if (r.nack_count == 0) {
            r.first_nack_ms = r.last_nack_ms = now;
            r.nack_count = 1;
            granted = true;
        } else if (now - r.first_nack_ms < nack_window - retry_interval) {
            r.last_nack_ms = now;
            ++r.nack_count;
            granted = true;
        }
        // Counted once, on the request that uses up the last try.
        if (granted && r.nack_count == mMaxNackCount) RecordMaxNackLocked(r, now);
        return granted;
    }
    return false;
}

void PacketStatistcs::RecordMaxNackLocked(const pack_info& record, int64_t now) {
    const int64_t span = record.last_nack_ms - record.first_nack_ms;
    mMaxNackSeqs.push_back(record.seq);
    mMaxNackMinMs = std::min(mMaxNackMinMs, span);
    mMaxNackMaxMs = std::max(mMaxNackMaxMs, span);
    mMaxNackTotalMs += span;
    // Once a second; at once when the clock stepped back or the list grew long, so the list
    // stays bounded whatever the clock does.
    const bool due = now - mMaxNackLastLogMs > kMaxNackLogIntervalMs || now < mMaxNackLastLogMs ||
                     mMaxNackSeqs.size() >= kMaxNackListLimit;
    if (!due) return;
    std::string seqs;
    for (uint16_t s : mMaxNackSeqs) {
        if (!seqs.empty()) seqs += ',';
        seqs += std::to_string(s);
    }
    const auto count = static_cast<int64_t>(mMaxNackSeqs.size());
    VLOGW("max nack count %d reached, seq:%s avgMs:%lld, minMs:%lld, maxMs:%lld, duration:%lld\n", mMaxNackCount,
          seqs.c_str(), static_cast<long long>(mMaxNackTotalMs / count), static_cast<long long>(mMaxNackMinMs),
          static_cast<long long>(mMaxNackMaxMs), static_cast<long long>(now - mMaxNackLastLogMs));
    mMaxNackSeqs.clear();
    mMaxNackMinMs = kMaxNackMinReset;
    mMaxNackMaxMs = 0;
    mMaxNackTotalMs = 0;
    mMaxNackLastLogMs = now;
}

void PacketStatistcs::SetWindowMinSeq(uint64_t useq) {
    osal::lock_guard<osal::recursive_mutex> guard(mWindowLock);
    if (mWindowStartSet && useq <= mWindowStart) return;
    mWindowStart = useq;
    mWindowStartSet = true;
    while (mWindow.size() > 1 && mWindow.front().useq <= useq) mWindow.pop_front();
}

bool PacketStatistcs::getReport(int slot, uint8_t& fraction_lost, uint32_t& lost, uint32_t& extended_highest_seq,
                                uint32_t& jitter, uint64_t& expected, uint64_t& received, uint64_t& bytes) {
    if (slot < 0 || slot >= kReportSlots) return false;
    {
        osal::lock_guard<osal::mutex> guard(mCounterLock);
        Slot& s = mSlots[slot];
        const uint64_t total_expected = mPacketCount ? mHighestSeq - mBaseSeq + 1 : 0;
        const int64_t interval_expected = static_cast<int64_t>(total_expected - s.expected);
        const int64_t interval_received = static_cast<int64_t>(mPacketCount - s.received);
        const int64_t interval_lost = std::max<int64_t>(interval_expected - interval_received, 0);
        fraction_lost = 0;
        if (interval_expected > 0 && interval_lost > 0) {
            // 255 is the largest the 8-bit field holds: all of the interval lost.
            fraction_lost = static_cast<uint8_t>(std::min<int64_t>(interval_lost * 256 / interval_expected, 255));
        }
        lost = static_cast<uint32_t>(std::min<int64_t>(interval_lost, 0xFFFFFF));
        extended_highest_seq = static_cast<uint32_t>(mHighestSeq - SeqTsUnwrapper::kSeqOffset);
        jitter = static_cast<uint32_t>(mJitter);
        expected = static_cast<uint64_t>(std::max<int64_t>(interval_expected, 0));
        received = static_cast<uint64_t>(std::max<int64_t>(interval_received, 0));
        bytes = mByteCount - s.bytes;
        s.expected = total_expected;
        s.received = mPacketCount;
        s.bytes = mByteCount;
        if (slot == 0) output_nack_evaluation();
    }
    return true;
}

float PacketStatistcs::getLossRateInInterval(int slot) {
    if (slot < 0 || slot >= kReportSlots) return -1.0f;
    osal::lock_guard<osal::mutex> guard(mCounterLock);
    Slot& s = mSlots[slot];
    const uint64_t total_expected = mPacketCount ? mHighestSeq - mBaseSeq + 1 : 0;
    const int64_t interval_expected = static_cast<int64_t>(total_expected - s.expected);
    const int64_t interval_received = static_cast<int64_t>(mPacketCount - s.loss_received);
    s.expected = total_expected;
    s.loss_received = mPacketCount;
    if (interval_expected <= 0) return 0.0f;
    const double rate = 1.0 - static_cast<double>(interval_received) / static_cast<double>(interval_expected);
    // Duplicates and retransmissions can outnumber the expected packets: that is no loss, not a
    // negative one.
    return static_cast<float>(std::max(rate, 0.0));
}

void PacketStatistcs::output_nack_evaluation() {
    osal::lock_guard<osal::recursive_mutex> guard(mWindowLock);
    long long holes = 0;
    long long recovered = 0;
    long long copies = 0;
    for (const pack_info& r : mWindow) {
        if (!r.detected_missing) continue;
        ++holes;
        if (r.times_received > 0) ++recovered;
        copies += r.times_received;
    }
    const double rate = holes ? static_cast<double>(recovered) / static_cast<double>(holes) : 0.0;
    const double efficiency = copies ? static_cast<double>(recovered) / static_cast<double>(copies) : 0.0;
    VLOGI("Check range: %3d packets, lost %3lld, recovered %3lld (%.2f), efficiency %.2f\n",
          static_cast<int>(mWindow.size()), holes, recovered, rate, efficiency);
}

uint64_t PacketStatistcs::unwrap_ts(uint32_t ts) {
    osal::lock_guard<osal::mutex> guard(mCounterLock);
    uint64_t out = 0;
    mUnwrapper.UnwrapNoUpdate(ts, &out);
    return out;
}

int64_t PacketStatistcs::GetLastRxTime() {
    osal::lock_guard<osal::mutex> guard(mCounterLock);
    return mLastRxTime;
}

bool PacketStatistcs::config_fast_nack(const fast_nack_params_t* params) {
    if (!params || !ValidFastNack(*params)) {
        VLOGW("config_fast_nack refused: %s\n", params ? "a value out of range" : "no parameters");
        return false;
    }
    osal::lock_guard<osal::recursive_mutex> guard(mWindowLock);
    mNack = *params;
    return true;
}

fast_nack_params_t PacketStatistcs::GetFastNackParams() {
    osal::lock_guard<osal::recursive_mutex> guard(mWindowLock);
    return mNack;
}

int PacketStatistcs::GetMaxNackCount() {
    osal::lock_guard<osal::recursive_mutex> guard(mWindowLock);
    return mMaxNackCount;
}

int PacketStatistcs::GetMaxPackets() {
    osal::lock_guard<osal::recursive_mutex> guard(mWindowLock);
    return mMaxPackets;
}

std::vector<pack_info> PacketStatistcs::GetWindow() {
    osal::lock_guard<osal::recursive_mutex> guard(mWindowLock);
    return std::vector<pack_info>(mWindow.begin(), mWindow.end());
}

}  // namespace NetBit
