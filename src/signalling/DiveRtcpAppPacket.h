// The RTCP APP packet (RFC 3550, section 6.7) that carries one signalling message per datagram.
//
//   0                   1                   2                   3
//   0 1 2 3 4 5 6 7 8 9 0 1 2 3 4 5 6 7 8 9 0 1 2 3 4 5 6 7 8 9 0 1
//  +-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+
//  |V=2|P|subtype  |   PT=APP=204  |             length            |  length: 32-bit words - 1
//  +-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+
//  |                        SSRC of the sender                     |
//  +-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+
//  |                         name (ASCII)                          |  "CON\0", "PUB\0", "SUBU", ...
//  +-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+
//  |        application data: message header, TLV entries         |
//  :                               +-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+
//  :                               |  0xFF padding to 4-byte edge  |
//  +-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+
//
// The writer pads the application data with 0xFF bytes up to the next multiple of four and counts
// them in the length; the RTCP padding bit stays 0 (the TLV scan ends on the 0xFF bytes by itself).
#pragma once

#include <cstddef>
#include <cstdint>

#include "signalling/DiveBuffer.h"

namespace dive {

// Thread safety: none; the codec calls it under its lock.
class DiveRtcpAppWriter {
public:
    static constexpr size_t kHeaderSize = 12;  // common header, SSRC, name
    // The 16-bit length field counts 32-bit words minus one.
    static constexpr size_t kMaxPacketSize = 4 * (0xFFFF + 1);

    explicit DiveRtcpAppWriter(uint32_t ssrc) : mSsrc(ssrc) {}

    // Wraps already encoded APP data. The packet stays valid until the next call; null when the sub
    // type does not fit its five bits or the packet would exceed kMaxPacketSize.
    const DiveBuffer* Write(uint32_t subType, const uint8_t* data, size_t len);
    const DiveBuffer* Write(uint32_t subType, const DiveBuffer& data) { return Write(subType, data.Data(), data.Length()); }
    uint32_t Ssrc() const { return mSsrc; }

private:
    uint32_t mSsrc;
    DiveBuffer mPacket;
};

// Accepts one datagram whose first packet is an RTCP APP packet. Views into the caller's bytes.
// Thread safety: none; one reader per datagram.
class DiveRtcpAppReader {
public:
    static constexpr uint8_t kPacketTypeApp = 204;

    // False (with a logged line) when the RTCP common header does not parse, the packet type is not
    // 204, or the APP payload is shorter than 8 bytes or not 32-bit aligned. Bytes after the first
    // packet are ignored.
    bool Read(const uint8_t* data, size_t len);

    uint8_t SubType() const { return mSubType; }
    uint32_t Ssrc() const { return mSsrc; }
    const uint8_t* Name() const { return mName; }  // four bytes
    const uint8_t* AppData() const { return mAppData; }
    size_t AppDataLength() const { return mAppDataLen; }

private:
    uint8_t mSubType = 0;
    uint32_t mSsrc = 0;
    uint8_t mName[4] = {0, 0, 0, 0};
    const uint8_t* mAppData = nullptr;
    size_t mAppDataLen = 0;
};

}  // namespace dive
