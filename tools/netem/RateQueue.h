// The bottleneck of an emulated link: a FIFO drained at the link capacity, dropping at its tail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <utility>
#include <vector>

namespace zrtc {
namespace netem {

// Transmission times are kept exactly: a packet of B bytes at R bit/s takes B*8e6/R microseconds,
// and the fraction of a microsecond is carried to the next packet, so a long run at a fixed rate
// drifts by nothing. A packet leaves at the first whole microsecond at or after the exact end of
// its transmission. A packet counts as queued from its arrival until it has left (including while
// being sent); the limit applies on arrival only.
// Thread safety: none; the owning link serialises calls.
class RateQueue {
public:
    // (id, new departure time) of a queued packet whose departure moved with the rate.
    using Moved = std::vector<std::pair<uint64_t, int64_t>>;

    // New capacity (0 = unlimited) and limit (packets or bytes; the other is 0) from `nowUs`. The
    // packet being sent keeps what it has sent so far and sends the rest at the new rate; packets
    // behind it follow at the new rate. Their new departures are appended to *moved.
    void Configure(uint64_t rateBps, uint32_t limitPackets, uint64_t limitBytes, int64_t nowUs, Moved* moved);

    // A packet of `bytes` arriving at `nowUs`. False when the queue is full; otherwise its
    // departure time (nowUs when the rate is unlimited).
    bool Admit(uint64_t id, uint64_t bytes, int64_t nowUs, int64_t* departUs);

    // Drops from the count the packets that have left by `nowUs`.
    void Drain(int64_t nowUs);
    size_t Packets() const { return mItems.size(); }
    uint64_t Bytes() const { return mBytes; }

private:
    struct Item {
        uint64_t id;
        uint64_t bytes;
        int64_t endUs;     // exact end of transmission: endUs + endRem / rate
        uint64_t endRem;
    };
    static int64_t Departure(int64_t us, uint64_t rem) { return rem != 0 ? us + 1 : us; }
    // Appends a transmission of `work` (bit-microseconds per second, i.e. bits * 1e6) behind the
    // present busy end.
    void Extend(uint64_t work);

    std::deque<Item> mItems;
    uint64_t mBytes = 0;
    uint64_t mRateBps = 0;
    uint32_t mLimitPackets = 0;
    uint64_t mLimitBytes = 0;
    int64_t mBusyUs = 0;  // exact end of the last admitted transmission: mBusyUs + mBusyRem / rate
    uint64_t mBusyRem = 0;
};

}  // namespace netem
}  // namespace zrtc
