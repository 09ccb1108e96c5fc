// NetBit::StreamFrameOpusRtpPacket: one received audio RTP packet (any audio codec).
#pragma once

#include <cstdint>

#include "media/RtpPacketData.h"
#include "media/StreamFrameBase.h"

namespace NetBit {

// Thread safety: none; one owner at a time.
class StreamFrameOpusRtpPacket : public StreamFrameBase, public RtpPacketData {
public:
    StreamFrameOpusRtpPacket() : StreamFrameBase(kStreamFormatOpusRtpPacket) {}

    void CopyFrame(const StreamFrameBase* other) override;
    void SwapFrame(StreamFrameBase* other) override;
    // Stores a copy of `packet` (`length` bytes, or all `capacity` with `copy_capacity`) in a
    // buffer of `capacity` bytes, with the user id and mPts = `pts_ms`. Refused (false, frame
    // unchanged) when capacity < length or the arguments are otherwise unusable.
    virtual bool CopyFrame(uint64_t uid, const void* packet, int capacity, int length, int pts_ms,
                           bool copy_capacity);

    // Parses the RTP header: 0, or -1 with a debug line. On success mExtendedPts = CTS + audio
    // base timestamp (each 0 when absent).
    int ParseHeader();
};

}  // namespace NetBit
