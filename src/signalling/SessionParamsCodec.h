// Session parameters: a nested TLV list in Connect, Publish and Subscribe (tag 23 there).
//
// Client to server (RtcpAppReqSessionParams):
//
//  +--------+--------+------------------------------------------+
//  | tag  1 | L      | session cookie from an earlier response  |  when non-empty
//  +--------+--------+------------------------------------------+
//  | tag  3 | L = 4  | client protocol version                  |  when non-zero
//  +--------+--------+------------------------------------------+
//  | tag  7 | L      | common media parameters (nested)         |  when present
//  +--------+--------+------------------------------------------+
//
// Server to client (RtcpAppRspSessionParams):
//
//  +--------+--------+------------------------------------------+
//  | tag  1 | L      | session cookie                           |
//  | tag  4 | L      | server text                              |
//  | tag  5 | L = 2  | server value                             |
//  | tag  6 | L      | server text                              |
//  | tag  7 | L      | common media parameters (nested)         |
//  +--------+--------+------------------------------------------+
#pragma once

#include "signalling/MediaParams.h"
#include "signalling/TLV.h"

namespace dive {

class SessionParamsCodec {
public:
    static void Write(const RtcpAppReqSessionParams& params, TLVWriter* out);
    static void Read(const TLVReader& in, RtcpAppReqSessionParams* params);
    // The server's side: byte strings when non-empty, the value always, common when present.
    static void Write(const RtcpAppRspSessionParams& params, TLVWriter* out);
    static void Read(const TLVReader& in, RtcpAppRspSessionParams* params);
};

}  // namespace dive
