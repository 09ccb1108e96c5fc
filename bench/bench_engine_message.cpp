// Engine messages: the cost of one post, and the latency from post to handler call on the message
// thread (reported as a counter: mean microseconds).
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>

#include "engine/EngineService.h"
#include "engine/EngineServiceContext.h"
#include "vrio/osal.h"

namespace {

using Clock = std::chrono::steady_clock;

class BenchContext : public zeqmcdn::EngineServiceContext {
public:
    BenchContext() : EngineServiceContext("bench") {}
    ~BenchContext() override { ShutdownMessageThread(); }
    void NotifyUnlock() override {}
};

struct Delivery {
    std::atomic<int64_t> delivered{0};
    std::atomic<int64_t> postedAtNs{0};
    std::atomic<int64_t> latencyNs{0};
    static int Handler(void* user, int, void*, long long) {
        auto* d = static_cast<Delivery*>(user);
        int64_t now = Clock::now().time_since_epoch().count();
        d->latencyNs.fetch_add(now - d->postedAtNs.load());
        d->delivered.fetch_add(1);
        return 0;
    }
};

void BM_PostEngineMessage(benchmark::State& state) {
    Delivery d;
    BenchContext ctx;
    ctx.SetMsgHandler(Delivery::Handler, &d);
    for (auto _ : state) {
        zeqmcdn::EngineService::PostEngineMessage(&ctx, 151, "bench", 7, "ft:1000,inv:40,st:2");
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PostEngineMessage);

// One message at a time: post, wait for the handler, record the delay.
void BM_DeliveryLatency(benchmark::State& state) {
    Delivery d;
    BenchContext ctx;
    ctx.SetMsgHandler(Delivery::Handler, &d);
    int64_t sent = 0;
    for (auto _ : state) {
        d.postedAtNs.store(Clock::now().time_since_epoch().count());
        zeqmcdn::EngineService::PostEngineMessage(&ctx, 151, "bench", 7, "x");
        ++sent;
        while (d.delivered.load() < sent) {
        }
    }
    state.counters["latency_us"] = benchmark::Counter(static_cast<double>(d.latencyNs.load()) / 1000.0 / static_cast<double>(sent));
}
BENCHMARK(BM_DeliveryLatency)->Iterations(300)->UseRealTime();

}  // namespace
