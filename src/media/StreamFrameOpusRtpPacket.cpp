#include "media/StreamFrameOpusRtpPacket.h"

#include "osal/LLog.h"

namespace NetBit {

void StreamFrameOpusRtpPacket::CopyFrame(const StreamFrameBase* other) {
    if (!AcceptPeer(other, "CopyFrame", __LINE__)) return;
    CopyHeader(*other);
    const auto* packet = dynamic_cast<const StreamFrameOpusRtpPacket*>(other);
    if (packet != nullptr) CopyPacket(*packet);
}

void StreamFrameOpusRtpPacket::SwapFrame(StreamFrameBase* other) {
    if (!AcceptPeer(other, "SwapFrame", __LINE__)) return;
    SwapHeader(*other);
    auto* packet = dynamic_cast<StreamFrameOpusRtpPacket*>(other);
    if (packet != nullptr) SwapPacket(*packet);
}

bool StreamFrameOpusRtpPacket::CopyFrame(uint64_t uid, const void* packet, int capacity, int length, int pts_ms,
                                         bool copy_capacity) {
    if (!Store(packet, capacity, length, copy_capacity)) return false;
    mUid = uid;
    mPts = pts_ms;
    return true;
}

int StreamFrameOpusRtpPacket::ParseHeader() {
    const int ret = mHeader.ParseHeader(Data(), Length());
    if (ret != 0) {
        mHadParseHeader = false;
        VLOGD("failed to parse header ret %d\n", ret);
        return -1;
    }
    mHadParseHeader = true;
    const int64_t cts = mHeader.mHaveCts ? mHeader.mCts : 0;
    const int64_t base = mHeader.mHaveAudioBaseTs ? static_cast<int64_t>(mHeader.mAudioBaseTs) : 0;
    mExtendedPts = cts + base;
    return 0;
}

}  // namespace NetBit
