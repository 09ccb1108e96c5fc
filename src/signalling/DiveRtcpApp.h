// The signalling codec: message records to RTCP APP datagrams and back.
//
// Which body record travels with which message (null bodies carry the message header alone):
//
//  type             | built as request          | built as final rsp | parsed
//  -----------------+---------------------------+--------------------+-------------------------------
//  Connect          | RtcpAppReqConnect         | -                  | final: RtcpAppRspConnect
//  Publish          | RtcpAppReqPublish         | -                  | final: RtcpAppRspPublish
//  Subscribe        | RtcpAppReqSubscribe       | -                  | final: RtcpAppRspSubscribe
//  Pub/SubUpdate    | RtcpAppReqUpdate          | -                  | final: RtcpAppRspUpdate
//  Stop             | RtcpAppReqStop            | RtcpAppRspResult   | final: RtcpAppRspResult,
//                   |                           |                    | request: RtcpAppReqStop
//  Disconnect       | RtcpAppRspResult or none  | RtcpAppRspResult   | final and request:
//                   |                           |                    | RtcpAppRspResult
//  HeartBeat        | none                      | -                  | final: RtcpAppRspResult
//  MtuDetect        | RtcpAppReqMtuDetect       | -                  | final: RtcpAppRspResult (code)
//  MtuDetectEnd     | RtcpAppReqMtuDetect       | -                  | not parsed
//  MediaControl     | RtcpAppRspMediaControl    | RtcpAppRspResult   | request: RtcpAppRspMediaControl
//  Notify           | RtcpAppReqNotify          | RtcpAppRspResult   | final: RtcpAppRspResult,
//                   |                           |                    | request: RtcpAppReqNotify
//  any              | temporary response: DiveBuffer (trace id)      | temporary: DiveBuffer
//  Mobility (13)    | -                         | -                  | OnMobility(), no body
//
// Final-response acks carry no entries. Anything else parsed is dropped (ParseRtcpApp returns
// false). The family codecs (ConnectCodec, PubSubCodec, ...) read and write every record, for the
// server's side too.
#pragma once

#include <cstddef>
#include <cstdint>

#include "osal/Mutex.h"
#include "signalling/DiveRtcpAppInterface.h"
#include "signalling/DiveRtcpAppPacket.h"
#include "signalling/RtcpAppMsg.h"
#include "signalling/TLV.h"

namespace dive {

// Thread safety: ParseRtcpApp, BuildRtcpApp and the handler calls may come from different threads.
// One recursive mutex guards the handler pointer and the packet writer; it is held while the handler
// runs, so a handler may build messages on the same thread. Parsing itself needs no lock.
class DiveRtcpApp : public DiveRtcpAppInterface {
public:
    DiveRtcpApp();  // random local SSRC, no handler
    DiveRtcpApp(DiveRtcpAppHandlerInterface* handler, uint32_t ssrc);
    ~DiveRtcpApp() override = default;
    DiveRtcpApp(const DiveRtcpApp&) = delete;
    DiveRtcpApp& operator=(const DiveRtcpApp&) = delete;

    void RegisterHandler(DiveRtcpAppHandlerInterface* handler) override;
    void DeRegisterHandler() override;
    bool ParseRtcpApp(const uint8_t* data, size_t len) override;
    size_t BuildRtcpApp(const RtcpAppMsg& msg, uint8_t* out, size_t capacity) override;
    uint32_t LocalSsrc() const override { return mLocalSsrc; }
    uint32_t RemoteSsrc() const override { return mRemoteSsrc; }
    bool UpdateRtcAppMsgId(uint8_t* packet, size_t len, uint16_t id) override;

    // A fresh SSRC, uniform over 1..0xFFFFFFFF, from a generator seeded with the time in ns.
    static uint32_t DrawLocalSsrc();

private:
    static void WriteBody(const RtcpAppMsg& msg, TLVWriter* out);
    bool ParseBody(const RtcpAppMsgHeader& header, const TLVReader& list);
    // Hands the message to the handler by kind, under the lock; kinds above 2 reach no handler.
    void NotifyHandler(RtcpAppMsg& msg);
    template <typename Body>
    bool Dispatch(const RtcpAppMsgHeader& header, Body* body);

    const uint32_t mLocalSsrc;
    const uint32_t mRemoteSsrc = 0;  // no operation sets it
    osal::recursive_mutex mMutex;
    DiveRtcpAppHandlerInterface* mHandler;  // guarded by mMutex
    DiveRtcpAppWriter mWriter;               // guarded by mMutex
};

}  // namespace dive
