// Common media parameters and the SRTP parameters nested in them.
//
// Common media parameters (a nested TLV list):
//
//  +--------+---------+----------------------------------------------+
//  | tag  1 | L = 1   | SDP version                                  |  always
//  +--------+---------+----------------------------------------------+
//  | tag  2 | L = 2n  | n x (extension type, extension id)           |  when L >= 2
//  +--------+---------+----------------------------------------------+
//  | tag  3 | L       | SRTP parameters (nested list, below)         |  always
//  +--------+---------+----------------------------------------------+
//  | tag  4 | L = 1   | congestion-control type                      |  when non-empty
//  +--------+---------+----------------------------------------------+
//  | tag  5 | L = 5   | RTX padding: payload type, SSRC              |  when L > 4
//  +--------+---------+----------------------------------------------+
//
// SRTP parameters (a nested TLV list):
//
//  +--------+---------+----------------------------------------------+
//  | tag  1 | L       | SRTP library version text                    |  when non-empty
//  +--------+---------+----------------------------------------------+
//  | tag  2 | L = 1   | encryption type, 0 = SRTP off                |  always
//  +--------+---------+----------------------------------------------+
//  | tag 3..6 | L     | server key, server salt, client key, salt    |  each when non-empty
//  +--------+---------+----------------------------------------------+
#pragma once

#include "signalling/MediaParams.h"
#include "signalling/TLV.h"

namespace dive {

class CommonMediaParamCodec {
public:
    static void Write(const RtcpAppSrtpParam& srtp, TLVWriter* out);
    static void Read(const TLVReader& in, RtcpAppSrtpParam* srtp);

    // Writes the list regardless of the present flag (the caller decides whether to include it).
    static void Write(const RtcpAppMediaParamCommon& common, TLVWriter* out);
    // Reads the list and sets the present flag.
    static void Read(const TLVReader& in, RtcpAppMediaParamCommon* common);

    // Reads the nested entry `tag` of `parent` into `common` when there is one.
    static bool ReadEntry(const TLVReader& parent, uint8_t tag, RtcpAppMediaParamCommon* common);
};

}  // namespace dive
