// One remote configuration document through the center: parse, terminal filters, delivery to the
// data center and two more observers, and the posted report — what a session does once per
// subscribe answer. Arg 0: log lines routed at debug level (no player log function); arg 1: off.
#include <benchmark/benchmark.h>

#include <string>

#include "config/ConfigDataCenter.h"
#include "config/ConfigureCenter.h"
#include "engine/EngineServiceContext.h"
#include "osal/LLog.h"

namespace {

class BenchContext : public zeqmcdn::EngineServiceContext {
public:
    BenchContext() : EngineServiceContext("bench") {}
    void NotifyUnlock() override {}
};

class KeyTaker : public zeqnet::ConfigureObserver {
public:
    explicit KeyTaker(const char* name) : ConfigureObserver(name) {}
    int Parse(std::string, std::string value) override { return value.empty() ? -1 : 0; }
};

// A document shaped like the ones edges send: filters, and the data center's keys plus those of
// the jitter buffers and the packet statistics spread over a few objects.
const char* const kDocument = R"({
  "profile": "live-low-latency",
  "abtest": "groupB",
  "filters": ["os=Harmony", "sdkVer>=2.6"],
  "cfgs": [
    {"maxVQLen": "900", "maxAudioQueueLength": "600", "trimAudioAtStartup": "1", "shouldSkipAVSync": "0"},
    {"outputMinBufferLength": "500", "fixedWaterLevel": "1", "videoSmoothOutput": "1", "audioSmoothOutput": "0"},
    {"forceVideoOutputThreshold": "250", "videoTsEditThreshold": "20", "maxVideoDuration": "400"},
    {"targetLatencyHi": "2500", "targetLatencyLo": "2200", "avPktTimeoutMs": "5000", "dyc_id": "dyc-20250331"},
    {"dnsExpirationTime": "300", "cookieExpirationTime": "60", "skipFindStreamInfo": "1"},
    {"crashEn": "1", "crashDump": "/data/storage/el2/base/cache/crash", "crashModu": " VrioSDK, player"},
    {"vjb_max": "3000", "vjb_startup_fullspeed_frm_cnt": "5", "ajb_max_playout_delay": "800"},
    {"enableFastNack": "1", "fastNackRate": "2", "nack_window": "300", "maxNackCount": "10", "unusedKey": "1"}
  ]
})";

void BM_ConfigDocument(benchmark::State& state) {
    osal::LLogInterface::GetInst()->SetLogLevel(state.range(0) == 0 ? LLOG_DEBUG : LLOG_OFF);
    BenchContext ctx;
    zeqnet::ConfigureCenter center;
    zeqnet::ConfigDataCenter data;
    KeyTaker jitter("videoJitterBuffer"), nack("packetStatistics");
    center.SetReportContext(&ctx);
    ctx.SetConfigureHandle(&center);
    data.SetContext(&ctx);
    for (const char* key : {"vjb_max", "vjb_startup_fullspeed_frm_cnt", "ajb_max_playout_delay"})
        center.Register(&jitter, key);
    for (const char* key : {"enableFastNack", "fastNackRate", "nack_window", "maxNackCount"})
        center.Register(&nack, key);
    for (auto _ : state) {
        if (center.Parse(kDocument, zeqnet::ConfigureService::SdkPull) != 0) {
            state.SkipWithError("document refused");
            break;
        }
        center.Notify();
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::char_traits<char>::length(kDocument)));
    center.DeRgister(&jitter);
    center.DeRgister(&nack);
    data.SetContext(nullptr);
    osal::LLogInterface::GetInst()->SetLogLevel(LLOG_DEBUG);
}
BENCHMARK(BM_ConfigDocument)->Arg(0)->Arg(1);

}  // namespace
