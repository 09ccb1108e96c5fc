// What running a server-side options text through the options language costs: plain options
// only, and options in conditional groups (each condition compiles and runs one regular
// expression). Figures in bytes and entries per second.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "platform/ProcessOptions.h"

namespace {

const char kPlain[] =
    "jbTime=500&dynamicJitterBuffer=1&forceSampleRate=48000&audioRedNum=2&gccM75Loss=10&tsnEnable=1&"
    "recoveryLossEnable=1&rate=1.25";

const char kGroups[] =
    "jbTime=500&_os=^Android&jbTime=800&dynamicJitterBuffer=0&_os=^Harmony&_osv=^4\\.&jbTime=300&"
    "forceSampleRate=48000&_dev=^(phone|pad)$&audioRedNum=2&_sdkv=^2\\.6\\.&tsnEnable=1&recoveryLossEnable=1";

std::string Resolve(const char* name) {
    if (std::strcmp(name, "_os") == 0) return "Harmony";
    if (std::strcmp(name, "_osv") == 0) return "4.0.1.310";
    if (std::strcmp(name, "_dev") == 0) return "phone";
    if (std::strcmp(name, "_sdkv") == 0) return "2.6.2";
    return "";
}

size_t Entries(const char* text) {
    size_t n = 1;
    for (const char* p = text; *p; ++p) n += *p == '&';
    return n;
}

void Run(benchmark::State& state, const char* text) {
    size_t applied = 0;
    const NetBit::OptionApply apply = [&](const char*, const char*) { ++applied; };
    const NetBit::OptionResolve resolve = &Resolve;
    for (auto _ : state) benchmark::DoNotOptimize(NetBit::process_options(text, apply, resolve));
    benchmark::DoNotOptimize(applied);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * std::strlen(text)));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * Entries(text)));
}

void BM_ProcessOptionsPlain(benchmark::State& state) { Run(state, kPlain); }
BENCHMARK(BM_ProcessOptionsPlain);

void BM_ProcessOptionsConditionalGroups(benchmark::State& state) { Run(state, kGroups); }
BENCHMARK(BM_ProcessOptionsConditionalGroups);

// A long text of plain options: the per-byte cost of splitting and trimming.
void BM_ProcessOptionsLongText(benchmark::State& state) {
    std::string text;
    while (text.size() < 64 * 1024) text += "someOptionKey = some option value &";
    Run(state, text.c_str());
}
BENCHMARK(BM_ProcessOptionsLongText);

}  // namespace
