// One direction of an emulated link, on time given by the caller.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "netem/GilbertElliott.h"
#include "netem/LinkProfile.h"
#include "netem/LinkStats.h"
#include "netem/NetemRandom.h"
#include "netem/RateQueue.h"
#include "osal/Mutex.h"

namespace zrtc {
namespace netem {

struct NetemPacket {
    std::vector<uint8_t> data;
    uint64_t context = 0;    // the caller's own tag (peer, socket, ...), carried through untouched
    // Set by the link.
    uint64_t seq = 0;        // push order, from 1; a duplicate copy has its original's
    bool duplicate = false;  // this is the copy made by duplication
    int64_t sentUs = 0;      // when it was pushed
    int64_t releaseUs = 0;   // when it was released
};

enum class PushResult {
    kAccepted,   // on its way (its duplicate, if any, may still have found the queue full)
    kLost,       // dropped by random or burst loss
    kQueueFull,  // dropped at the tail of the bottleneck queue
};

// The life of a packet pushed at `now`:
//   1. loss: lost with the random loss probability, or by the burst model (one step per packet);
//   2. duplication: with its probability a copy is made, and both go on;
//   3. the bottleneck: with a rate, the packet joins a FIFO drained at that rate, and is dropped
//      if the queue is at its limit; without a rate it passes at once;
//   4. delay: from leaving the bottleneck, the delay plus a normal deviate of the jitter (never
//      below zero), plus the reorder hold for a packet picked for reordering; with order=keep no
//      later than the packet pushed before it (unless that one is held for reordering).
// With neither jitter nor reordering (or with order=keep and no reordering), packets leave in
// push order. Each effect draws from its own
// random stream and, when enabled, draws for every pushed packet, so the loss pattern of a seed is
// the same whatever the delay or rate settings, and so on for each effect.
// Times are microseconds on the caller's clock; a time earlier than one already seen counts as
// that one.
// Thread safety: every method may be called from any thread; one mutex guards all state.
class NetemLink {
public:
    static constexpr int64_t kNever = std::numeric_limits<int64_t>::max();

    // `stream` tells apart links that share a seed (the two directions, the edge's clients).
    explicit NetemLink(const LinkProfile& profile = LinkProfile(), uint64_t stream = 0);

    // New settings from `nowUs`. A rate change applies to the packets in the queue from now
    // (the one being sent keeps what it has sent); delay, jitter, loss, duplication and reordering
    // apply to packets pushed from now; a smaller queue limit drops nothing already queued; the
    // burst model keeps its state. A seed other than 0 and the one in use restarts every stream.
    void Configure(const LinkProfile& profile, int64_t nowUs);
    // The settings in use, with the seed in use.
    LinkProfile Profile() const;

    PushResult Push(NetemPacket packet, int64_t nowUs);
    // Appends to *out every packet due by `nowUs`, in order of release (ties in push order), and
    // returns how many.
    size_t PopReady(int64_t nowUs, std::vector<NetemPacket>* out);
    // When the next packet is due, or kNever when the link is empty.
    int64_t NextReleaseTime() const;
    // Counts so far; queued as of the latest call.
    LinkStats Stats() const;

private:
    struct Flight {
        int64_t releaseUs;
        uint64_t id;      // admission order
        int64_t afterUs;  // delay after the bottleneck (with any reorder hold)
        bool chained;     // kept in order behind the previous chained packet
        int64_t floorUs;  // chained: the release of that previous packet
        NetemPacket packet;
    };
    struct Streams {
        Streams(uint64_t seed, uint64_t stream);
        NetemRandom loss, burst, dup, delay, copyDelay, reorder;
    };

    // Heap order: earliest release on top, ties in admission order.
    static bool Later(const Flight& a, const Flight& b);
    int64_t Now(int64_t nowUs);
    int64_t DrawDelay(NetemRandom& random) const;
    // Through the bottleneck and into flight; false when the queue is full.
    bool Send(NetemPacket&& packet, int64_t nowUs, int64_t afterUs, bool held);
    // After a rate change: new departures of the queued packets (in queue order) into their
    // releases, keeping the order=keep chain.
    void Reschedule(const RateQueue::Moved& moved);

    mutable osal::mutex mMutex;
    const uint64_t mStream;
    LinkProfile mProfile;        // seed: the one in use
    Streams mRandom;
    GilbertElliott mBurst;
    RateQueue mQueue;
    std::vector<Flight> mFlights;  // a heap, earliest release on top
    LinkStats mStats;
    int64_t mLastNowUs = std::numeric_limits<int64_t>::min();
    uint64_t mLastSeq = 0;
    uint64_t mNextId = 0;
    uint64_t mMaxReleasedSeq = 0;
    int64_t mChainUs = std::numeric_limits<int64_t>::min();  // release of the last chained packet
};

}  // namespace netem
}  // namespace zrtc
