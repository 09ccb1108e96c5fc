#include "signalling/SessionParamsCodec.h"

#include "signalling/CommonMediaParamCodec.h"

namespace dive {

namespace {
enum SessionTag : uint8_t {
    kSessionCookie = 1,
    kSessionClientVersion = 3,
    kSessionServerText4 = 4,
    kSessionServerValue5 = 5,
    kSessionServerText6 = 6,
    kSessionCommon = 7,
};

void WriteCommonIfPresent(const RtcpAppMediaParamCommon& common, TLVWriter* out) {
    if (!common.present) return;
    TLVWriter nested;
    CommonMediaParamCodec::Write(common, &nested);
    out->Write(kSessionCommon, nested);
}
}  // namespace

void SessionParamsCodec::Write(const RtcpAppReqSessionParams& params, TLVWriter* out) {
    out->Write(kSessionCookie, params.cookie);
    if (params.clientVersion != 0) out->Write(kSessionClientVersion, params.clientVersion);
    WriteCommonIfPresent(params.common, out);
}

void SessionParamsCodec::Read(const TLVReader& in, RtcpAppReqSessionParams* params) {
    in.Read(kSessionCookie, &params->cookie);
    in.Read(kSessionClientVersion, &params->clientVersion);
    CommonMediaParamCodec::ReadEntry(in, kSessionCommon, &params->common);
}

void SessionParamsCodec::Write(const RtcpAppRspSessionParams& params, TLVWriter* out) {
    out->Write(kSessionCookie, params.cookie);
    out->Write(kSessionServerText4, params.serverText4);
    out->Write(kSessionServerValue5, params.serverValue5);
    out->Write(kSessionServerText6, params.serverText6);
    WriteCommonIfPresent(params.common, out);
}

void SessionParamsCodec::Read(const TLVReader& in, RtcpAppRspSessionParams* params) {
    in.Read(kSessionCookie, &params->cookie);
    in.Read(kSessionServerText4, &params->serverText4);
    in.Read(kSessionServerValue5, &params->serverValue5);
    in.Read(kSessionServerText6, &params->serverText6);
    CommonMediaParamCodec::ReadEntry(in, kSessionCommon, &params->common);
}

}  // namespace dive
