// Text renderings of signalling records, for log lines only. Texts from the wire are printed with
// non-printable bytes replaced by '.'; keys and salts are never printed, only their lengths.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "signalling/MediaParams.h"
#include "signalling/MessageBodies.h"

namespace dive {

// "ADD", "DEL", "UPDATE"; "UNKONW" for any other value.
const char* GetCmdTypeName(uint32_t cmd);

// "mini_sdp:{ common_params:{ ... } AUDIO[0]: { ... } VIDEO[0]: { ... } }"
std::string MiniSdpToString(const RtcpAppMiniSDP& sdp);
// "common_params:{ sdp_version:1, rtp_ext:[ 10:14 1:5 ], srtp_params: { disable }, cc:sender-side }"
std::string CommonMediaParamsToString(const RtcpAppMediaParamCommon& common);
// "ADD:video-1"
std::string MsidCmdToString(const RtcpAppMsidCmd& cmd);
// "msid_cmd:{ ADD:video-1 DEL:audio-1 }"
std::string MsidCmdVecToString(const std::vector<RtcpAppMsidCmd>& cmds);

}  // namespace dive
