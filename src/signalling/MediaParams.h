// Records of the media description carried in signalling: the mini SDP with its audio and video
// media parameters, the common media parameters with SRTP parameters, the session parameters, and
// the small binary configuration blobs inside them.
#pragma once

#include <cstdint>
#include <vector>

#include "signalling/DiveBuffer.h"

namespace dive {

// --- configuration blobs ---------------------------------------------------------------------

// Audio codec configuration, 6 bytes: codec id, sample rate (uint32, Hz), channel count.
enum RtcpAppAudioCodecId : uint8_t { kAudioCodecAac = 1, kAudioCodecOpus = 2, kAudioCodecAacVariant = 6 };
enum RtcpAppVideoCodecId : uint8_t { kVideoCodecH264 = 1, kVideoCodecHevc = 2 };

struct RtcpAppAudioCodecConfig {
    static constexpr size_t kSize = 6;
    uint8_t codecId = 0;
    uint32_t sampleRate = 0;
    uint8_t channels = 0;

    DiveBuffer Encode() const;
    // False (fields untouched) when fewer than 6 bytes are present.
    bool Decode(const DiveBuffer& blob);
};

// Transport configuration, 2 bytes. Byte 0: bits 7-6 direction, 5-4 NACK, 3-2 RTX, 1-0 FEC; byte 1:
// bits 7-6 RED; the rest reserved 0. A feature is in use when its field is non-zero.
struct RtcpAppTransConfig {
    static constexpr size_t kSize = 2;
    uint8_t direction = 0;
    uint8_t nack = 0;
    uint8_t rtx = 0;
    uint8_t fec = 0;
    uint8_t red = 0;

    DiveBuffer Encode() const;
    // False (fields untouched) when fewer than 2 bytes are present.
    bool Decode(const DiveBuffer& blob);
};

// Opus configuration, 1 byte: bits 7-6 in-band FEC (1 = on), bits 5-4 DTX (1 = on).
struct RtcpAppOpusConfig {
    uint8_t inbandFec = 0;
    uint8_t dtx = 0;

    DiveBuffer Encode() const;
    bool Decode(const DiveBuffer& blob);
};

// FEC algorithm list: one byte per algorithm offered.
enum RtcpAppFecAlgorithm : uint8_t { kFecXor = 1, kFecReedSolomon = 2, kFecZeq = 3 };

// RTX configuration, 6 bytes: RTX payload type, associated payload type, RTX SSRC.
struct RtcpAppRtxConfig {
    static constexpr size_t kSize = 6;
    uint8_t payloadType = 0;
    uint8_t associatedPayloadType = 0;
    uint32_t ssrc = 0;

    DiveBuffer Encode() const;
    bool Decode(const DiveBuffer& blob);
};

// RED configuration, 2 bytes: RED type, RED payload type.
struct RtcpAppRedConfig {
    static constexpr size_t kSize = 2;
    uint8_t type = 0;
    uint8_t payloadType = 0;

    DiveBuffer Encode() const;
    bool Decode(const DiveBuffer& blob);
};

// Values are the server's; the codec carries them unchanged.
enum RtcpAppFecTransType : uint8_t {};

// FEC transport configuration, 10 bytes: type, FEC payload type, protected (prime) SSRC, FEC SSRC.
class RtcpAppFecTransConfig : public DiveBuffer {
public:
    static constexpr size_t kSize = 10;
    using DiveBuffer::DiveBuffer;

    void SetConfig(RtcpAppFecTransType type, uint8_t payloadType, uint32_t primeSsrc, uint32_t fecSsrc);
    // The four values, only when at least 10 bytes are present.
    bool GetConfig(RtcpAppFecTransType* type, uint8_t* payloadType, uint32_t* primeSsrc, uint32_t* fecSsrc) const;
};

// RTP header-extension types, with the ids the client offers.
enum RtcpAppRtpExtensionType : uint8_t {
    kRtpExtTransportSequence = 1,  // id 5: transport-wide sequence number, 16 bits
    kRtpExtCts = 2,                // id 12: composition time offset, 24 bits, ms
    kRtpExtGlobalDelay = 10,       // id 14: ms from capture to sending, 16 bits
    kRtpExtVideoBaseTs = 11,       // id 6: video base timestamp
    kRtpExtAudioBaseTs = 18,       // id 7: audio base timestamp
};

// Header-extension list: pairs (type, id).
class RtcpAppRtpExtension : public DiveBuffer {
public:
    using DiveBuffer::DiveBuffer;
    // Appends the pair unless a pair of that type is already present; true when appended.
    bool AddExt(uint8_t type, uint8_t id);
};

// --- nested lists ----------------------------------------------------------------------------

struct RtcpAppSrtpParam {
    DiveBuffer version;       // tag 1, SRTP library version text
    uint8_t encryptType = 0;  // tag 2, 0 = SRTP off
    DiveBuffer serverKey;     // tag 3
    DiveBuffer serverSalt;    // tag 4
    DiveBuffer clientKey;     // tag 5
    DiveBuffer clientSalt;    // tag 6
};

struct RtcpAppMediaParamCommon {
    bool present = false;          // not on the wire; set by every parsed list
    uint8_t sdpVersion = 0;        // tag 1
    RtcpAppRtpExtension rtpExt;    // tag 2
    RtcpAppSrtpParam srtp;         // tag 3
    DiveBuffer ccType;             // tag 4: bit 6 receiver-side, else bit 7 sender-side
    DiveBuffer rtxPadding;         // tag 5: payload type, SSRC
};

struct RtcpAppMediaParamAudio {
    bool enabled = false;  // not on the wire; set by every parsed entry
    uint8_t payloadType = 0;
    DiveBuffer msid;
    uint32_t ssrc = 0;
    DiveBuffer codecConfig;  // RtcpAppAudioCodecConfig
    DiveBuffer aacConfig;    // AudioSpecificConfig
    DiveBuffer opusConfig;   // RtcpAppOpusConfig
    DiveBuffer transConfig;  // RtcpAppTransConfig
    DiveBuffer fecAlgos;     // RtcpAppFecAlgorithm bytes
    RtcpAppFecTransConfig fecTransConfig;
    DiveBuffer rtxConfig;  // RtcpAppRtxConfig
    DiveBuffer redConfig;  // RtcpAppRedConfig
};

struct RtcpAppMediaParamVideo {
    bool enabled = false;
    uint8_t payloadType = 0;
    DiveBuffer msid;
    uint32_t ssrc = 0;
    uint8_t codecId = kVideoCodecH264;
    DiveBuffer transConfig;
    DiveBuffer fecAlgos;
    RtcpAppFecTransConfig fecTransConfig;
    DiveBuffer rtxConfig;
    DiveBuffer redConfig;
    DiveBuffer sps;
    DiveBuffer pps;
    DiveBuffer vps;
    uint8_t cumuDelaySei = 0;  // 1: the subscriber asks for cumulative-delay SEI messages
};

struct RtcpAppMiniSDP {
    RtcpAppMediaParamCommon common;  // read only: the client never writes it
    std::vector<RtcpAppMediaParamAudio> audios;
    std::vector<RtcpAppMediaParamVideo> videos;
};

struct RtcpAppReqSessionParams {
    DiveBuffer cookie;               // tag 1, absent when empty
    uint32_t clientVersion = 0;      // tag 3, absent when 0
    RtcpAppMediaParamCommon common;  // tag 7, written only when present
};

struct RtcpAppRspSessionParams {
    DiveBuffer cookie;          // tag 1
    DiveBuffer serverText4;     // tag 4, the server's; carried unchanged
    uint16_t serverValue5 = 0;  // tag 5, the server's
    DiveBuffer serverText6;     // tag 6, the server's
    RtcpAppMediaParamCommon common;  // tag 7
};

}  // namespace dive
