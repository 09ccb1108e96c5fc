// PublishUpdate (message type 3) and SubscribeUpdate (message type 4): the same layout.
//
// Request (RtcpAppReqUpdate):
//
//  +--------+--------+--------------------------------------------+
//  | tag  3 | L      | stream URL                                 |
//  | tag  4 | L      | mini SDP (nested)                          |  when non-empty
//  | tag  5 | L      | msid command, one per entry                |  repeated
//  +--------+--------+--------------------------------------------+
//
// Final response (RtcpAppRspUpdate):
//
//  +--------+--------+--------------------------------------------+
//  | tag  1 | L = 2  | result code                                |
//  | tag  2 | L      | reason text                                |
//  | tag 22 | L      | msid command, one per entry                |  repeated
//  | tag  4 | L      | mini SDP (nested)                          |
//  +--------+--------+--------------------------------------------+
//
// Msid command (RtcpAppMsidCmd):
//
//  +--------+--------------------------------------------------+
//  |  cmd   | msid text (L - 1 bytes)                          |  cmd: 0 ADD, 1 DEL, 2 UPDATE
//  +--------+--------------------------------------------------+
//
// Empty msid commands are skipped when read.
#pragma once

#include "signalling/MessageBodies.h"
#include "signalling/TLV.h"

namespace dive {

class UpdateCodec {
public:
    static void Write(const RtcpAppReqUpdate& req, TLVWriter* out);
    static void Read(const TLVReader& in, RtcpAppReqUpdate* req);
    static void Write(const RtcpAppRspUpdate& rsp, TLVWriter* out, bool withCommon = true);
    static void Read(const TLVReader& in, RtcpAppRspUpdate* rsp);

    // Every non-empty entry `tag` of `in`, in order, appended to `cmds`.
    static void ReadMsidCmds(const TLVReader& in, uint8_t tag, std::vector<RtcpAppMsidCmd>* cmds);
};

}  // namespace dive
