// Cost of building and parsing one signalling datagram: Connect, Subscribe with a full mini SDP
// (two audio and two video tracks, every blob in use), HeartBeat.
#include <benchmark/benchmark.h>

#include <vector>

#include "signalling/ConnectCodec.h"
#include "signalling/ControlMsgCodec.h"
#include "signalling/DiveRtcpApp.h"
#include "signalling/PubSubCodec.h"
#include "signalling/test/SignallingFixtures.h"

namespace {

using namespace dive;

// The messages the codec tests use.
using dive::test::Text;

RtcpAppMediaParamCommon Common() { return dive::test::SubscribeCommon(); }

RtcpAppMiniSDP FullMiniSdp() { return dive::test::FullMiniSdp(true); }

class NullHandler : public DiveRtcpAppInterface::DiveRtcpAppHandlerInterface {
public:
    void OnRequest(RtcpAppMsg& m) override { benchmark::DoNotOptimize(m.body); }
    void OnFinalResponse(RtcpAppMsg& m) override { benchmark::DoNotOptimize(m.body); }
    void OnTempResponse(RtcpAppMsg& m) override { benchmark::DoNotOptimize(m.body); }
    void OnMobility() override {}
};

void Build(benchmark::State& state, DiveRtcpAppSubType type, void* body) {
    DiveRtcpApp codec(nullptr, 0x11223344);
    RtcpAppMsg msg;
    msg.type = type;
    msg.body = body;
    std::vector<uint8_t> out(4096);
    size_t len = 0;
    for (auto _ : state) {
        len = codec.BuildRtcpApp(msg, out.data(), out.size());
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["bytes"] = static_cast<double>(len);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * len));
}

template <typename Write>
void Parse(benchmark::State& state, DiveRtcpAppSubType type, Write write) {
    TLVWriter entries;
    TLVHeader header;
    header.kind = kRtcpAppFinalRsp;
    header.msgId = 7;
    header.WriteHeader(&entries.Buffer());
    write(&entries);
    DiveRtcpAppWriter server(0xA1B2C3D4);
    const DiveBuffer packet = *server.Write(type, entries.Buffer());
    NullHandler handler;
    DiveRtcpApp codec(&handler, 0x11223344);
    for (auto _ : state) benchmark::DoNotOptimize(codec.ParseRtcpApp(packet.Data(), packet.Length()));
    state.counters["bytes"] = static_cast<double>(packet.Length());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * packet.Length()));
}

void BM_BuildConnect(benchmark::State& state) {
    RtcpAppReqConnect req;
    req.url = Text("zrtc://edge.example.com/live/stream-0001");
    req.sessionParams.cookie = Text("0123456789abcdef0123456789abcdef");
    req.sessionParams.clientVersion = 0x01040100;
    req.sessionParams.common = Common();
    Build(state, kRtcpAppConnect, &req);
}
BENCHMARK(BM_BuildConnect);

void BM_BuildSubscribe(benchmark::State& state) {
    RtcpAppReqSubscribe req;
    req.url = Text("zrtc://edge.example.com/live/stream-0001?zeq_cumu_delay_sei=on");
    req.miniSdp = FullMiniSdp();
    req.trackMode = 1;
    req.sessionParams.cookie = Text("0123456789abcdef0123456789abcdef");
    req.sessionParams.common = Common();
    req.msids = {Text("audio-0"), Text("audio-1"), Text("video-0"), Text("video-1")};
    Build(state, kRtcpAppSubscribe, &req);
}
BENCHMARK(BM_BuildSubscribe);

void BM_BuildHeartBeat(benchmark::State& state) { Build(state, kRtcpAppHeartBeat, nullptr); }
BENCHMARK(BM_BuildHeartBeat);

void BM_ParseConnectFinal(benchmark::State& state) {
    RtcpAppRspConnect rsp;
    rsp.resultCode = 200;
    rsp.reason = Text("OK");
    rsp.traceId = Text("trace-0123456789");
    rsp.sessionParams.cookie = Text("0123456789abcdef0123456789abcdef");
    rsp.sessionParams.serverText4 = Text("edge-17");
    rsp.sessionParams.serverValue5 = 5;
    rsp.sessionParams.common = Common();
    Parse(state, kRtcpAppConnect, [&](TLVWriter* w) { ConnectCodec::Write(rsp, w); });
}
BENCHMARK(BM_ParseConnectFinal);

void BM_ParseSubscribeFinal(benchmark::State& state) {
    RtcpAppRspSubscribe rsp;
    rsp.miniSdp = FullMiniSdp();
    rsp.resultCode = 200;
    rsp.reason = Text("OK");
    rsp.traceId = Text("trace-0123456789");
    rsp.playConfig = Text("{\"play\":{\"jitter_buffer_ms\":300,\"audio_only\":false}}");
    rsp.sessionParams.cookie = Text("0123456789abcdef0123456789abcdef");
    Parse(state, kRtcpAppSubscribe, [&](TLVWriter* w) { PubSubCodec::Write(rsp, w); });
}
BENCHMARK(BM_ParseSubscribeFinal);

void BM_ParseHeartBeatFinal(benchmark::State& state) {
    RtcpAppRspResult rsp;
    rsp.resultCode = 200;
    Parse(state, kRtcpAppHeartBeat, [&](TLVWriter* w) { ControlMsgCodec::Write(rsp, w); });
}
BENCHMARK(BM_ParseHeartBeatFinal);

}  // namespace
