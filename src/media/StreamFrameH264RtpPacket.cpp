#include "media/StreamFrameH264RtpPacket.h"

#include "osal/LLog.h"

namespace NetBit {

namespace {
constexpr int kStapA = 24;
constexpr int kFuA = 28;
constexpr int kFuB = 29;
constexpr int kSingleNal = 1;

// Only these NAL types matter further on (IDR slice, SEI, SPS, PPS); the rest read as 1.
int KeptNalType(int type) { return (type >= 5 && type <= 8) ? type : 1; }
}  // namespace

int StreamFrameH264RtpPacket::ParseHeader() {
    int start = 0;
    int end = 0;
    const int begun = BeginPayloadParse(&start, &end);
    if (begun <= 0) return begun;
    const uint8_t* p = Data();
    if (mHeader.mPayloadType == kRedPayloadType) {
        const int block = p[start];
        if (block == kRedFecBlock) {
            mFec = true;
            mHadParseHeader = true;
            return 0;
        }
        if (block != kRedPrimaryBlock) {
            VLOGE("Unknown type %02X\n", static_cast<unsigned>(block));
            return -1;
        }
        ++start;
        if (start >= end) {
            VLOGE("RED: payload size %d exceeds rtp size %d\n", start, end);
            return -1;
        }
    }
    const int size = end - start;
    const int type = p[start] & 0x1f;
    int nal_type = type;
    if (type >= kStapA && type <= kFuB) {
        mPacketType = type;
        if (type == kStapA) {
            // STAP-A header, 16-bit size, then the first unit's NAL header.
            if (size < 4) {
                VLOGE("STAP-A too short: payload size %d\n", size);
                return -1;
            }
            nal_type = p[start + 3] & 0x1f;
        } else if (type == kFuA) {
            if (size < 2) {
                VLOGE("FU-A too short: payload size %d\n", size);
                return -1;
            }
            const uint8_t fu = p[start + 1];
            mSliceStartFlag = (fu & 0x80) != 0;
            mSliceEndFlag = (fu & 0x40) != 0;
            nal_type = fu & 0x1f;
        } else {
            VLOGD("unkonw nalType packettype %d seq %d ts %d header size %d\n", type, mHeader.mSequenceNumber,
                  static_cast<int>(mHeader.mOriginTs), mHeader.HeaderLength());
            return -2;
        }
    } else {
        mPacketType = kSingleNal;
    }
    mNalType = KeptNalType(nal_type);
    mHadParseHeader = true;
    return 0;
}

void StreamFrameH264RtpPacket::PrintInfo() const {
    PrintFields();
    VLOGD("------Nalu------\n");
    VLOGD("nalType %d\n", mNalType);
    PrintEnd();
}

}  // namespace NetBit
