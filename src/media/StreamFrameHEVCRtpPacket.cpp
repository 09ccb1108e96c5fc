#include "media/StreamFrameHEVCRtpPacket.h"

#include "osal/LLog.h"

namespace NetBit {

namespace {
constexpr int kAggregation = 48;
constexpr int kFragmentation = 49;
constexpr int kPaci = 50;
}  // namespace

int StreamFrameHEVCRtpPacket::ParseHeader() {
    if (StreamFrameVideoRtpPacket::ParseHeader() != 0) return -1;
    mHadParseHeader = false;  // until the payload is classified as well
    int start = 0;
    int end = 0;
    PayloadBounds(&start, &end);
    if (start == end) {
        VLOGD("maybe padding rtp. payload size %d exceeds rtp size %d\n", start, end);
        mPacketType = 1;
        mNalType = -1;
        mHadParseHeader = true;
        return 0;
    }
    if (start > end) {
        VLOGE("payload size %d exceeds rtp size %d\n", start, end);
        return -1;
    }
    const uint8_t* p = Data();
    const int size = end - start;
    const int type = (p[start] >> 1) & 0x3f;
    if (type == kAggregation || type == kPaci) {
        mPacketType = type;
        mNalType = -1;
    } else if (type == kFragmentation) {
        // Two bytes of payload header, then the FU header.
        if (size < 3) {
            VLOGE("FU too short: payload size %d\n", size);
            return -1;
        }
        const uint8_t fu = p[start + 2];
        mPacketType = kFragmentation;
        mSliceStartFlag = (fu & 0x80) != 0;
        mSliceEndFlag = (fu & 0x40) != 0;
        mNalType = fu & 0x3f;
    } else {
        mPacketType = kSingleNal;
        mNalType = type;
    }
    mHadParseHeader = true;
    return 0;
}

void StreamFrameHEVCRtpPacket::PrintInfo() const {
    PrintFields();
    VLOGD("------Nalu------\n");
    VLOGD("nalType %d\n", mNalType);
    PrintEnd();
}

}  // namespace NetBit
