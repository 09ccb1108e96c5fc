// Peeks into the fixed RTP header (RFC 3550 section 5.1) without parsing the packet.
//
//    0                   1                   2                   3
//    0 1 2 3 4 5 6 7 8 9 0 1 2 3 4 5 6 7 8 9 0 1 2 3 4 5 6 7 8 9 0 1
//   +-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+
//   |V=2|P|X|  CC   |M|     PT      |       sequence number         |
//   +-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+
//   |                           timestamp                           |
//   +-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+
//   |                             SSRC                              |
//   +-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+
#pragma once

#include <cstddef>
#include <cstdint>

namespace NetBit {

// Each is false (and leaves *out alone) for a null packet or output, or fewer than 12 bytes.
bool GetRtpSeqNum(const uint8_t* packet, size_t len, uint16_t* seq);  // bytes 2-3, big-endian
bool GetRtpTs(const uint8_t* packet, size_t len, uint32_t* ts);       // bytes 4-7, big-endian
bool GetRtpSsrc(const uint8_t* packet, size_t len, uint32_t* ssrc);   // bytes 8-11, big-endian

}  // namespace NetBit
