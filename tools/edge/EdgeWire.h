// One signalling datagram as the edge sees it: the RTCP APP envelope and the message header taken
// apart with the body left as raw TLV bytes, and the writer of the edge's own datagrams.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "signalling/DiveRtcpAppPacket.h"
#include "signalling/TLV.h"

namespace zrtc {
namespace edge {

using Bytes = std::vector<uint8_t>;

// Views into the received datagram; valid while it is.
struct WireMessage {
    uint8_t type = 0;     // RTCP APP sub type: the message type
    uint8_t kind = 0;     // low nibble of the header's second byte
    uint8_t version = 0;  // first header byte
    uint16_t msgId = 0;
    uint32_t ssrc = 0;
    uint8_t name[4] = {0, 0, 0, 0};
    const uint8_t* body = nullptr;  // TLV entries, padding included
    size_t bodyLen = 0;

    dive::TLVReader Body() const { return dive::TLVReader(body, bodyLen); }
};

// True for a datagram that is an RTCP APP packet (packet type 204) at all; the rest is media.
bool IsSignalling(const uint8_t* data, size_t len);

// Takes an RTCP APP datagram apart. False with *why set when it is not one or has no message header.
bool ParseWireMessage(const uint8_t* data, size_t len, WireMessage* out, std::string* why);

// "Connect", "Subscribe", ... for the message types; "type N" otherwise.
std::string TypeName(uint8_t type);
// "request", "final response", "temporary response", "ack"; "kind N" otherwise.
std::string KindName(uint8_t kind);

// Builds the edge's datagrams with one fixed SSRC.
// Thread safety: none; one writer per session.
class WireWriter {
public:
    explicit WireWriter(uint32_t ssrc) : mWriter(ssrc) {}
    // Header plus `body` (may be null: header only) wrapped in the APP envelope; empty on failure.
    Bytes Build(uint8_t type, uint8_t kind, uint16_t msgId, const dive::TLVWriter* body);
    uint32_t Ssrc() const { return mWriter.Ssrc(); }

private:
    dive::DiveRtcpAppWriter mWriter;
};

}  // namespace edge
}  // namespace zrtc
