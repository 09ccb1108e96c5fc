// Body records of the signalling messages, one per message type and kind (see DiveRtcpApp.h for
// which record travels with which message).
#pragma once

#include <cstdint>
#include <vector>

#include "signalling/DiveBuffer.h"
#include "signalling/MediaParams.h"

namespace dive {

enum RtcpAppCmdType : uint8_t { kRtcpAppCmdAdd = 0, kRtcpAppCmdDel = 1, kRtcpAppCmdUpdate = 2 };

// Msid command: byte 0 the command (RtcpAppCmdType), bytes 1.. the msid text.
class RtcpAppMsidCmd : public DiveBuffer {
public:
    using DiveBuffer::DiveBuffer;

    void Set(RtcpAppCmdType cmd, const DiveBuffer& msid);
    // The command byte; meaningful only when not empty.
    uint8_t Cmd() const { return Empty() ? 0 : Data()[0]; }
    // Copies the msid part; false (out untouched) when the command holds fewer than 2 bytes.
    bool GetCmdMsid(DiveBuffer* out) const;
};

struct RtcpAppReqConnect {
    DiveBuffer url;                         // tag 3
    RtcpAppReqSessionParams sessionParams;  // tag 23
};

struct RtcpAppRspConnect {
    uint16_t resultCode = 0;                // tag 1, 200 = success
    DiveBuffer reason;                      // tag 2
    DiveBuffer traceId;                     // tag 6
    RtcpAppRspSessionParams sessionParams;  // tag 23
};

struct RtcpAppReqPublish {
    DiveBuffer url;                         // tag 3
    RtcpAppMiniSDP miniSdp;                 // tag 4
    uint8_t trackMode = 0;                  // tag 12: 1 standard track naming, 0 "quenlo" naming
    RtcpAppReqSessionParams sessionParams;  // tag 23
};

struct RtcpAppReqSubscribe {
    DiveBuffer url;                         // tag 3
    uint8_t option = 0;                     // tag 24
    RtcpAppMiniSDP miniSdp;                 // tag 4
    uint8_t trackMode = 0;                  // tag 12
    RtcpAppReqSessionParams sessionParams;  // tag 23
    std::vector<DiveBuffer> msids;          // tag 22, one per subscribed track
};

struct RtcpAppRspPublish {
    RtcpAppMiniSDP miniSdp;                 // tag 4: the tracks granted
    uint16_t resultCode = 0;                // tag 1
    DiveBuffer reason;                      // tag 2
    DiveBuffer traceId;                     // tag 6
    DiveBuffer serverText14;                // tag 14, handed to the engine
    RtcpAppRspSessionParams sessionParams;  // tag 23
};

struct RtcpAppRspSubscribe {
    RtcpAppMiniSDP miniSdp;                 // tag 4
    uint16_t resultCode = 0;                // tag 1
    DiveBuffer reason;                      // tag 2
    DiveBuffer traceId;                     // tag 6
    DiveBuffer playConfig;                  // tag 15, the play configuration
    RtcpAppRspSessionParams sessionParams;  // tag 23
    DiveBuffer serverText51;                // tag 51, handed to the engine
};

// PublishUpdate and SubscribeUpdate.
struct RtcpAppReqUpdate {
    DiveBuffer url;                       // tag 3
    RtcpAppMiniSDP miniSdp;               // tag 4
    std::vector<RtcpAppMsidCmd> msidCmds;  // tag 5, repeated
};

struct RtcpAppRspUpdate {
    uint16_t resultCode = 0;               // tag 1
    DiveBuffer reason;                     // tag 2
    std::vector<RtcpAppMsidCmd> msidCmds;  // tag 22, repeated
    RtcpAppMiniSDP miniSdp;                // tag 4
};

struct RtcpAppReqStop {
    DiveBuffer url;          // tag 3
    uint16_t reasonCode = 0;  // tag 1
    DiveBuffer reason;       // tag 2
};

// The final response of Stop, Disconnect, HeartBeat, MtuDetect, MediaControl and Notify, and the
// body of a server's Disconnect request.
struct RtcpAppRspResult {
    uint16_t resultCode = 0;  // tag 1
    DiveBuffer reason;        // tag 2
};

// MtuDetect (probe size) and MtuDetectEnd (probe size and result flag).
struct RtcpAppReqMtuDetect {
    uint16_t probeSize = 0;  // tag 10
    uint8_t resultFlag = 0;  // tag 11, MtuDetectEnd only
};

// The MediaControl request, sent by either side.
struct RtcpAppRspMediaControl {
    DiveBuffer url;                        // tag 3
    std::vector<RtcpAppMsidCmd> msidCmds;  // tag 22, repeated
    uint32_t controlValue = 0;             // tag 18
};

struct RtcpAppReqNotify {
    uint8_t notifyType = 0;     // tag 19: 2 upstream information, 6 key information
    DiveBuffer data;            // tag 21
    uint8_t subValue = 0;       // tag 20
    uint16_t nestedValue3 = 0;  // tag 3 inside the data, read as a TLV list
    uint16_t nestedValue5 = 0;  // tag 5 inside the data
};

}  // namespace dive
