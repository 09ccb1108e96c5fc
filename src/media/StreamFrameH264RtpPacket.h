// NetBit::StreamFrameH264RtpPacket: one H.264 RTP packet (RFC 6184), classified by ParseHeader.
#pragma once

#include "media/StreamFrameVideoRtpPacket.h"

namespace NetBit {

// After ParseHeader: mPacketType is 1 (single NAL unit, or padding only), 24 (STAP-A) or 28
// (FU-A); mNalType is 5, 6, 7 or 8 when the (first) unit is one of those, else 1 (-1 for padding
// only or an FEC block); mSliceStartFlag / mSliceEndFlag are the FU-A S and E bits; mFec marks a
// RED FEC block. Thread safety: none; one owner at a time.
class StreamFrameH264RtpPacket : public StreamFrameVideoRtpPacket {
public:
    // Payload type of RED-wrapped packets, and the block types inside.
    static constexpr int kRedPayloadType = 98;
    static constexpr int kRedFecBlock = 101;
    static constexpr int kRedPrimaryBlock = 127;

    StreamFrameH264RtpPacket() : StreamFrameVideoRtpPacket(kStreamFormatH264RtpPacket) {}

    // 0; -1 for a bad header or payload (logged); -2 for an aggregation or fragmentation form this
    // receiver does not take (STAP-B, MTAP16, MTAP24, FU-B).
    int ParseHeader() override;
    void PrintInfo() const override;
};

}  // namespace NetBit
