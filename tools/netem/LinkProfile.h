// What one direction of an emulated link does to the packets that cross it, and the pair of them.
#pragma once

#include <cstdint>

namespace zrtc {
namespace netem {

// Probabilities are held as parts per billion: exact in text, exact to compare, the same on every
// platform.
constexpr uint32_t kPpbOne = 1000000000u;

// Two-state burst loss: a Good and a Bad state, one step per packet.
struct BurstProfile {
    bool enabled = false;
    uint32_t pPpb = 0;           // Good -> Bad, per packet
    uint32_t rPpb = 0;           // Bad -> Good, per packet
    uint32_t hPpb = kPpbOne;     // loss probability while Bad
    uint32_t kPpb = 0;           // loss probability while Good

    bool operator==(const BurstProfile& o) const {
        return enabled == o.enabled && pPpb == o.pPpb && rPpb == o.rPpb && hPpb == o.hPpb && kPpb == o.kPpb;
    }
    bool operator!=(const BurstProfile& o) const { return !(*this == o); }
};

// One direction. The defaults are a clean link: nothing lost, delayed, limited or reordered.
struct LinkProfile {
    // Default depth of the bottleneck queue: bounds memory when a rate is given without a queue,
    // and at 1200-byte packets holds ~10 s of a 1 Mbit/s stream, so it only drops when grossly
    // overloaded.
    static constexpr uint32_t kDefaultQueuePackets = 1000;
    // How long a packet picked for reordering is held back: longer than the spacing of a
    // 1 Mbit/s stream of 1200-byte packets (~10 ms), so the next packet overtakes it.
    static constexpr int64_t kDefaultReorderHoldUs = 20000;

    uint32_t lossPpb = 0;  // independent random loss
    BurstProfile burst;
    int64_t delayUs = 0;   // one-way delay
    int64_t jitterUs = 0;  // standard deviation of the per-packet delay
    // Packets never overtake one another through jitter: a packet due before the one pushed
    // ahead of it waits for it (jitter then shows as bunching). Reorder-held packets still lag.
    bool keepOrder = false;
    uint64_t rateBps = 0;  // bottleneck capacity in bit/s; 0 = unlimited (no queue)
    uint32_t queuePackets = kDefaultQueuePackets;  // queue limit in packets, or 0 when limited in bytes
    uint64_t queueBytes = 0;                       // queue limit in bytes, or 0 when limited in packets
    uint32_t dupPpb = 0;
    uint32_t reorderPpb = 0;
    int64_t reorderHoldUs = kDefaultReorderHoldUs;
    // Random streams start from this. 0: drawn from the clock when the link is made (and printed).
    uint64_t seed = 1;

    bool operator==(const LinkProfile& o) const {
        return lossPpb == o.lossPpb && burst == o.burst && delayUs == o.delayUs && jitterUs == o.jitterUs &&
               keepOrder == o.keepOrder &&
               rateBps == o.rateBps && queuePackets == o.queuePackets && queueBytes == o.queueBytes &&
               dupPpb == o.dupPpb && reorderPpb == o.reorderPpb && reorderHoldUs == o.reorderHoldUs &&
               seed == o.seed;
    }
    bool operator!=(const LinkProfile& o) const { return !(*this == o); }
};

// Both directions between the edge and one client. Up: client to edge; down: edge to client.
struct DuplexProfile {
    LinkProfile up;
    LinkProfile down;

    bool operator==(const DuplexProfile& o) const { return up == o.up && down == o.down; }
    bool operator!=(const DuplexProfile& o) const { return !(*this == o); }
};

// Bounds the parser enforces; the link relies on them to keep its time arithmetic in range.
constexpr int64_t kMaxTimeUs = int64_t{3600} * 1000000;    // delay, jitter, hold: one hour
constexpr uint64_t kMinRateBps = 1000;                       // below this one packet takes hours
constexpr uint64_t kMaxRateBps = uint64_t{100} * 1000000000;  // 100 Gbit/s
constexpr uint32_t kMaxQueuePackets = 1000000;
constexpr uint64_t kMaxQueueBytes = uint64_t{1000000000};   // 1 GB

}  // namespace netem
}  // namespace zrtc
