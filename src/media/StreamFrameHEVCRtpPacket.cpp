#include "media/StreamFrameHEVCRtpPacket.h"

#include "osal/LLog.h"

namespace NetBit {

namespace {
constexpr int kAggregation = 48;
constexpr int kFragmentation = 49;
constexpr int kPaci = 50;
}  // namespace

int StreamFrameHEVCRtpPacket::ParseHeader() {
    int start = 0;
    int end = 0;
    const int begun = BeginPayloadParse(&start, &end);
    if (begun <= 0) return begun;
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
