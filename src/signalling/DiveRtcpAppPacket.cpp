#include "signalling/DiveRtcpAppPacket.h"

#include <cstring>

#include "osal/LLog.h"
#include "signalling/DiveRtcpAppInterface.h"

namespace dive {

namespace {
constexpr uint8_t kVersionBits = 0x80;  // V=2, P=0
constexpr size_t kCommonHeaderSize = 4;
constexpr size_t kMinAppPayload = 8;  // SSRC and name
constexpr uint8_t kPaddingByte = 0xFF;
}  // namespace

const DiveBuffer* DiveRtcpAppWriter::Write(uint32_t subType, const uint8_t* data, size_t len) {
    if (subType > 0x1F) {
        VLOGE("RTCP APP sub type %u does not fit five bits\n", subType);
        return nullptr;
    }
    const size_t padding = (4 - len % 4) % 4;
    if (len > kMaxPacketSize - kHeaderSize - padding) {
        VLOGE("RTCP APP data of %zu bytes exceeds the packet length field\n", len);
        return nullptr;
    }
    const size_t total = kHeaderSize + len + padding;
    const size_t words = total / 4 - 1;
    uint8_t header[kHeaderSize] = {static_cast<uint8_t>(kVersionBits | subType),
                                   DiveRtcpAppReader::kPacketTypeApp,
                                   static_cast<uint8_t>(words >> 8),
                                   static_cast<uint8_t>(words & 0xFF),
                                   static_cast<uint8_t>(mSsrc >> 24),
                                   static_cast<uint8_t>((mSsrc >> 16) & 0xFF),
                                   static_cast<uint8_t>((mSsrc >> 8) & 0xFF),
                                   static_cast<uint8_t>(mSsrc & 0xFF),
                                   0,
                                   0,
                                   0,
                                   0};
    // The name is the first four bytes of the type's name, zero-filled ("CON" + 0).
    const char* name = DiveRtcpAppInterface::GetSubTypeName(subType);
    for (size_t i = 0; i < 4 && name[i] != '\0'; ++i) header[8 + i] = static_cast<uint8_t>(name[i]);

    mPacket.Clear();
    mPacket.Reserve(total);
    mPacket.Append(header, sizeof(header));
    mPacket.Append(data, len);
    for (size_t i = 0; i < padding; ++i) mPacket.Append(kPaddingByte);
    return &mPacket;
}

bool DiveRtcpAppReader::Read(const uint8_t* data, size_t len) {
    if (!data || len < kCommonHeaderSize) {
        VLOGW("RTCP packet of %zu bytes is too short for a header\n", len);
        return false;
    }
    if ((data[0] >> 6) != 2) {
        VLOGW("Invalid RTCP version %u\n", static_cast<unsigned>(data[0] >> 6));
        return false;
    }
    size_t payload = static_cast<size_t>((data[2] << 8) | data[3]) * 4;
    if (payload > len - kCommonHeaderSize) {
        VLOGW("RTCP length field claims %zu payload bytes, the datagram holds %zu\n", payload,
              len - kCommonHeaderSize);
        return false;
    }
    if (data[0] & 0x20) {  // padding bit: the last byte counts the padding bytes
        const size_t padding = payload ? data[kCommonHeaderSize + payload - 1] : 0;
        if (padding == 0 || padding > payload) {
            VLOGW("Invalid RTCP padding of %zu bytes in a payload of %zu bytes\n", padding, payload);
            return false;
        }
        payload -= padding;
    }
    if (data[1] != kPacketTypeApp) {
        VLOGW("RTCP packet type %u is not APP\n", data[1]);
        return false;
    }
    if (payload < kMinAppPayload) {
        VLOGW("Packet is too small to be a valid APP packet");
        return false;
    }
    if (payload % 4 != 0) {
        VLOGW("Packet payload must be 32 bits aligned to make a valid APP packet");
        return false;
    }
    const uint8_t* p = data + kCommonHeaderSize;
    mSubType = static_cast<uint8_t>(data[0] & 0x1F);
    mSsrc = (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
            (static_cast<uint32_t>(p[2]) << 8) | p[3];
    std::memcpy(mName, p + 4, 4);
    mAppData = p + kMinAppPayload;
    mAppDataLen = payload - kMinAppPayload;
    return true;
}

}  // namespace dive
