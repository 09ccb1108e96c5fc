#include "signalling/MediaParams.h"

namespace dive {

namespace {

void PutU32(DiveBuffer* b, uint32_t v) {
    const uint8_t bytes[4] = {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>((v >> 16) & 0xFF),
                              static_cast<uint8_t>((v >> 8) & 0xFF), static_cast<uint8_t>(v & 0xFF)};
    b->Append(bytes, sizeof(bytes));
}

uint32_t GetU32(const uint8_t* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | p[3];
}

uint8_t Field2(uint8_t byte, int shift) { return static_cast<uint8_t>((byte >> shift) & 0x03); }

}  // namespace

DiveBuffer RtcpAppAudioCodecConfig::Encode() const {
    DiveBuffer b;
    b.Append(codecId);
    PutU32(&b, sampleRate);
    b.Append(channels);
    return b;
}

bool RtcpAppAudioCodecConfig::Decode(const DiveBuffer& blob) {
    if (blob.Length() < kSize) return false;
    codecId = blob[0];
    sampleRate = GetU32(blob.Data() + 1);
    channels = blob[5];
    return true;
}

DiveBuffer RtcpAppTransConfig::Encode() const {
    DiveBuffer b;
    b.Append(static_cast<uint8_t>(((direction & 3) << 6) | ((nack & 3) << 4) | ((rtx & 3) << 2) | (fec & 3)));
    b.Append(static_cast<uint8_t>((red & 3) << 6));
    return b;
}

bool RtcpAppTransConfig::Decode(const DiveBuffer& blob) {
    if (blob.Length() < kSize) return false;
    direction = Field2(blob[0], 6);
    nack = Field2(blob[0], 4);
    rtx = Field2(blob[0], 2);
    fec = Field2(blob[0], 0);
    red = Field2(blob[1], 6);
    return true;
}

DiveBuffer RtcpAppOpusConfig::Encode() const {
    DiveBuffer b;
    b.Append(static_cast<uint8_t>(((inbandFec & 3) << 6) | ((dtx & 3) << 4)));
    return b;
}

bool RtcpAppOpusConfig::Decode(const DiveBuffer& blob) {
    if (blob.Empty()) return false;
    inbandFec = Field2(blob[0], 6);
    dtx = Field2(blob[0], 4);
    return true;
}

DiveBuffer RtcpAppRtxConfig::Encode() const {
    DiveBuffer b;
    b.Append(payloadType);
    b.Append(associatedPayloadType);
    PutU32(&b, ssrc);
    return b;
}

bool RtcpAppRtxConfig::Decode(const DiveBuffer& blob) {
    if (blob.Length() < kSize) return false;
    payloadType = blob[0];
    associatedPayloadType = blob[1];
    ssrc = GetU32(blob.Data() + 2);
    return true;
}

DiveBuffer RtcpAppRedConfig::Encode() const {
    DiveBuffer b;
    b.Append(type);
    b.Append(payloadType);
    return b;
}

bool RtcpAppRedConfig::Decode(const DiveBuffer& blob) {
    if (blob.Length() < kSize) return false;
    type = blob[0];
    payloadType = blob[1];
    return true;
}

void RtcpAppFecTransConfig::SetConfig(RtcpAppFecTransType type, uint8_t payloadType, uint32_t primeSsrc,
                                      uint32_t fecSsrc) {
    Clear();
    Append(static_cast<uint8_t>(type));
    Append(payloadType);
    PutU32(this, primeSsrc);
    PutU32(this, fecSsrc);
}

bool RtcpAppFecTransConfig::GetConfig(RtcpAppFecTransType* type, uint8_t* payloadType, uint32_t* primeSsrc,
                                      uint32_t* fecSsrc) const {
    if (Length() < kSize) return false;
    *type = static_cast<RtcpAppFecTransType>(Data()[0]);
    *payloadType = Data()[1];
    *primeSsrc = GetU32(Data() + 2);
    *fecSsrc = GetU32(Data() + 6);
    return true;
}

bool RtcpAppRtpExtension::AddExt(uint8_t type, uint8_t id) {
    for (size_t i = 0; i < Length(); i += 2)
        if (Data()[i] == type) return false;
    Append(type);
    Append(id);
    return true;
}

}  // namespace dive
