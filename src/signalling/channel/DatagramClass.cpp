#include "signalling/channel/DatagramClass.h"

namespace zeqmcdn {

namespace {
constexpr size_t kRtpHeaderSize = 12;    // fixed RTP header: shorter datagrams cannot be RTP
constexpr size_t kMinProbeSize = 2;      // byte 1 must exist for the packet-type test
constexpr size_t kMinSignallingSize = 4; // RTCP common header
constexpr uint8_t kRtcpApp = 204;

bool VersionIsTwo(uint8_t b0) { return (b0 >> 6) == 2; }
// Bits 6-5 of byte 1 are 10: the RTCP packet types 192..223 (with or without the marker bit).
bool InRtcpTypeRange(uint8_t b1) { return (b1 & 0x60) == 0x40; }
}  // namespace

DatagramClass ClassifyDatagram(const uint8_t* data, size_t len) {
    if (!data || len < kMinProbeSize) return DatagramClass::kDropped;
    const bool taken = len >= kRtpHeaderSize ? (VersionIsTwo(data[0]) || InRtcpTypeRange(data[1]))
                                             : InRtcpTypeRange(data[1]);
    if (!taken) return DatagramClass::kDropped;
    if (len >= kMinSignallingSize && data[1] == kRtcpApp) return DatagramClass::kSignalling;
    return DatagramClass::kMedia;
}

}  // namespace zeqmcdn
