// The transport's demultiplexer: cost per received datagram routed by SSRC to one of several
// participants.
#include <benchmark/benchmark.h>

#include <vector>

#include "engine/EngineServiceContext.h"
#include "engine/MCdnTransport.h"

namespace {

class BenchContext : public zeqmcdn::EngineServiceContext {
public:
    BenchContext() : EngineServiceContext("bench") {}
    ~BenchContext() override { ShutdownMessageThread(); }
    void NotifyUnlock() override {}
};

class Sink : public zeqmcdn::ZeqMediaCdnListener {
public:
    void OnMessage(const zeqmcdn::MsgParam*) override {}
    void OnRtpRtcpPacket(const uint8_t*, int len) override { bytes += len; }
    int64_t bytes = 0;
};

void BM_Demultiplex(benchmark::State& state) {
    const int users = static_cast<int>(state.range(0));
    BenchContext ctx;
    zeqmcdn::MCdnTransport transport(&ctx);
    std::vector<Sink> sinks(static_cast<size_t>(users));
    for (int u = 0; u < users; ++u) {
        const uint32_t ssrcs[2] = {0x1000u + static_cast<uint32_t>(u) * 2, 0x1001u + static_cast<uint32_t>(u) * 2};
        transport.RegisterReceiver(static_cast<uint32_t>(u + 1), "zrtc://bench/s", &sinks[static_cast<size_t>(u)]);
        transport.SetSsrcFilter(static_cast<uint32_t>(u + 1), ssrcs, 2);
    }
    // An RTP packet of the last user's video: the worst case of the ascending walk.
    std::vector<uint8_t> rtp(1200, 0);
    rtp[0] = 0x80, rtp[1] = 96;
    const uint32_t ssrc = 0x1001u + static_cast<uint32_t>(users - 1) * 2;
    rtp[8] = static_cast<uint8_t>(ssrc >> 24), rtp[9] = static_cast<uint8_t>(ssrc >> 16);
    rtp[10] = static_cast<uint8_t>(ssrc >> 8), rtp[11] = static_cast<uint8_t>(ssrc);
    transport.OnRtpRtcpPacket(rtp.data(), static_cast<int>(rtp.size()));  // the first-packet report
    for (auto _ : state) transport.OnRtpRtcpPacket(rtp.data(), static_cast<int>(rtp.size()));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Demultiplex)->Arg(1)->Arg(4)->Arg(16);

}  // namespace
