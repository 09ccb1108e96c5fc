#include "media/StreamFrameBase.h"

#include <utility>

#include "osal/SystemLog.h"

namespace NetBit {

StreamFrameBase::~StreamFrameBase() = default;

void StreamFrameBase::CopyFrame(const StreamFrameBase* other) {
    if (!AcceptPeer(other, "CopyFrame", __LINE__)) return;
    CopyHeader(*other);
}

void StreamFrameBase::SwapFrame(StreamFrameBase* other) {
    if (!AcceptPeer(other, "SwapFrame", __LINE__)) return;
    SwapHeader(*other);
}

int64_t StreamFrameBase::GetDurationMs() const {
    if (mDurationDen == 0) return 0;
    // Both are 32-bit, so the quotient always fits in 64 bits.
    return static_cast<int64_t>(static_cast<double>(mDurationNum) / static_cast<double>(mDurationDen));
}

bool StreamFrameBase::AcceptPeer(const StreamFrameBase* other, const char* op, int line) const {
    if (other == nullptr) {
        osal::SysLogAssert(op, line);
        return false;
    }
    if (other == this) return false;
    if (other->GetFormat() != GetFormat()) osal::SysLogAssert(op, line);
    return true;
}

void StreamFrameBase::CopyHeader(const StreamFrameBase& other) {
    mPts = other.mPts;
    mDts = other.mDts;
    mExtendedPts = other.mExtendedPts;
    mDurationNum = other.mDurationNum;
    mDurationDen = other.mDurationDen;
    mUnwrappedTs = other.mUnwrappedTs;
    mUid = other.mUid;
    mLatencyMarker = other.mLatencyMarker;
}

void StreamFrameBase::SwapHeader(StreamFrameBase& other) {
    std::swap(mPts, other.mPts);
    std::swap(mDts, other.mDts);
    std::swap(mExtendedPts, other.mExtendedPts);
    std::swap(mDurationNum, other.mDurationNum);
    std::swap(mDurationDen, other.mDurationDen);
    std::swap(mUnwrappedTs, other.mUnwrappedTs);
    std::swap(mUid, other.mUid);
    std::swap(mLatencyMarker, other.mLatencyMarker);
}

}  // namespace NetBit
