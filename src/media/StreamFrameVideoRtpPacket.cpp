#include "media/StreamFrameVideoRtpPacket.h"

#include <utility>

#include "osal/LLog.h"

namespace NetBit {

void StreamFrameVideoRtpPacket::CopyFrame(const StreamFrameBase* other) {
    if (!AcceptPeer(other, "CopyFrame", __LINE__)) return;
    CopyHeader(*other);
    const auto* packet = dynamic_cast<const StreamFrameVideoRtpPacket*>(other);
    if (packet == nullptr) return;
    CopyPacket(*packet);
    // The classification belongs to the bytes: a copy without it would be misread.
    mNalType = packet->mNalType;
    mFec = packet->mFec;
    mSliceStartFlag = packet->mSliceStartFlag;
    mSliceEndFlag = packet->mSliceEndFlag;
    mNalIndex = packet->mNalIndex;
    mFrameNum = packet->mFrameNum;
    mNalCount = packet->mNalCount;
}

void StreamFrameVideoRtpPacket::SwapFrame(StreamFrameBase* other) {
    if (!AcceptPeer(other, "SwapFrame", __LINE__)) return;
    SwapHeader(*other);
    auto* packet = dynamic_cast<StreamFrameVideoRtpPacket*>(other);
    if (packet == nullptr) return;
    SwapPacket(*packet);
    std::swap(mNalType, packet->mNalType);
    std::swap(mFec, packet->mFec);
    std::swap(mSliceStartFlag, packet->mSliceStartFlag);
    std::swap(mSliceEndFlag, packet->mSliceEndFlag);
    std::swap(mNalIndex, packet->mNalIndex);
    std::swap(mFrameNum, packet->mFrameNum);
    std::swap(mNalCount, packet->mNalCount);
}

bool StreamFrameVideoRtpPacket::CopyFrame(uint64_t uid, const void* packet, int capacity, int length,
                                          bool copy_capacity) {
    if (!Store(packet, capacity, length, copy_capacity)) return false;
    ClearClassification();
    mUid = uid;
    return true;
}

void StreamFrameVideoRtpPacket::ClearClassification() {
    mPacketType = 0;
    mNalType = -1;
    mFec = false;
    mSliceStartFlag = false;
    mSliceEndFlag = false;
}

int StreamFrameVideoRtpPacket::ParseHeader() {
    mHadParseHeader = false;
    ClearClassification();
    const int ret = mHeader.ParseHeader(Data(), Length());
    if (ret != 0) {
        VLOGE("failed to parse header ret %d\n", ret);
        return -1;
    }
    if (mHeader.HeaderLength() >= Length()) {
        VLOGD("payload is empty headerSize %d length %d\n", mHeader.HeaderLength(), Length());
        return -1;
    }
    mHadParseHeader = true;
    return 0;
}

void StreamFrameVideoRtpPacket::PayloadBounds(int* start, int* end) const {
    *start = mHeader.HeaderLength();
    *end = Length();
    if (mHeader.mPaddingBitSeen) *end -= mHeader.mPaddingLength;
}

int StreamFrameVideoRtpPacket::BeginPayloadParse(int* start, int* end) {
    if (StreamFrameVideoRtpPacket::ParseHeader() != 0) return -1;
    mHadParseHeader = false;  // until the payload is classified as well
    PayloadBounds(start, end);
    if (*start == *end) {
        VLOGD("maybe padding rtp. payload size %d exceeds rtp size %d\n", *start, *end);
        mPacketType = 1;
        mNalType = -1;
        mHadParseHeader = true;
        return 0;
    }
    if (*start > *end) {
        VLOGE("payload size %d exceeds rtp size %d\n", *start, *end);
        return -1;
    }
    return 1;
}

void StreamFrameVideoRtpPacket::PrintInfo() const {
    PrintFields();
    PrintEnd();
}

void StreamFrameVideoRtpPacket::PrintFields() const {
    const RTPHeader& h = mHeader;
    VLOGD("------header------\n");
    VLOGD("packetlength %d\n", Length());
    VLOGD("mPacketType %d\n", mPacketType);
    VLOGD("mPts %lld \n", static_cast<long long>(mPts));
    VLOGD("mDts %lld \n", static_cast<long long>(mDts));
    VLOGD("mExtendedPts %lld \n", static_cast<long long>(mExtendedPts));
    VLOGD("mHadParseHeader %d\n", mHadParseHeader);
    VLOGD("mVersion %d\n", h.mVersion);
    VLOGD("mMarkerBit %d\n", h.mMarkerBit);
    VLOGD("mPayloadType %d\n", h.mPayloadType);
    VLOGD("mSequenceNumber %d\n", h.mSequenceNumber);
    VLOGD("mOriginTs %d\n", static_cast<int>(h.mOriginTs));
    VLOGD("mUnwraperSeq %llu\n", static_cast<unsigned long long>(mUnwraperSeq));
    VLOGD("mUnwraperTs %llu\n", static_cast<unsigned long long>(mUnwraperTs));
    VLOGD("mSsrc %d\n", static_cast<int>(h.mSsrc));
    VLOGD("mNumCSRCs %d\n", h.mNumCSRCs);
    VLOGD("mExtensionLength %d\n", h.mExtensionLength);
    VLOGD("mNormalHeaderLength %d\n", h.mNormalHeaderLength);
    VLOGD("mHaveExtensionHeader %d\n", h.mHaveExtensionHeader);
    VLOGD("mExtensionHeaderType %d\n", h.mExtensionHeaderType);
    VLOGD("mHaveCts %d\n", h.mHaveCts);
    VLOGD("mCts %lld\n", static_cast<long long>(h.mCts));
    VLOGD("mHaveGlobalDelay %d\n", h.mHaveGlobalDelay);
    VLOGD("mGlobalDelay %lld\n", static_cast<long long>(h.mGlobalDelay));
    VLOGD("mSliceStartFlag %d\n", mSliceStartFlag);
    VLOGD("mSliceEndFlag %d\n", mSliceEndFlag);
    VLOGD("mNalIndex %d\n", mNalIndex);
    VLOGD("mFrameNum %d\n", mFrameNum);
    VLOGD("mNalCount %d\n", mNalCount);
}

void StreamFrameVideoRtpPacket::PrintEnd() const { VLOGD("-------end-----\n"); }

}  // namespace NetBit
