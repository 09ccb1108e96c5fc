// The mini SDP: a compact media description as a nested TLV list.
//
//  +--------+--------+------------------------------------------------+
//  | tag  1 | L      | common media parameters (nested)               |  read only
//  +--------+--------+------------------------------------------------+
//  | tag  2 | L      | audio media parameters (nested), one per track |  repeated
//  +--------+--------+------------------------------------------------+
//  | tag  3 | L      | video media parameters (nested), one per track |  repeated
//  +--------+--------+------------------------------------------------+
//
// The client never writes tag 1; only enabled tracks are written. Repeated entries are read in order
// of appearance; an empty entry still yields a track with defaults.
#pragma once

#include "signalling/MediaParams.h"
#include "signalling/TLV.h"

namespace dive {

class MiniSdpCodec {
public:
    // `withCommon`: also write tag 1 when the common parameters are present (the server's side).
    static void Write(const RtcpAppMiniSDP& sdp, TLVWriter* out, bool withCommon = false);
    static void Read(const TLVReader& in, RtcpAppMiniSDP* sdp);
};

}  // namespace dive
