// Packets per second through one direction of the link emulator: a clean link, and a lossy,
// jittered, rate-limited one kept overloaded so its queue is always full.
#include <benchmark/benchmark.h>

#include <vector>

#include "netem/LinkProfileText.h"
#include "netem/NetemLink.h"

namespace {

using zrtc::netem::LinkProfile;
using zrtc::netem::NetemLink;
using zrtc::netem::NetemPacket;

void PushPop(benchmark::State& state, const char* text, int64_t intervalUs) {
    LinkProfile profile;
    if (!zrtc::netem::ParseLinkProfile(text, &profile, nullptr)) {
        state.SkipWithError("bad link description");
        return;
    }
    NetemLink link(profile);
    std::vector<NetemPacket> out;
    const std::vector<uint8_t> payload(1200, 0x5a);
    int64_t now = 0;
    for (auto _ : state) {
        NetemPacket p;
        p.data = payload;
        link.Push(std::move(p), now);
        out.clear();
        link.PopReady(now, &out);
        benchmark::DoNotOptimize(out.data());
        now += intervalUs;
    }
    const zrtc::netem::LinkStats s = link.Stats();
    state.SetItemsProcessed(state.iterations());
    state.counters["out_share"] = s.packetsIn ? static_cast<double>(s.packetsOut) / s.packetsIn : 0;
}

// 1200-byte packets every 1 ms: 9.6 Mbit/s offered.
void BM_NetemClean(benchmark::State& state) { PushPop(state, "", 1000); }
void BM_NetemDelayOnly(benchmark::State& state) { PushPop(state, "delay=40ms", 1000); }
void BM_NetemLossyRateLimited(benchmark::State& state) {
    PushPop(state, "loss=2%,burst=gilbert:p=1%:r=30%,delay=40ms,jitter=10ms,rate=5mbps,queue=50,dup=0.5%,reorder=1%",
            1000);
}
void BM_NetemLossyRateLimitedInOrder(benchmark::State& state) {
    PushPop(state, "loss=2%,delay=40ms,jitter=10ms,order=keep,rate=5mbps,queue=50", 1000);
}

BENCHMARK(BM_NetemClean);
BENCHMARK(BM_NetemDelayOnly);
BENCHMARK(BM_NetemLossyRateLimited);
BENCHMARK(BM_NetemLossyRateLimitedInOrder);

}  // namespace
