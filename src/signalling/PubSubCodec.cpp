#include "signalling/PubSubCodec.h"

#include "signalling/MiniSdpCodec.h"
#include "signalling/SessionParamsCodec.h"

namespace dive {

namespace {

enum PubSubTag : uint8_t {
    kResultCode = 1,
    kReason = 2,
    kUrl = 3,
    kMiniSdp = 4,
    kTraceId = 6,
    kTrackMode = 12,
    kPublishServerText = 14,
    kPlayConfig = 15,
    kMsid = 22,
    kSessionParams = 23,
    kSubscribeOption = 24,
    kSubscribeTag51 = 51,
};

constexpr uint8_t kSubscribeTag51Value = 1;  // every Subscribe request carries 1 here

void WriteMiniSdp(const RtcpAppMiniSDP& sdp, TLVWriter* out, bool withCommon = false) {
    TLVWriter nested;
    MiniSdpCodec::Write(sdp, &nested, withCommon);
    out->Write(kMiniSdp, nested);
}

template <typename SessionParams>
void WriteSession(const SessionParams& params, TLVWriter* out) {
    TLVWriter nested;
    SessionParamsCodec::Write(params, &nested);
    out->Write(kSessionParams, nested);
}

}  // namespace

void PubSubCodec::Write(const RtcpAppReqPublish& req, TLVWriter* out) {
    out->Write(kUrl, req.url);
    WriteMiniSdp(req.miniSdp, out);
    out->Write(kTrackMode, req.trackMode);
    WriteSession(req.sessionParams, out);
}

void PubSubCodec::Read(const TLVReader& in, RtcpAppReqPublish* req) {
    in.Read(kUrl, &req->url);
    MiniSdpCodec::Read(in.Nested(kMiniSdp), &req->miniSdp);
    in.Read(kTrackMode, &req->trackMode);
    SessionParamsCodec::Read(in.Nested(kSessionParams), &req->sessionParams);
}

void PubSubCodec::Write(const RtcpAppReqSubscribe& req, TLVWriter* out) {
    out->Write(kUrl, req.url);
    WriteMiniSdp(req.miniSdp, out);
    out->Write(kTrackMode, req.trackMode);
    out->Write(kSubscribeOption, req.option);
    WriteSession(req.sessionParams, out);
    for (const DiveBuffer& msid : req.msids) out->Write(kMsid, msid);
    out->Write(kSubscribeTag51, kSubscribeTag51Value);
}

void PubSubCodec::Read(const TLVReader& in, RtcpAppReqSubscribe* req) {
    in.Read(kUrl, &req->url);
    MiniSdpCodec::Read(in.Nested(kMiniSdp), &req->miniSdp);
    in.Read(kTrackMode, &req->trackMode);
    in.Read(kSubscribeOption, &req->option);
    SessionParamsCodec::Read(in.Nested(kSessionParams), &req->sessionParams);
    in.ForEach(kMsid, [req](const uint8_t* value, size_t len) {
        if (len > 0) req->msids.emplace_back(value, len);
    });
}

void PubSubCodec::Write(const RtcpAppRspPublish& rsp, TLVWriter* out, bool withCommon) {
    WriteMiniSdp(rsp.miniSdp, out, withCommon);
    out->Write(kResultCode, rsp.resultCode);
    out->Write(kReason, rsp.reason);
    out->Write(kTraceId, rsp.traceId);
    out->Write(kPublishServerText, rsp.serverText14);
    WriteSession(rsp.sessionParams, out);
}

void PubSubCodec::Read(const TLVReader& in, RtcpAppRspPublish* rsp) {
    MiniSdpCodec::Read(in.Nested(kMiniSdp), &rsp->miniSdp);
    in.Read(kResultCode, &rsp->resultCode);
    in.Read(kReason, &rsp->reason);
    in.Read(kTraceId, &rsp->traceId);
    in.Read(kPublishServerText, &rsp->serverText14);
    SessionParamsCodec::Read(in.Nested(kSessionParams), &rsp->sessionParams);
}

void PubSubCodec::Write(const RtcpAppRspSubscribe& rsp, TLVWriter* out, bool withCommon) {
    WriteMiniSdp(rsp.miniSdp, out, withCommon);
    out->Write(kResultCode, rsp.resultCode);
    out->Write(kReason, rsp.reason);
    out->Write(kTraceId, rsp.traceId);
    out->Write(kPlayConfig, rsp.playConfig);
    WriteSession(rsp.sessionParams, out);
    out->Write(kSubscribeTag51, rsp.serverText51);
}

void PubSubCodec::Read(const TLVReader& in, RtcpAppRspSubscribe* rsp) {
    MiniSdpCodec::Read(in.Nested(kMiniSdp), &rsp->miniSdp);
    in.Read(kResultCode, &rsp->resultCode);
    in.Read(kReason, &rsp->reason);
    in.Read(kTraceId, &rsp->traceId);
    in.Read(kPlayConfig, &rsp->playConfig);
    SessionParamsCodec::Read(in.Nested(kSessionParams), &rsp->sessionParams);
    in.Read(kSubscribeTag51, &rsp->serverText51);
}

}  // namespace dive
