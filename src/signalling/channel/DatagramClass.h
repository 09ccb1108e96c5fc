// Which path a received datagram takes: dropped, the signalling codec, or the media path.
//
//   byte 0          byte 1
//   +-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+
//   |V=2|           |X|1 0|         |   V: RTP/RTCP version; bits 6-5 of byte 1 are 10 for
//   +-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+   every RTCP packet type (192..223), 204 is APP
//
// A datagram of 12 bytes or more is taken when its version is 2, or else when byte 1 lies in the
// RTCP packet-type range; a shorter one (2..11 bytes) only by the packet-type test; below 2 bytes
// nothing is taken. A taken datagram of at least 4 bytes whose byte 1 is 204 (APP) is signalling,
// every other taken datagram is media.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zeqmcdn {

enum class DatagramClass { kDropped, kSignalling, kMedia };

DatagramClass ClassifyDatagram(const uint8_t* data, size_t len);

}  // namespace zeqmcdn
