#include "netem/NetemLink.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <unordered_map>
#include <utility>

#include "osal/LLog.h"
#include "vrio/osal.h"

namespace zrtc {
namespace netem {

namespace {

// The effects' stream numbers: fixed, so a seed keeps its meaning.
enum Effect : uint32_t { kLossStream = 1, kBurstStream, kDupStream, kDelayStream, kCopyDelayStream, kReorderStream };

int64_t SatAdd(int64_t a, int64_t b) {
    int64_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) return b > 0 ? NetemLink::kNever : std::numeric_limits<int64_t>::min();
    return sum;
}

uint64_t Mix(uint64_t x) {
    x += 0x9e3779b97f4a7c15ull;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
    return x ^ (x >> 31);
}

// For seed 0: a seed from the clock, printed so the run can be repeated. Kept within 2^53 so it
// survives a trip through JSON numbers.
uint64_t DrawSeed() {
    static std::atomic<uint64_t> drawn{0};
    const uint64_t x = static_cast<uint64_t>(osal_get_time_ms()) * 1000003u + drawn.fetch_add(1);
    uint64_t seed = Mix(x) & ((uint64_t{1} << 53) - 1);
    if (seed == 0) seed = 1;
    std::fprintf(stderr, "netem: seed=0 given, using seed=%llu\n", static_cast<unsigned long long>(seed));
    VLOGI("netem: seed=0 given, using seed=%llu", static_cast<unsigned long long>(seed));
    return seed;
}

LinkProfile WithSeed(LinkProfile profile) {
    if (profile.seed == 0) profile.seed = DrawSeed();
    return profile;
}

}  // namespace

bool NetemLink::Later(const Flight& a, const Flight& b) {
    return a.releaseUs != b.releaseUs ? a.releaseUs > b.releaseUs : a.id > b.id;
}

NetemLink::Streams::Streams(uint64_t seed, uint64_t stream)
    : loss(seed, stream, kLossStream),
      burst(seed, stream, kBurstStream),
      dup(seed, stream, kDupStream),
      delay(seed, stream, kDelayStream),
      copyDelay(seed, stream, kCopyDelayStream),
      reorder(seed, stream, kReorderStream) {}

NetemLink::NetemLink(const LinkProfile& profile, uint64_t stream)
    : mStream(stream), mProfile(WithSeed(profile)), mRandom(mProfile.seed, stream) {
    mBurst.Configure(mProfile.burst);
    RateQueue::Moved none;
    mQueue.Configure(mProfile.rateBps, mProfile.queuePackets, mProfile.queueBytes, 0, &none);
    mStats.seed = mProfile.seed;
}

int64_t NetemLink::Now(int64_t nowUs) {
    mLastNowUs = std::max(mLastNowUs, nowUs);
    return mLastNowUs;
}

void NetemLink::Configure(const LinkProfile& profile, int64_t nowUs) {
    osal::lock_guard<osal::mutex> lock(mMutex);
    const int64_t now = Now(nowUs);
    const uint64_t seed = profile.seed != 0 ? profile.seed : mProfile.seed;
    if (seed != mProfile.seed) mRandom = Streams(seed, mStream);
    mProfile = profile;
    mProfile.seed = seed;
    mStats.seed = seed;
    mBurst.Configure(profile.burst);
    RateQueue::Moved moved;
    mQueue.Configure(profile.rateBps, profile.queuePackets, profile.queueBytes, now, &moved);
    if (!moved.empty()) Reschedule(moved);
}

void NetemLink::Reschedule(const RateQueue::Moved& moved) {
    std::unordered_map<uint64_t, size_t> index;
    index.reserve(moved.size());
    for (size_t i = 0; i < mFlights.size(); ++i) index.emplace(mFlights[i].id, i);
    // Every packet admitted after the first queued one is queued too, so the moved packets are
    // the tail of the chain: the first chained one keeps its floor, the rest follow the new times.
    bool running = false;
    int64_t chainUs = 0;
    for (const auto& m : moved) {
        const auto it = index.find(m.first);
        if (it == index.end()) continue;
        Flight& f = mFlights[it->second];
        f.releaseUs = SatAdd(m.second, f.afterUs);
        if (!f.chained) continue;
        if (running) f.floorUs = chainUs;
        f.releaseUs = std::max(f.releaseUs, f.floorUs);
        chainUs = f.releaseUs;
        running = true;
    }
    if (running) mChainUs = chainUs;
    std::make_heap(mFlights.begin(), mFlights.end(), Later);
}

LinkProfile NetemLink::Profile() const {
    osal::lock_guard<osal::mutex> lock(mMutex);
    return mProfile;
}

int64_t NetemLink::DrawDelay(NetemRandom& random) const {
    if (mProfile.jitterUs == 0) return mProfile.delayUs;
    // |deviate| <= 6 and jitter <= 1 h: no overflow.
    const int64_t delay = mProfile.delayUs + std::llround(static_cast<double>(mProfile.jitterUs) * random.Normal());
    return std::max<int64_t>(0, delay);
}

bool NetemLink::Send(NetemPacket&& packet, int64_t nowUs, int64_t afterUs, bool held) {
    int64_t departUs = 0;
    const uint64_t id = mNextId++;
    if (!mQueue.Admit(id, packet.data.size(), nowUs, &departUs)) {
        ++mStats.droppedQueue;
        return false;
    }
    int64_t releaseUs = SatAdd(departUs, afterUs);
    const bool chained = mProfile.keepOrder && !held;
    const int64_t floorUs = mChainUs;
    if (chained) {
        releaseUs = std::max(releaseUs, floorUs);
        mChainUs = releaseUs;
    }
    mFlights.push_back(Flight{releaseUs, id, afterUs, chained, floorUs, std::move(packet)});
    std::push_heap(mFlights.begin(), mFlights.end(), Later);
    return true;
}

PushResult NetemLink::Push(NetemPacket packet, int64_t nowUs) {
    osal::lock_guard<osal::mutex> lock(mMutex);
    const int64_t now = Now(nowUs);
    ++mStats.packetsIn;
    mStats.bytesIn += packet.data.size();

    // Every enabled effect draws for every packet, lost or not, so that each keeps its pattern.
    const bool lostRandom = mProfile.lossPpb != 0 && mRandom.loss.Chance(mProfile.lossPpb);
    const bool lostBurst = mBurst.NextLost(mRandom.burst);
    const bool duplicate = mProfile.dupPpb != 0 && mRandom.dup.Chance(mProfile.dupPpb);
    const bool held = mProfile.reorderPpb != 0 && mRandom.reorder.Chance(mProfile.reorderPpb);
    const int64_t afterUs = DrawDelay(mRandom.delay) + (held ? mProfile.reorderHoldUs : 0);
    if (lostRandom || lostBurst) {
        ++mStats.droppedLoss;
        return PushResult::kLost;
    }

    packet.seq = ++mLastSeq;
    packet.sentUs = now;
    packet.duplicate = false;
    packet.releaseUs = 0;
    NetemPacket copy;
    if (duplicate) {
        ++mStats.duplicated;
        copy = packet;
        copy.duplicate = true;
    }
    const bool accepted = Send(std::move(packet), now, afterUs, held);
    // The copy has a delay of its own (from its own stream) and is never held back.
    if (duplicate) Send(std::move(copy), now, DrawDelay(mRandom.copyDelay), false);
    return accepted ? PushResult::kAccepted : PushResult::kQueueFull;
}

size_t NetemLink::PopReady(int64_t nowUs, std::vector<NetemPacket>* out) {
    osal::lock_guard<osal::mutex> lock(mMutex);
    const int64_t now = Now(nowUs);
    mQueue.Drain(now);
    size_t count = 0;
    while (!mFlights.empty() && mFlights.front().releaseUs <= now) {
        std::pop_heap(mFlights.begin(), mFlights.end(), Later);
        Flight& f = mFlights.back();
        NetemPacket& p = f.packet;
        p.releaseUs = f.releaseUs;
        ++mStats.packetsOut;
        mStats.bytesOut += p.data.size();
        const int64_t delay = p.releaseUs - p.sentUs;
        mStats.delaySumUs += static_cast<uint64_t>(delay);
        mStats.delayMaxUs = std::max(mStats.delayMaxUs, delay);
        if (p.seq < mMaxReleasedSeq)
            ++mStats.reordered;
        else
            mMaxReleasedSeq = p.seq;
        out->push_back(std::move(p));
        mFlights.pop_back();
        ++count;
    }
    return count;
}

int64_t NetemLink::NextReleaseTime() const {
    osal::lock_guard<osal::mutex> lock(mMutex);
    return mFlights.empty() ? kNever : mFlights.front().releaseUs;
}

LinkStats NetemLink::Stats() const {
    osal::lock_guard<osal::mutex> lock(mMutex);
    LinkStats s = mStats;
    s.queued = mQueue.Packets();
    s.inFlight = mFlights.size();
    return s;
}

}  // namespace netem
}  // namespace zrtc
