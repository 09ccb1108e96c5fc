#include "signalling/UpdateCodec.h"

#include "signalling/MiniSdpCodec.h"

namespace dive {

namespace {
enum UpdateTag : uint8_t { kResultCode = 1, kReason = 2, kUrl = 3, kMiniSdp = 4, kReqMsidCmd = 5, kRspMsidCmd = 22 };

void WriteMiniSdp(const RtcpAppMiniSDP& sdp, TLVWriter* out, bool withCommon) {
    TLVWriter nested;
    MiniSdpCodec::Write(sdp, &nested, withCommon);
    out->Write(kMiniSdp, nested);
}
}  // namespace

void UpdateCodec::ReadMsidCmds(const TLVReader& in, uint8_t tag, std::vector<RtcpAppMsidCmd>* cmds) {
    in.ForEach(tag, [cmds](const uint8_t* value, size_t len) {
        if (len > 0) cmds->emplace_back(value, len);
    });
}

void UpdateCodec::Write(const RtcpAppReqUpdate& req, TLVWriter* out) {
    out->Write(kUrl, req.url);
    WriteMiniSdp(req.miniSdp, out, false);
    for (const RtcpAppMsidCmd& cmd : req.msidCmds) out->Write(kReqMsidCmd, cmd);
}

void UpdateCodec::Read(const TLVReader& in, RtcpAppReqUpdate* req) {
    in.Read(kUrl, &req->url);
    MiniSdpCodec::Read(in.Nested(kMiniSdp), &req->miniSdp);
    ReadMsidCmds(in, kReqMsidCmd, &req->msidCmds);
}

void UpdateCodec::Write(const RtcpAppRspUpdate& rsp, TLVWriter* out, bool withCommon) {
    out->Write(kResultCode, rsp.resultCode);
    out->Write(kReason, rsp.reason);
    for (const RtcpAppMsidCmd& cmd : rsp.msidCmds) out->Write(kRspMsidCmd, cmd);
    WriteMiniSdp(rsp.miniSdp, out, withCommon);
}

void UpdateCodec::Read(const TLVReader& in, RtcpAppRspUpdate* rsp) {
    in.Read(kResultCode, &rsp->resultCode);
    in.Read(kReason, &rsp->reason);
    ReadMsidCmds(in, kRspMsidCmd, &rsp->msidCmds);
    MiniSdpCodec::Read(in.Nested(kMiniSdp), &rsp->miniSdp);
}

}  // namespace dive
