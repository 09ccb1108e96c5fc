// Turns 16-bit RTP sequence numbers and 32-bit RTP timestamps into 64-bit values that keep
// counting across wrap-around.
#pragma once

#include <cstdint>

namespace NetBit {

// Each new value is placed nearest to the previous one: the raw difference taken as a signed 16-bit
// (sequence) or 32-bit (timestamp) number is added to the previous unwrapped value, and every call
// moves the reference, older packets included. With the offset on (the default) the first packet
// maps to seq + 2^16 and ts + 2^32, so packets a little older than the first stay positive.
// Not thread safe: each owner serialises its calls.
class SeqTsUnwrapper {
public:
    static constexpr uint64_t kSeqOffset = 1ull << 16;
    static constexpr uint64_t kTsOffset = 1ull << 32;

    void Unwrap(uint32_t ts, uint16_t seq, uint64_t* uts, uint64_t* useq);
    // The timestamp mapping of Unwrap without moving the reference (ts + 2^32 before the first
    // packet).
    void UnwrapNoUpdate(uint32_t ts, uint64_t* uts) const;
    // Forgets every packet; the offset flag stays.
    void Reset();
    void OpenOffet(bool on) { mOffset = on; }

private:
    uint64_t mLastUnwrappedSeq = 0;
    uint16_t mLastSeq = 0;
    uint64_t mLastUnwrappedTs = 0;
    uint32_t mLastTs = 0;
    bool mFirstPacket = true;
    bool mOffset = true;
};

}  // namespace NetBit
