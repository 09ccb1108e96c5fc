// Per-track media parameters inside the mini SDP: one nested list per audio or video track.
//
// Audio media parameters, written in this order:
//
//  +--------+--------+-----------------------------------------+
//  | tag  1 | L = 1  | RTP payload type                        |  always
//  | tag  2 | L      | msid                                    |  when non-empty
//  | tag  3 | L = 4  | SSRC                                    |  always
//  | tag  4 | L = 6  | codec id, sample rate (32), channels    |  when non-empty
//  | tag  5 | L      | AAC AudioSpecificConfig                 |  codec config >= 6 bytes, codec 1
//  | tag  6 | L = 1  | Opus configuration                      |  codec config >= 6 bytes, codec 2
//  | tag  7 | L = 2  | transport configuration                 |  when non-empty
//  | tag  8 | L      | FEC algorithm list                      |  trans config >= 2 bytes, FEC on
//  | tag 10 | L = 10 | FEC transport configuration             |  as tag 8
//  | tag  9 | L = 6  | RTX configuration                       |  trans config >= 2 bytes, RTX on
//  | tag 11 | L = 2  | RED configuration                       |  trans config >= 2 bytes, RED on
//  +--------+--------+-----------------------------------------+
//
// Video media parameters, written in this order:
//
//  +--------+--------+-----------------------------------------+
//  | tag  1 | L = 1  | RTP payload type                        |  always
//  | tag  2 | L      | msid                                    |  when non-empty
//  | tag  3 | L = 4  | SSRC                                    |  always
//  | tag  4 | L = 1  | codec id: 1 H.264, 2 HEVC (absent: 1)   |  always
//  | tag  5 | L = 2  | transport configuration                 |  when non-empty
//  | tag  6 | L      | FEC algorithm list                      |  trans config >= 2 bytes, FEC on
//  | tag 11 | L = 10 | FEC transport configuration             |  as tag 6
//  | tag  7 | L = 6  | RTX configuration                       |  trans config >= 2 bytes, RTX on
//  | tag 12 | L = 2  | RED configuration                       |  trans config >= 2 bytes, RED on
//  | tag  8 | L      | SPS NAL unit                            |  non-empty, codec 1 or 2
//  | tag  9 | L      | PPS NAL unit                            |  non-empty, codec 1 or 2
//  | tag 10 | L      | VPS NAL unit                            |  non-empty, codec 2 (read: codec 2)
//  | tag 23 | L = 1  | cumulative-delay SEI wanted             |  always
//  +--------+--------+-----------------------------------------+
//
// Reading does not depend on the order; every parsed entry is marked enabled.
#pragma once

#include "signalling/MediaParams.h"
#include "signalling/TLV.h"

namespace dive {

class TrackMediaParamCodec {
public:
    static void Write(const RtcpAppMediaParamAudio& audio, TLVWriter* out);
    static void Read(const TLVReader& in, RtcpAppMediaParamAudio* audio);
    static void Write(const RtcpAppMediaParamVideo& video, TLVWriter* out);
    static void Read(const TLVReader& in, RtcpAppMediaParamVideo* video);
};

}  // namespace dive
