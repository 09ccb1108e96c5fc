// The handle check every interface call makes, with few and with many live connections.
#include <benchmark/benchmark.h>

#include <vector>

#include "vrio/zeq_net_api.h"

namespace {

void BM_HandleCheck(benchmark::State& state) {
    vrio_net_config cfg = zeq_net_get_default_cfg();
    std::vector<zeq_net_conn*> handles;
    for (int64_t i = 0; i < state.range(0); ++i) handles.push_back(zeq_net_create_connection(&cfg));
    zeq_net_conn* probe = handles.back();
    // subscribe_close does the registry lookup and nothing else.
    for (auto _ : state) benchmark::DoNotOptimize(zeq_net_subscribe_close(probe, 1));
    for (zeq_net_conn* h : handles) zeq_net_destroy_connection(h);
}
BENCHMARK(BM_HandleCheck)->Arg(1)->Arg(16)->Arg(1024);

void BM_CreateDestroy(benchmark::State& state) {
    vrio_net_config cfg = zeq_net_get_default_cfg();
    for (auto _ : state) zeq_net_destroy_connection(zeq_net_create_connection(&cfg));
}
BENCHMARK(BM_CreateDestroy);

}  // namespace
