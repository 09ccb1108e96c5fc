#include "receive/SeqTsUnwrapper.h"

namespace NetBit {

void SeqTsUnwrapper::Unwrap(uint32_t ts, uint16_t seq, uint64_t* uts, uint64_t* useq) {
    uint64_t new_seq;
    uint64_t new_ts;
    if (mFirstPacket) {
        new_seq = mOffset ? seq + kSeqOffset : seq;
        new_ts = mOffset ? ts + kTsOffset : ts;
        mFirstPacket = false;
    } else {
        // Differences taken modulo 2^16 / 2^32 and read as signed: the nearest placement.
        const auto dseq = static_cast<int16_t>(static_cast<uint16_t>(seq - mLastSeq));
        const auto dts = static_cast<int32_t>(ts - mLastTs);
        new_seq = mLastUnwrappedSeq + static_cast<uint64_t>(static_cast<int64_t>(dseq));
        new_ts = mLastUnwrappedTs + static_cast<uint64_t>(static_cast<int64_t>(dts));
    }
    mLastSeq = seq;
    mLastTs = ts;
    mLastUnwrappedSeq = new_seq;
    mLastUnwrappedTs = new_ts;
    if (useq) *useq = new_seq;
    if (uts) *uts = new_ts;
}

void SeqTsUnwrapper::UnwrapNoUpdate(uint32_t ts, uint64_t* uts) const {
    if (!uts) return;
    if (mFirstPacket) {
        *uts = ts + kTsOffset;
        return;
    }
    const auto dts = static_cast<int32_t>(ts - mLastTs);
    *uts = mLastUnwrappedTs + static_cast<uint64_t>(static_cast<int64_t>(dts));
}

void SeqTsUnwrapper::Reset() {
    mLastUnwrappedSeq = 0;
    mLastSeq = 0;
    mLastUnwrappedTs = 0;
    mLastTs = 0;
    mFirstPacket = true;
}

}  // namespace NetBit
