// NetBit::StreamFrameHEVCRtpPacket: one HEVC RTP packet (RFC 7798), classified by ParseHeader.
#pragma once

#include "media/StreamFrameVideoRtpPacket.h"

namespace NetBit {

// After ParseHeader: mPacketType is 48 (aggregation packet) or 50 (PACI) with mNalType -1, 49
// (fragmentation unit) with the FU's NAL type and S / E bits, or 101 (single NAL unit) with its
// type. Thread safety: none; one owner at a time.
class StreamFrameHEVCRtpPacket : public StreamFrameVideoRtpPacket {
public:
    static constexpr int kSingleNal = 101;

    StreamFrameHEVCRtpPacket() : StreamFrameVideoRtpPacket(kStreamFormatHEVCRtpPacket) {}

    // 0, or -1 for a bad header or payload (logged).
    int ParseHeader() override;
    void PrintInfo() const override;
};

}  // namespace NetBit
