#include "platform/RtpPeek.h"

namespace NetBit {

namespace {

constexpr size_t kRtpFixedHeaderSize = 12;

bool Readable(const uint8_t* packet, size_t len, const void* out) {
    return packet && out && len >= kRtpFixedHeaderSize;
}

uint32_t Big32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

}  // namespace

bool GetRtpSeqNum(const uint8_t* packet, size_t len, uint16_t* seq) {
    if (!Readable(packet, len, seq)) return false;
    *seq = static_cast<uint16_t>((packet[2] << 8) | packet[3]);
    return true;
}

bool GetRtpTs(const uint8_t* packet, size_t len, uint32_t* ts) {
    if (!Readable(packet, len, ts)) return false;
    *ts = Big32(packet + 4);
    return true;
}

bool GetRtpSsrc(const uint8_t* packet, size_t len, uint32_t* ssrc) {
    if (!Readable(packet, len, ssrc)) return false;
    *ssrc = Big32(packet + 8);
    return true;
}

}  // namespace NetBit
