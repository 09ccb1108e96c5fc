// NetBit::StreamFrameVideoRtpPacket: one received video RTP packet.
#pragma once

#include <cstdint>

#include "media/RtpPacketData.h"
#include "media/StreamFrameBase.h"

namespace NetBit {

// The codec forms (StreamFrameH264RtpPacket, StreamFrameHEVCRtpPacket) add the payload
// classification to ParseHeader. Thread safety: none; one owner at a time.
class StreamFrameVideoRtpPacket : public StreamFrameBase, public RtpPacketData {
public:
    StreamFrameVideoRtpPacket() : StreamFrameBase(kStreamFormatUnknown) {}

    void CopyFrame(const StreamFrameBase* other) override;
    void SwapFrame(StreamFrameBase* other) override;
    // Stores a copy of `packet` (`length` bytes, or all `capacity` with `copy_capacity`) in a
    // buffer of `capacity` bytes, with the user id. Refused (false, frame unchanged) when
    // capacity < length or the arguments are otherwise unusable.
    virtual bool CopyFrame(uint64_t uid, const void* packet, int capacity, int length, bool copy_capacity);
    // Parses the RTP header and requires a payload after it: 0, or -1 with a logged line.
    virtual int ParseHeader();
    // Dumps the packet's fields to the log at debug level.
    virtual void PrintInfo() const;

    int32_t mNalType = -1;  // NAL unit type of the payload; -1 until parsed or when there is none
    bool mFec = false;      // a RED FEC block
    bool mSliceStartFlag = false;  // fragment start bit (FU-A / FU)
    bool mSliceEndFlag = false;    // fragment end bit
    // Shown by PrintInfo; nothing on the receive path fills them in.
    int32_t mNalIndex = 0;
    int32_t mFrameNum = 0;
    int32_t mNalCount = 0;

protected:
    explicit StreamFrameVideoRtpPacket(int32_t format) : StreamFrameBase(format) {}

    // Where the payload lies once the header is parsed: [*start, *end), RTP padding excluded.
    // *start > *end when the padding count claims more bytes than follow the header.
    void PayloadBounds(int* start, int* end) const;
    // The header parse and payload bounds the codec forms start with: -1 refused, 0 a padding-only
    // packet (classified as a single NAL without type), 1 with [start, end) left to classify.
    int BeginPayloadParse(int* start, int* end);
    void PrintFields() const;  // from "------header------" to the last field
    void PrintEnd() const;     // "-------end-----"
    void ClearClassification();
};

}  // namespace NetBit
