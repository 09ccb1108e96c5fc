// Per-packet cost of the receive path's first steps: parsing the RTP header with extensions and
// counting the packet in the track statistics (window, jitter, counters), in ns per packet.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "receive/AVPacketsStatistcs.h"
#include "receive/RTPHeader.h"
#include "vrio/llog.h"

namespace {

// A video packet as the edge sends it: one-byte extensions with transport-wide number, CTS and
// global delay, then 1100 bytes of payload.
std::vector<uint8_t> VideoPacket(uint16_t seq, uint32_t ts, uint16_t twcc) {
    std::vector<uint8_t> p = {0x90, 0x60, static_cast<uint8_t>(seq >> 8), static_cast<uint8_t>(seq),
                              static_cast<uint8_t>(ts >> 24), static_cast<uint8_t>(ts >> 16),
                              static_cast<uint8_t>(ts >> 8), static_cast<uint8_t>(ts), 0x11, 0x22, 0x33, 0x44,
                              0xBE, 0xDE, 0x00, 0x03, 0x51, static_cast<uint8_t>(twcc >> 8),
                              static_cast<uint8_t>(twcc), 0xC2, 0x00, 0x00, 0x21, 0xE1, 0x00, 0x10, 0x00, 0x00};
    p.resize(p.size() + 1100, 0x5A);
    return p;
}

void BM_ParseHeader(benchmark::State& state) {
    const std::vector<uint8_t> p = VideoPacket(1, 90000, 1);
    NetBit::RTPHeader h;
    for (auto _ : state) {
        benchmark::DoNotOptimize(h.ParseHeader(p.data(), static_cast<int>(p.size())));
        benchmark::DoNotOptimize(h.mCts);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_ParseHeader);

// Parse + count, with every 50th packet missing so the window carries holes.
void BM_ParseAndCount(benchmark::State& state) {
    const int previous = gLLogLevelVal;
    gLLogLevelVal = LLOG_WARN;  // debug lines are not part of the per-packet cost
    std::vector<std::vector<uint8_t>> packets;
    for (uint32_t i = 0; i < 4096; ++i)
        if (i % 50 != 49) packets.push_back(VideoPacket(static_cast<uint16_t>(i), i * 3000, static_cast<uint16_t>(i)));
    zeqmcdn::AVPacketsStatistcs stats(nullptr);
    NetBit::RTPHeader h;
    size_t n = 0;
    uint32_t lap = 0;
    int64_t now = 1000;
    for (auto _ : state) {
        std::vector<uint8_t>& p = packets[n];
        if (h.ParseHeader(p.data(), static_cast<int>(p.size())) == 0) {
            uint64_t useq = 0;
            uint64_t uts = 0;
            stats.onOneRtpPacket(p.data(), static_cast<int>(p.size()), false, &useq, &uts, now);
            if (h.mHaveTransportSequenceNumber) stats.OnTwccSN(h.mTransportSequenceNumber);
        }
        now += 1;
        if (++n == packets.size()) {
            // Next lap: move sequence numbers and timestamps on so the stream keeps going forwards.
            n = 0;
            ++lap;
            state.PauseTiming();
            for (size_t i = 0; i < packets.size(); ++i) {
                std::vector<uint8_t>& q = packets[i];
                const uint16_t seq = static_cast<uint16_t>(((q[2] << 8) | q[3]) + 4096);
                q[2] = static_cast<uint8_t>(seq >> 8);
                q[3] = static_cast<uint8_t>(seq);
            }
            state.ResumeTiming();
        }
    }
    benchmark::DoNotOptimize(lap);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
    gLLogLevelVal = previous;
}
BENCHMARK(BM_ParseAndCount);

// One NACK step over a full video window with 2% holes: list, then a decision per number.
void BM_NackStep(benchmark::State& state) {
    const int previous = gLLogLevelVal;
    gLLogLevelVal = LLOG_WARN;
    NetBit::PacketStatistcs stats(nullptr, 1200, false);
    for (uint32_t i = 0; i < 1200; ++i) {
        if (i % 50 == 49) continue;
        std::vector<uint8_t> p = VideoPacket(static_cast<uint16_t>(i + 100), i * 3000, 0);
        stats.onOneRtpPacket(p.data(), static_cast<int>(p.size()), nullptr, nullptr, 1000);
    }
    int64_t now = 2000;
    for (auto _ : state) {
        int granted = 0;
        for (uint16_t seq : stats.GetNackList()) granted += stats.update_nack_time(seq, now, 20, 5000) ? 1 : 0;
        benchmark::DoNotOptimize(granted);
        now += 1;
    }
    gLLogLevelVal = previous;
}
BENCHMARK(BM_NackStep);

}  // namespace
