#include "receive/AVPacketsStatistcs.h"

#include <algorithm>

#include "osal/LLog.h"
#include "platform/RtpPeek.h"
#include "vrio/osal.h"

namespace zeqmcdn {

AVPacketsStatistcs::AVPacketsStatistcs(EngineServiceContext* ctx)
    : mAudio(ctx, kAudioWindow, true), mVideo(ctx, kVideoWindow, false) {
    mTwccUnwrapper.OpenOffet(true);
}

int AVPacketsStatistcs::onOneRtpPacket(const uint8_t* rtp, int len, bool audio, uint64_t* useq, uint64_t* uts,
                                       int64_t arrival_ms) {
    uint64_t s = 0;
    uint64_t t = 0;
    NetBit::PacketStatistcs& track = audio ? mAudio : mVideo;
    if (track.onOneRtpPacket(rtp, len, &s, &t, arrival_ms) != 0) return -1;
    uint16_t seq = 0;
    uint32_t ts = 0;
    NetBit::GetRtpSeqNum(rtp, static_cast<size_t>(len), &seq);
    NetBit::GetRtpTs(rtp, static_cast<size_t>(len), &ts);
    if (audio) {
        const int64_t rate = mAudioClockRate.load(std::memory_order_relaxed);
        const uint64_t last = mLastAudioUts.load(std::memory_order_relaxed);
        if (mHaveAudioUts) {
            const int64_t back_ms = (static_cast<int64_t>(t) - static_cast<int64_t>(last)) * 1000 / rate;
            if (back_ms < kAudioTsErrorMs) {
                VLOGE("audio ts error. last uts:%lld, cur uts:%lld, ts:%u, sn:%u\n", static_cast<long long>(last),
                      static_cast<long long>(t), ts, static_cast<unsigned>(seq));
                mAudioTsError.store(true, std::memory_order_relaxed);
            }
        }
        mHaveAudioUts = true;
        mLastAudioUts.store(t, std::memory_order_relaxed);
        const int64_t ms = static_cast<int64_t>(t) * 1000 / rate;
        if (ms > mLargestAudioTsMs.load(std::memory_order_relaxed)) mLargestAudioTsMs.store(ms, std::memory_order_relaxed);
    } else {
        const uint64_t last = mLastVideoUts.load(std::memory_order_relaxed);
        if (mHaveVideoUts && static_cast<int64_t>(t) - static_cast<int64_t>(last) <= kVideoTsErrorTicks) {
            VLOGE("video ts error. last uts:%lld, cur uts:%lld, ts:%u, sn:%u\n", static_cast<long long>(last),
                  static_cast<long long>(t), ts, static_cast<unsigned>(seq));
            mVideoTsError.store(true, std::memory_order_relaxed);
        }
        mHaveVideoUts = true;
        mLastVideoUts.store(t, std::memory_order_relaxed);
        const int64_t ms = static_cast<int64_t>(t / 90);
        if (ms > mLargestVideoTsMs.load(std::memory_order_relaxed)) mLargestVideoTsMs.store(ms, std::memory_order_relaxed);
    }
    if (useq) *useq = s;
    if (uts) *uts = t;
    return 0;
}

void AVPacketsStatistcs::OnTwccSN(uint16_t seq) {
    osal::lock_guard<osal::mutex> guard(mTwccLock);
    uint64_t useq = 0;
    mTwccUnwrapper.Unwrap(0, seq, nullptr, &useq);
    if (!mTwccStarted) {
        mTwccStarted = true;
        mTwccStartMs = osal_get_time_ms();
        mTwccFirstSeq = mTwccHighestSeq = useq;
    } else if (useq > mTwccHighestSeq) {
        mTwccHighestSeq = useq;
    } else {
        VLOGD("inorder packet:%llu\n", static_cast<unsigned long long>(useq));
    }
    ++mTwccReceived;
}

double AVPacketsStatistcs::GetTwccLossRate() {
    osal::lock_guard<osal::mutex> guard(mTwccLock);
    if (!mTwccStarted) return 0.0;
    // A number older than the first one is counted as received but not as expected.
    const uint64_t expected_total = mTwccHighestSeq - mTwccFirstSeq + 1;
    const auto interval_expected = static_cast<int64_t>(expected_total - mTwccPrevExpected);
    const auto interval_received = static_cast<int64_t>(mTwccReceived - mTwccPrevReceived);
    mTwccPrevExpected = expected_total;
    mTwccPrevReceived = mTwccReceived;
    const int64_t lost = std::max<int64_t>(interval_expected - interval_received, 0);
    const double rate =
        interval_expected > 0 ? static_cast<double>(lost) / static_cast<double>(interval_expected) : 0.0;
    VLOGD("twccloss:%d, latestSN:%llu, exp:%lld, recvtot:%lld, recv:%lld, loss:%lld\n", static_cast<int>(rate * 100),
          static_cast<unsigned long long>(mTwccHighestSeq), static_cast<long long>(interval_expected),
          static_cast<long long>(mTwccReceived), static_cast<long long>(interval_received),
          static_cast<long long>(lost));
    return rate;
}

void AVPacketsStatistcs::OnRttSample(int64_t rtt_ms) {
    if (rtt_ms < 0) return;
    rtt_ms = std::min(rtt_ms, kMaxRttSampleMs);
    osal::lock_guard<osal::mutex> guard(mRttLock);
    mRttSamples[mRttNext] = rtt_ms;
    mRttNext = (mRttNext + 1) % kRttSamples;
    mRttCount = std::min(mRttCount + 1, kRttSamples);
    mRttMs.store(rtt_ms, std::memory_order_relaxed);
}

int64_t AVPacketsStatistcs::GetAverageRttMs() {
    osal::lock_guard<osal::mutex> guard(mRttLock);
    if (mRttCount == 0) return kDefaultRttMs;
    int64_t sum = 0;
    for (int i = 0; i < mRttCount; ++i) sum += mRttSamples[i];
    return sum / mRttCount;
}

void AVPacketsStatistcs::SetAudioClockRate(int rate) {
    if (rate <= 0) {
        VLOGW("audio clock rate %d refused\n", rate);
        return;
    }
    mAudioClockRate.store(rate, std::memory_order_relaxed);
}

}  // namespace zeqmcdn
