// Connect (message type 0): opens the signalling session.
//
// Request (RtcpAppReqConnect):
//
//  +--------+--------+--------------------------------------------+
//  | tag  3 | L      | stream URL, no terminator                  |
//  +--------+--------+--------------------------------------------+
//  | tag 23 | L      | session parameters (nested, client side)   |  when non-empty
//  +--------+--------+--------------------------------------------+
//
// Final response (RtcpAppRspConnect):
//
//  +--------+--------+--------------------------------------------+
//  | tag  1 | L = 2  | result code, 200 = success                 |
//  | tag  2 | L      | reason text                                |
//  | tag  6 | L      | server trace id                            |
//  | tag 23 | L      | session parameters (nested, server side)   |
//  +--------+--------+--------------------------------------------+
#pragma once

#include "signalling/MessageBodies.h"
#include "signalling/TLV.h"

namespace dive {

class ConnectCodec {
public:
    static void Write(const RtcpAppReqConnect& req, TLVWriter* out);
    static void Read(const TLVReader& in, RtcpAppReqConnect* req);
    static void Write(const RtcpAppRspConnect& rsp, TLVWriter* out);
    static void Read(const TLVReader& in, RtcpAppRspConnect* rsp);
};

}  // namespace dive
