// Publish (message type 1) and Subscribe (message type 2).
//
// Request (RtcpAppReqPublish / RtcpAppReqSubscribe), written in this order:
//
//  +--------+--------+--------------------------------------------+
//  | tag  3 | L      | stream URL                                 |
//  | tag  4 | L      | mini SDP (nested)                          |  when non-empty
//  | tag 12 | L = 1  | track mode: 1 standard, 0 "quenlo" naming  |
//  | tag 24 | L = 1  | option byte                                |  Subscribe only
//  | tag 23 | L      | session parameters (nested, client side)   |  when non-empty
//  | tag 22 | L      | msid text, one entry per track             |  Subscribe only, repeated
//  | tag 51 | L = 1  | always 1                                   |  Subscribe only
//  +--------+--------+--------------------------------------------+
//
// Final response (RtcpAppRspPublish / RtcpAppRspSubscribe):
//
//  +--------+--------+--------------------------------------------+
//  | tag  4 | L      | mini SDP of the tracks granted (nested)    |
//  | tag  1 | L = 2  | result code                                |
//  | tag  2 | L      | reason text                                |
//  | tag  6 | L      | server trace id                            |
//  | tag 14 | L      | server text                                |  Publish only
//  | tag 15 | L      | play configuration                         |  Subscribe only
//  | tag 23 | L      | session parameters (nested, server side)   |
//  | tag 51 | L      | server text                                |  Subscribe only
//  +--------+--------+--------------------------------------------+
#pragma once

#include "signalling/MessageBodies.h"
#include "signalling/TLV.h"

namespace dive {

class PubSubCodec {
public:
    static void Write(const RtcpAppReqPublish& req, TLVWriter* out);
    static void Read(const TLVReader& in, RtcpAppReqPublish* req);
    static void Write(const RtcpAppReqSubscribe& req, TLVWriter* out);
    static void Read(const TLVReader& in, RtcpAppReqSubscribe* req);
    // `withCommon`: write the mini SDP's common parameters too (they are the server's to send).
    static void Write(const RtcpAppRspPublish& rsp, TLVWriter* out, bool withCommon = true);
    static void Read(const TLVReader& in, RtcpAppRspPublish* rsp);
    static void Write(const RtcpAppRspSubscribe& rsp, TLVWriter* out, bool withCommon = true);
    static void Read(const TLVReader& in, RtcpAppRspSubscribe* rsp);
};

}  // namespace dive
