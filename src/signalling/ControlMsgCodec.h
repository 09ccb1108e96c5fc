// The small messages: results, Stop, MtuDetect, MediaControl, Notify and temporary responses.
//
// Result (RtcpAppRspResult): final response of Stop, Disconnect, HeartBeat, MediaControl and
// Notify; also the body of a Disconnect request (from either side).
//
//  +--------+--------+--------------------------------------------+
//  | tag  1 | L = 2  | result code                                |
//  | tag  2 | L      | reason text                                |  when non-empty
//  +--------+--------+--------------------------------------------+
//
// Stop request (RtcpAppReqStop), sent by either side:
//
//  +--------+--------+--------------------------------------------+
//  | tag  3 | L      | stream URL                                 |
//  | tag  1 | L = 2  | reason code                                |
//  | tag  2 | L      | reason text                                |  when non-empty
//  +--------+--------+--------------------------------------------+
//
// MtuDetect / MtuDetectEnd request (RtcpAppReqMtuDetect); the MtuDetect answer is tag 1 alone:
//
//  +--------+--------+--------------------------------------------+
//  | tag 10 | L = 2  | probe size                                 |
//  | tag 11 | L = 1  | result flag                                |  MtuDetectEnd only
//  +--------+--------+--------------------------------------------+
//
// MediaControl request (RtcpAppRspMediaControl), sent by either side:
//
//  +--------+--------+--------------------------------------------+
//  | tag  3 | L      | stream URL                                 |
//  | tag 18 | L = 4  | control value                              |
//  | tag 22 | L      | msid command, one per entry                |  repeated
//  +--------+--------+--------------------------------------------+
//
// Notify request (RtcpAppReqNotify), sent by either side; the data is also a TLV list whose tags 3
// and 5 (uint16) are taken when read:
//
//  +--------+--------+--------------------------------------------+
//  | tag 19 | L = 1  | notify type: 2 upstream info, 6 key info   |
//  | tag 20 | L = 1  | notify sub value                           |
//  | tag 21 | L      | notify data                                |  when non-empty
//  +--------+--------+--------------------------------------------+
//
// Temporary response (a DiveBuffer), any message type:
//
//  +--------+--------+--------------------------------------------+
//  | tag  6 | L      | server trace id                            |  when non-empty
//  +--------+--------+--------------------------------------------+
#pragma once

#include "signalling/MessageBodies.h"
#include "signalling/TLV.h"

namespace dive {

class ControlMsgCodec {
public:
    static void Write(const RtcpAppRspResult& rsp, TLVWriter* out);
    static void Read(const TLVReader& in, RtcpAppRspResult* rsp);
    // The MtuDetect answer: the result code alone.
    static void ReadCodeOnly(const TLVReader& in, RtcpAppRspResult* rsp);

    static void Write(const RtcpAppReqStop& req, TLVWriter* out);
    static void Read(const TLVReader& in, RtcpAppReqStop* req);

    // `end`: MtuDetectEnd, which carries the result flag too.
    static void Write(const RtcpAppReqMtuDetect& req, bool end, TLVWriter* out);
    static void Read(const TLVReader& in, RtcpAppReqMtuDetect* req);

    static void Write(const RtcpAppRspMediaControl& req, TLVWriter* out);
    static void Read(const TLVReader& in, RtcpAppRspMediaControl* req);

    static void Write(const RtcpAppReqNotify& req, TLVWriter* out);
    static void Read(const TLVReader& in, RtcpAppReqNotify* req);

    static void WriteTempRsp(const DiveBuffer& traceId, TLVWriter* out);
    static void ReadTempRsp(const TLVReader& in, DiveBuffer* traceId);
};

}  // namespace dive
