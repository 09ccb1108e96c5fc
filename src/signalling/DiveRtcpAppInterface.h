// The signalling codec's abstract face: builds one RTCP APP datagram from a message, parses one
// received datagram and hands the message to a handler.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "signalling/RtcpAppMsg.h"

namespace dive {

class DiveRtcpAppInterface {
public:
    // Receives parsed messages. Callbacks run on the parsing thread with the codec's lock held; they
    // may build messages with the same codec on that thread.
    class DiveRtcpAppHandlerInterface {
    public:
        virtual ~DiveRtcpAppHandlerInterface() = default;
        virtual void OnRequest(RtcpAppMsg& msg) = 0;        // kind 0
        virtual void OnFinalResponse(RtcpAppMsg& msg) = 0;  // kind 1
        virtual void OnTempResponse(RtcpAppMsg& msg) = 0;   // kind 2
        virtual void OnMobility() = 0;
    };

    // A new codec with a random local SSRC and no handler.
    static std::unique_ptr<DiveRtcpAppInterface> Create();

    // "CON", "PUB", ... for 0..11; "UNKNOWN" above 11.
    static const char* GetSubTypeName(uint32_t type);
    // "Request", "FinalRsp", "TempRsp", "FinalRspAck", "Notify"; "UNKNOWN" above 4.
    static const char* GetMsgTypeName(uint32_t kind);

    virtual ~DiveRtcpAppInterface() = default;

    virtual void RegisterHandler(DiveRtcpAppHandlerInterface* handler) = 0;
    virtual void DeRegisterHandler() = 0;
    // Parses one datagram and dispatches it; true when the message was recognised.
    virtual bool ParseRtcpApp(const uint8_t* data, size_t len) = 0;
    // Writes one complete datagram into `out`; its length, or 0 when nothing was built or it does not
    // fit `capacity`.
    virtual size_t BuildRtcpApp(const RtcpAppMsg& msg, uint8_t* out, size_t capacity) = 0;
    virtual uint32_t LocalSsrc() const = 0;
    virtual uint32_t RemoteSsrc() const = 0;
    // Rewrites the message id of an already built datagram; false when it is shorter than 16 bytes.
    virtual bool UpdateRtcAppMsgId(uint8_t* packet, size_t len, uint16_t id) = 0;
};

}  // namespace dive
