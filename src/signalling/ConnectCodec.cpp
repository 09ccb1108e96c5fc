#include "signalling/ConnectCodec.h"

#include "signalling/SessionParamsCodec.h"

namespace dive {

namespace {
enum ConnectTag : uint8_t { kResultCode = 1, kReason = 2, kUrl = 3, kTraceId = 6, kSessionParams = 23 };
}

void ConnectCodec::Write(const RtcpAppReqConnect& req, TLVWriter* out) {
    out->Write(kUrl, req.url);
    TLVWriter session;
    SessionParamsCodec::Write(req.sessionParams, &session);
    out->Write(kSessionParams, session);
}

void ConnectCodec::Read(const TLVReader& in, RtcpAppReqConnect* req) {
    in.Read(kUrl, &req->url);
    SessionParamsCodec::Read(in.Nested(kSessionParams), &req->sessionParams);
}

void ConnectCodec::Write(const RtcpAppRspConnect& rsp, TLVWriter* out) {
    out->Write(kResultCode, rsp.resultCode);
    out->Write(kReason, rsp.reason);
    out->Write(kTraceId, rsp.traceId);
    TLVWriter session;
    SessionParamsCodec::Write(rsp.sessionParams, &session);
    out->Write(kSessionParams, session);
}

void ConnectCodec::Read(const TLVReader& in, RtcpAppRspConnect* rsp) {
    in.Read(kResultCode, &rsp->resultCode);
    in.Read(kReason, &rsp->reason);
    in.Read(kTraceId, &rsp->traceId);
    SessionParamsCodec::Read(in.Nested(kSessionParams), &rsp->sessionParams);
}

}  // namespace dive
