// Arbitrary datagrams through the signalling codec's parser. Every record handed to the handler is
// rendered for the logs, answered the way the channel answers, and checked for a stable encoding:
// writing what was read, reading that back and writing again must give the same bytes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "signalling/ConnectCodec.h"
#include "signalling/ControlMsgCodec.h"
#include "signalling/DiveRtcpApp.h"
#include "signalling/PubSubCodec.h"
#include "signalling/RtcpAppDebugStrings.h"
#include "signalling/UpdateCodec.h"

namespace {

using dive::TLVReader;
using dive::TLVWriter;

struct Family {
    template <typename Body>
    static void Write(const Body& b, TLVWriter* w) {
        if constexpr (std::is_same_v<Body, dive::RtcpAppRspConnect>) dive::ConnectCodec::Write(b, w);
        if constexpr (std::is_same_v<Body, dive::RtcpAppRspPublish> || std::is_same_v<Body, dive::RtcpAppRspSubscribe>)
            dive::PubSubCodec::Write(b, w);
        if constexpr (std::is_same_v<Body, dive::RtcpAppRspUpdate>) dive::UpdateCodec::Write(b, w);
        if constexpr (std::is_same_v<Body, dive::RtcpAppRspResult> || std::is_same_v<Body, dive::RtcpAppReqStop> ||
                      std::is_same_v<Body, dive::RtcpAppRspMediaControl> ||
                      std::is_same_v<Body, dive::RtcpAppReqNotify>)
            dive::ControlMsgCodec::Write(b, w);
        if constexpr (std::is_same_v<Body, dive::DiveBuffer>) dive::ControlMsgCodec::WriteTempRsp(b, w);
    }
    template <typename Body>
    static void Read(const TLVReader& in, Body* b) {
        if constexpr (std::is_same_v<Body, dive::RtcpAppRspConnect>) dive::ConnectCodec::Read(in, b);
        if constexpr (std::is_same_v<Body, dive::RtcpAppRspPublish> || std::is_same_v<Body, dive::RtcpAppRspSubscribe>)
            dive::PubSubCodec::Read(in, b);
        if constexpr (std::is_same_v<Body, dive::RtcpAppRspUpdate>) dive::UpdateCodec::Read(in, b);
        if constexpr (std::is_same_v<Body, dive::RtcpAppRspResult> || std::is_same_v<Body, dive::RtcpAppReqStop> ||
                      std::is_same_v<Body, dive::RtcpAppRspMediaControl> ||
                      std::is_same_v<Body, dive::RtcpAppReqNotify>)
            dive::ControlMsgCodec::Read(in, b);
        if constexpr (std::is_same_v<Body, dive::DiveBuffer>) dive::ControlMsgCodec::ReadTempRsp(in, b);
    }
};

template <typename Body>
void CheckStableEncoding(const Body& parsed) {
    TLVWriter first;
    Family::Write(parsed, &first);
    Body again;
    Family::Read(TLVReader(first.Buffer()), &again);
    TLVWriter second;
    Family::Write(again, &second);
    if (first.Failed() || !(first.Buffer() == second.Buffer())) __builtin_trap();
}

void Render(const dive::RtcpAppMiniSDP& sdp) {
    volatile size_t n = dive::MiniSdpToString(sdp).size();
    n = n + dive::CommonMediaParamsToString(sdp.common).size();
}

class Sink : public dive::DiveRtcpAppInterface::DiveRtcpAppHandlerInterface {
public:
    dive::DiveRtcpApp* codec = nullptr;

    void OnRequest(dive::RtcpAppMsg& m) override {
        switch (m.type) {
            case dive::kRtcpAppStop: CheckStableEncoding(As<dive::RtcpAppReqStop>(m)); break;
            case dive::kRtcpAppDisconnect: CheckStableEncoding(As<dive::RtcpAppRspResult>(m)); break;
            case dive::kRtcpAppMediaControl: {
                const auto& req = As<dive::RtcpAppRspMediaControl>(m);
                volatile size_t n = dive::MsidCmdVecToString(req.msidCmds).size();
                (void)n;
                CheckStableEncoding(req);
                break;
            }
            case dive::kRtcpAppNotify: CheckStableEncoding(As<dive::RtcpAppReqNotify>(m)); break;
            default: __builtin_trap();  // no other request is dispatched
        }
        Answer(m, dive::kRtcpAppFinalRsp);
    }

    void OnFinalResponse(dive::RtcpAppMsg& m) override {
        switch (m.type) {
            case dive::kRtcpAppConnect: CheckStableEncoding(As<dive::RtcpAppRspConnect>(m)); break;
            case dive::kRtcpAppPublish: {
                const auto& rsp = As<dive::RtcpAppRspPublish>(m);
                Render(rsp.miniSdp);
                CheckStableEncoding(rsp);
                break;
            }
            case dive::kRtcpAppSubscribe: {
                const auto& rsp = As<dive::RtcpAppRspSubscribe>(m);
                Render(rsp.miniSdp);
                CheckStableEncoding(rsp);
                break;
            }
            case dive::kRtcpAppPublishUpdate:
            case dive::kRtcpAppSubscribeUpdate: {
                const auto& rsp = As<dive::RtcpAppRspUpdate>(m);
                Render(rsp.miniSdp);
                volatile size_t n = dive::MsidCmdVecToString(rsp.msidCmds).size();
                (void)n;
                CheckStableEncoding(rsp);
                break;
            }
            case dive::kRtcpAppStop:
            case dive::kRtcpAppDisconnect:
            case dive::kRtcpAppHeartBeat:
            case dive::kRtcpAppNotify: CheckStableEncoding(As<dive::RtcpAppRspResult>(m)); break;
            case dive::kRtcpAppMtuDetect: break;  // the code alone: not a full result list
            default: __builtin_trap();
        }
        Answer(m, dive::kRtcpAppFinalRspAck);
    }

    void OnTempResponse(dive::RtcpAppMsg& m) override { CheckStableEncoding(As<dive::DiveBuffer>(m)); }
    void OnMobility() override {}

private:
    template <typename Body>
    static const Body& As(const dive::RtcpAppMsg& m) {
        if (!m.body) __builtin_trap();
        return *static_cast<const Body*>(m.body);
    }

    // What the channel does from inside the callback: build an answer with the same codec.
    void Answer(const dive::RtcpAppMsg& m, dive::DiveRtcpAppMsgType kind) {
        dive::RtcpAppRspResult ok;
        ok.resultCode = 200;
        dive::RtcpAppMsg answer;
        answer.msgId = m.msgId;
        answer.type = m.type;
        answer.kind = kind;
        answer.body = kind == dive::kRtcpAppFinalRsp ? &ok : nullptr;
        uint8_t out[64];
        if (codec->BuildRtcpApp(answer, out, sizeof(out)) < 16) __builtin_trap();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Sink sink;
    dive::DiveRtcpApp codec(&sink, 0x01020304);
    sink.codec = &codec;
    // A copy in a buffer of its own size, so any read past the datagram is caught.
    std::vector<uint8_t> datagram(data, data + size);
    codec.ParseRtcpApp(datagram.data(), datagram.size());
    if (codec.UpdateRtcAppMsgId(datagram.data(), datagram.size(), 0x1234) != (size >= 16)) __builtin_trap();
    return 0;
}
