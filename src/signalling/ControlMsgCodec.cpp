#include "signalling/ControlMsgCodec.h"

#include "signalling/UpdateCodec.h"

namespace dive {

namespace {
enum ControlTag : uint8_t {
    kResultCode = 1,
    kReason = 2,
    kUrl = 3,
    kTraceId = 6,
    kProbeSize = 10,
    kProbeResult = 11,
    kControlValue = 18,
    kNotifyType = 19,
    kNotifySubValue = 20,
    kNotifyData = 21,
    kMsidCmd = 22,
};
enum NotifyDataTag : uint8_t { kNotifyNested3 = 3, kNotifyNested5 = 5 };
}  // namespace

void ControlMsgCodec::Write(const RtcpAppRspResult& rsp, TLVWriter* out) {
    out->Write(kResultCode, rsp.resultCode);
    out->Write(kReason, rsp.reason);
}

void ControlMsgCodec::Read(const TLVReader& in, RtcpAppRspResult* rsp) {
    in.Read(kResultCode, &rsp->resultCode);
    in.Read(kReason, &rsp->reason);
}

void ControlMsgCodec::ReadCodeOnly(const TLVReader& in, RtcpAppRspResult* rsp) {
    in.Read(kResultCode, &rsp->resultCode);
}

void ControlMsgCodec::Write(const RtcpAppReqStop& req, TLVWriter* out) {
    out->Write(kUrl, req.url);
    out->Write(kResultCode, req.reasonCode);
    out->Write(kReason, req.reason);
}

void ControlMsgCodec::Read(const TLVReader& in, RtcpAppReqStop* req) {
    in.Read(kUrl, &req->url);
    in.Read(kResultCode, &req->reasonCode);
    in.Read(kReason, &req->reason);
}

void ControlMsgCodec::Write(const RtcpAppReqMtuDetect& req, bool end, TLVWriter* out) {
    out->Write(kProbeSize, req.probeSize);
    if (end) out->Write(kProbeResult, req.resultFlag);
}

void ControlMsgCodec::Read(const TLVReader& in, RtcpAppReqMtuDetect* req) {
    in.Read(kProbeSize, &req->probeSize);
    in.Read(kProbeResult, &req->resultFlag);
}

void ControlMsgCodec::Write(const RtcpAppRspMediaControl& req, TLVWriter* out) {
    out->Write(kUrl, req.url);
    out->Write(kControlValue, req.controlValue);
    for (const RtcpAppMsidCmd& cmd : req.msidCmds) out->Write(kMsidCmd, cmd);
}

void ControlMsgCodec::Read(const TLVReader& in, RtcpAppRspMediaControl* req) {
    in.Read(kUrl, &req->url);
    in.Read(kControlValue, &req->controlValue);
    UpdateCodec::ReadMsidCmds(in, kMsidCmd, &req->msidCmds);
}

void ControlMsgCodec::Write(const RtcpAppReqNotify& req, TLVWriter* out) {
    out->Write(kNotifyType, req.notifyType);
    out->Write(kNotifySubValue, req.subValue);
    out->Write(kNotifyData, req.data);
}

void ControlMsgCodec::Read(const TLVReader& in, RtcpAppReqNotify* req) {
    in.Read(kNotifyType, &req->notifyType);
    in.Read(kNotifySubValue, &req->subValue);
    in.Read(kNotifyData, &req->data);
    const TLVReader data = in.Nested(kNotifyData);
    data.Read(kNotifyNested3, &req->nestedValue3);
    data.Read(kNotifyNested5, &req->nestedValue5);
}

void ControlMsgCodec::WriteTempRsp(const DiveBuffer& traceId, TLVWriter* out) { out->Write(kTraceId, traceId); }

void ControlMsgCodec::ReadTempRsp(const TLVReader& in, DiveBuffer* traceId) { in.Read(kTraceId, traceId); }

}  // namespace dive
