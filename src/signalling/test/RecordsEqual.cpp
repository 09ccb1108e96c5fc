#include "signalling/test/RecordsEqual.h"

#include <tuple>

namespace dive {

namespace {
// Msid commands compare as byte strings.
const DiveBuffer& Bytes(const DiveBuffer& b) { return b; }

template <typename T>
bool SameList(const std::vector<T>& a, const std::vector<T>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (!(Bytes(a[i]) == Bytes(b[i]))) return false;
    return true;
}
}  // namespace

bool operator==(const RtcpAppSrtpParam& a, const RtcpAppSrtpParam& b) {
    return std::tie(a.version, a.encryptType, a.serverKey, a.serverSalt, a.clientKey, a.clientSalt) ==
           std::tie(b.version, b.encryptType, b.serverKey, b.serverSalt, b.clientKey, b.clientSalt);
}

bool operator==(const RtcpAppMediaParamCommon& a, const RtcpAppMediaParamCommon& b) {
    return a.present == b.present && a.sdpVersion == b.sdpVersion && Bytes(a.rtpExt) == Bytes(b.rtpExt) &&
           a.srtp == b.srtp && a.ccType == b.ccType && a.rtxPadding == b.rtxPadding;
}

bool operator==(const RtcpAppMediaParamAudio& a, const RtcpAppMediaParamAudio& b) {
    return std::tie(a.enabled, a.payloadType, a.msid, a.ssrc, a.codecConfig, a.aacConfig, a.opusConfig,
                    a.transConfig, a.fecAlgos, a.rtxConfig, a.redConfig) ==
               std::tie(b.enabled, b.payloadType, b.msid, b.ssrc, b.codecConfig, b.aacConfig, b.opusConfig,
                        b.transConfig, b.fecAlgos, b.rtxConfig, b.redConfig) &&
           Bytes(a.fecTransConfig) == Bytes(b.fecTransConfig);
}

bool operator==(const RtcpAppMediaParamVideo& a, const RtcpAppMediaParamVideo& b) {
    return std::tie(a.enabled, a.payloadType, a.msid, a.ssrc, a.codecId, a.transConfig, a.fecAlgos, a.rtxConfig,
                    a.redConfig, a.sps, a.pps, a.vps, a.cumuDelaySei) ==
               std::tie(b.enabled, b.payloadType, b.msid, b.ssrc, b.codecId, b.transConfig, b.fecAlgos, b.rtxConfig,
                        b.redConfig, b.sps, b.pps, b.vps, b.cumuDelaySei) &&
           Bytes(a.fecTransConfig) == Bytes(b.fecTransConfig);
}

bool operator==(const RtcpAppMiniSDP& a, const RtcpAppMiniSDP& b) {
    return a.common == b.common && a.audios == b.audios && a.videos == b.videos;
}

bool operator==(const RtcpAppReqSessionParams& a, const RtcpAppReqSessionParams& b) {
    return a.cookie == b.cookie && a.clientVersion == b.clientVersion && a.common == b.common;
}

bool operator==(const RtcpAppRspSessionParams& a, const RtcpAppRspSessionParams& b) {
    return std::tie(a.cookie, a.serverText4, a.serverValue5, a.serverText6) ==
               std::tie(b.cookie, b.serverText4, b.serverValue5, b.serverText6) &&
           a.common == b.common;
}

bool operator==(const RtcpAppReqConnect& a, const RtcpAppReqConnect& b) {
    return a.url == b.url && a.sessionParams == b.sessionParams;
}

bool operator==(const RtcpAppRspConnect& a, const RtcpAppRspConnect& b) {
    return std::tie(a.resultCode, a.reason, a.traceId) == std::tie(b.resultCode, b.reason, b.traceId) &&
           a.sessionParams == b.sessionParams;
}

bool operator==(const RtcpAppReqPublish& a, const RtcpAppReqPublish& b) {
    return a.url == b.url && a.miniSdp == b.miniSdp && a.trackMode == b.trackMode &&
           a.sessionParams == b.sessionParams;
}

bool operator==(const RtcpAppReqSubscribe& a, const RtcpAppReqSubscribe& b) {
    return a.url == b.url && a.option == b.option && a.miniSdp == b.miniSdp && a.trackMode == b.trackMode &&
           a.sessionParams == b.sessionParams && SameList(a.msids, b.msids);
}

bool operator==(const RtcpAppRspPublish& a, const RtcpAppRspPublish& b) {
    return a.miniSdp == b.miniSdp &&
           std::tie(a.resultCode, a.reason, a.traceId, a.serverText14) ==
               std::tie(b.resultCode, b.reason, b.traceId, b.serverText14) &&
           a.sessionParams == b.sessionParams;
}

bool operator==(const RtcpAppRspSubscribe& a, const RtcpAppRspSubscribe& b) {
    return a.miniSdp == b.miniSdp &&
           std::tie(a.resultCode, a.reason, a.traceId, a.playConfig, a.serverText51) ==
               std::tie(b.resultCode, b.reason, b.traceId, b.playConfig, b.serverText51) &&
           a.sessionParams == b.sessionParams;
}

bool operator==(const RtcpAppReqUpdate& a, const RtcpAppReqUpdate& b) {
    return a.url == b.url && a.miniSdp == b.miniSdp && SameList(a.msidCmds, b.msidCmds);
}

bool operator==(const RtcpAppRspUpdate& a, const RtcpAppRspUpdate& b) {
    return a.resultCode == b.resultCode && a.reason == b.reason && SameList(a.msidCmds, b.msidCmds) &&
           a.miniSdp == b.miniSdp;
}

bool operator==(const RtcpAppReqStop& a, const RtcpAppReqStop& b) {
    return std::tie(a.url, a.reasonCode, a.reason) == std::tie(b.url, b.reasonCode, b.reason);
}

bool operator==(const RtcpAppRspResult& a, const RtcpAppRspResult& b) {
    return a.resultCode == b.resultCode && a.reason == b.reason;
}

bool operator==(const RtcpAppReqMtuDetect& a, const RtcpAppReqMtuDetect& b) {
    return a.probeSize == b.probeSize && a.resultFlag == b.resultFlag;
}

bool operator==(const RtcpAppRspMediaControl& a, const RtcpAppRspMediaControl& b) {
    return a.url == b.url && SameList(a.msidCmds, b.msidCmds) && a.controlValue == b.controlValue;
}

bool operator==(const RtcpAppReqNotify& a, const RtcpAppReqNotify& b) {
    return std::tie(a.notifyType, a.data, a.subValue, a.nestedValue3, a.nestedValue5) ==
           std::tie(b.notifyType, b.data, b.subValue, b.nestedValue3, b.nestedValue5);
}

}  // namespace dive
