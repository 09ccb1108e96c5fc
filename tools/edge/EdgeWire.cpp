#include "EdgeWire.h"

#include "signalling/DiveBuffer.h"

namespace zrtc {
namespace edge {

namespace {
constexpr uint8_t kPacketTypeApp = 204;
}

bool IsSignalling(const uint8_t* data, size_t len) {
    return data != nullptr && len >= 4 && (data[0] >> 6) == 2 && data[1] == kPacketTypeApp;
}

bool ParseWireMessage(const uint8_t* data, size_t len, WireMessage* out, std::string* why) {
    if (!IsSignalling(data, len)) {
        *why = "not an RTCP APP packet";
        return false;
    }
    dive::DiveRtcpAppReader reader;
    if (!reader.Read(data, len)) {
        *why = "malformed RTCP APP envelope (" + std::to_string(len) + " bytes)";
        return false;
    }
    dive::TLVHeader header;
    if (!header.ReadHeader(reader.AppData(), reader.AppDataLength())) {
        *why = "no message header";
        return false;
    }
    out->type = reader.SubType();
    out->kind = header.kind;
    out->version = header.version;
    out->msgId = header.msgId;
    out->ssrc = reader.Ssrc();
    for (size_t i = 0; i < 4; ++i) out->name[i] = reader.Name()[i];
    out->body = reader.AppData() + dive::TLVHeader::kSize;
    out->bodyLen = reader.AppDataLength() - dive::TLVHeader::kSize;
    return true;
}

std::string TypeName(uint8_t type) {
    static const char* const kNames[] = {"Connect",    "Publish",   "Subscribe",   "PublishUpdate",
                                         "SubscribeUpdate", "Stop", "Disconnect",  "HeartBeat",
                                         "MtuDetect",  "MtuDetectEnd", "MediaControl", "Notify"};
    if (type < sizeof(kNames) / sizeof(kNames[0])) return kNames[type];
    if (type == 13) return "Mobility";
    return "type " + std::to_string(type);
}

std::string KindName(uint8_t kind) {
    switch (kind) {
        case 0: return "request";
        case 1: return "final response";
        case 2: return "temporary response";
        case 3: return "ack";
        default: return "kind " + std::to_string(kind);
    }
}

Bytes WireWriter::Build(uint8_t type, uint8_t kind, uint16_t msgId, const dive::TLVWriter* body) {
    if (body != nullptr && body->Failed()) return {};
    dive::TLVHeader header;
    header.kind = kind;
    header.msgId = msgId;
    dive::DiveBuffer app;
    header.WriteHeader(&app);
    if (body != nullptr) app.Append(body->Data(), body->Length());
    const dive::DiveBuffer* packet = mWriter.Write(type, app);
    if (packet == nullptr) return {};
    return Bytes(packet->Data(), packet->Data() + packet->Length());
}

}  // namespace edge
}  // namespace zrtc
