// What a client may send the edge: for every message type and kind, which entries its TLV list
// carries, how wide each is, and which may repeat. Written from the message catalogue of the
// protocol, independently of the codec, so the edge can tell a faulty client (or codec) apart.
#pragma once

#include <string>
#include <vector>

#include "EdgeWire.h"

namespace zrtc {
namespace edge {

// Every deviation of one received message from the catalogue, one short text each ("tag 4
// missing", "tag 12 has 2 bytes, expected 1", "in tag 4, entry 3 #0: tag 1 missing"); empty when it
// conforms. Never reads outside the message.
std::vector<std::string> CheckAgainstCatalogue(const WireMessage& msg);

// True when the client has to acknowledge the edge's final response to this message type.
bool FinalNeedsAck(uint8_t type);

}  // namespace edge
}  // namespace zrtc
