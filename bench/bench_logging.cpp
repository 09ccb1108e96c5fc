// What a log call costs: a line dropped by the call-site gate, and a line routed to a receiver
// that formats it (what a player's log callback does).
#include <benchmark/benchmark.h>

#include <cstdio>

#include "osal/LLog.h"

namespace {

class FormattingReceiver : public osal::LLogCallback {
public:
    void OnLog(LLogLevel, const char* text, va_list args) override {
        char line[256];
        benchmark::DoNotOptimize(vsnprintf(line, sizeof(line), text, args));
    }
};

void BM_GatedOut(benchmark::State& state) {
    osal::LLogInterface::GetInst()->SetLogLevel(LLOG_ERROR);
    for (auto _ : state) VLOGD("frame %d of %s\n", 42, "stream");
    osal::LLogInterface::GetInst()->SetLogLevel(LLOG_DEBUG);
}
BENCHMARK(BM_GatedOut);

void BM_RoutedAndFormatted(benchmark::State& state) {
    FormattingReceiver receiver;
    osal::LLogInterface::GetInst()->RegisterCallback(&receiver);
    for (auto _ : state) VLOGI("frame %d of %s\n", 42, "stream");
    osal::LLogInterface::GetInst()->DeRegisterCallback(&receiver);
}
BENCHMARK(BM_RoutedAndFormatted);
BENCHMARK(BM_RoutedAndFormatted)->Threads(2);

}  // namespace
