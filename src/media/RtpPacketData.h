// NetBit::RtpPacketData: the raw packet and parse state shared by the RTP-packet frames.
#pragma once

#include <cstdint>

#include "receive/RTPHeader.h"

namespace NetBit {

// The packet bytes live in a malloc'ed buffer of at least Capacity() bytes, owned by the frame
// unless attached as borrowed; Length() <= Capacity() always. The bytes between Length() and
// Capacity() are spare room for in-place rewriting (zero unless copied from a packet's own spare).
// A part of StreamFrameOpusRtpPacket and StreamFrameVideoRtpPacket, not a frame by itself.
// Thread safety: none; one owner at a time.
class RtpPacketData {
public:
    uint8_t* Data() { return mData; }
    const uint8_t* Data() const { return mData; }
    int Length() const { return mLength; }
    int Capacity() const { return mCapacity; }
    bool OwnsData() const { return mOwnsData; }
    // Shortens or lengthens the packet inside its capacity (0 <= length <= Capacity()).
    bool SetLength(int length);
    // Takes `data` (`capacity` bytes, the first `length` of them the packet) as the buffer. With
    // `take_ownership` it must come from malloc and is freed by the frame; otherwise the caller
    // keeps it alive while the frame holds it. The parse state is cleared.
    bool AttachBuffer(uint8_t* data, int capacity, int length, bool take_ownership);

    int32_t mPacketType = 0;    // payload classification of the video forms; 0 until parsed
    uint64_t mUnwraperTs = 0;   // unwrapped RTP timestamp
    uint64_t mUnwraperSeq = 0;  // unwrapped sequence number
    RTPHeader mHeader;
    bool mHadParseHeader = false;

protected:
    RtpPacketData() = default;
    ~RtpPacketData();
    RtpPacketData(const RtpPacketData&) = delete;
    RtpPacketData& operator=(const RtpPacketData&) = delete;

    // Copies `length` bytes of `packet` (all `capacity` bytes with `copy_capacity`) into a buffer
    // of `capacity` bytes, growing it when needed. Refused (false, nothing changes) when
    // capacity < length, either is negative, or `packet` is null with bytes to copy. Clears the
    // parse state: new bytes have not been parsed.
    bool Store(const void* packet, int capacity, int length, bool copy_capacity);
    // Deep copy of every field of `other`; the copy owns its bytes.
    void CopyPacket(const RtpPacketData& other);
    void SwapPacket(RtpPacketData& other);
    void ClearParseState();

private:
    void FreeData();

    uint8_t* mData = nullptr;
    bool mOwnsData = true;
    int32_t mCapacity = 0;
    int32_t mLength = 0;
    int32_t mAllocated = 0;  // size of an owned buffer (may exceed mCapacity after a shrink)
};

}  // namespace NetBit
