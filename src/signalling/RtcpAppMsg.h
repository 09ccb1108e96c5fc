// One signalling message in memory, and the enumerations that classify it.
#pragma once

#include <cstdint>

namespace dive {

// The message type, carried in the low five bits of the RTCP APP sub type.
enum DiveRtcpAppSubType : uint8_t {
    kRtcpAppConnect = 0,
    kRtcpAppPublish = 1,
    kRtcpAppSubscribe = 2,
    kRtcpAppPublishUpdate = 3,
    kRtcpAppSubscribeUpdate = 4,
    kRtcpAppStop = 5,
    kRtcpAppDisconnect = 6,
    kRtcpAppHeartBeat = 7,
    kRtcpAppMtuDetect = 8,
    kRtcpAppMtuDetectEnd = 9,
    kRtcpAppMediaControl = 10,
    kRtcpAppNotify = 11,
    kRtcpAppMobility = 13,  // received only: the server saw our public address change
};

// The message kind, carried in the low nibble of the message header's second byte.
enum DiveRtcpAppMsgType : uint8_t {
    kRtcpAppRequest = 0,
    kRtcpAppFinalRsp = 1,
    kRtcpAppTempRsp = 2,     // the request arrived and is being worked on
    kRtcpAppFinalRspAck = 3,
    kRtcpAppNotifyKind = 4,  // a defined name only; never produced or dispatched
};

struct RtcpAppMsgHeader {
    uint16_t msgId = 0;
    uint32_t ssrc = 0;  // 0 when sending (the codec writes its own); the sender's SSRC on receipt
    DiveRtcpAppSubType type = kRtcpAppConnect;
    DiveRtcpAppMsgType kind = kRtcpAppRequest;
};

// `body` points at the record for this type and kind (see the codec's catalogue) or is null. On
// receipt it lives only for the duration of the handler call.
struct RtcpAppMsg {
    uint16_t msgId = 0;
    uint32_t ssrc = 0;
    DiveRtcpAppSubType type = kRtcpAppConnect;
    DiveRtcpAppMsgType kind = kRtcpAppRequest;
    void* body = nullptr;
};

}  // namespace dive
