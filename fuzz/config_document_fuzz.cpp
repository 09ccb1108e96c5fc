// Arbitrary bytes as a remote configuration document: parsed, filtered and delivered to the data
// center and a second observer, the way a session does it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "config/ConfigDataCenter.h"
#include "config/ConfigureCenter.h"
#include "config/TerminalFilter.h"
#include "engine/EngineServiceContext.h"

namespace {

class FuzzContext : public zeqmcdn::EngineServiceContext {
public:
    FuzzContext() : EngineServiceContext("fuzz") {}
    void NotifyUnlock() override {}
};

class AnyObserver : public zeqnet::ConfigureObserver {
public:
    AnyObserver() : ConfigureObserver("jitterBuffer") {}
    int Parse(std::string key, std::string value) override { return key.size() + value.size() > 0 ? 0 : -1; }
};

struct Session {
    FuzzContext ctx;
    zeqnet::ConfigureCenter center;
    zeqnet::ConfigDataCenter data;
    AnyObserver other;
    Session() {
        // No report context: a posted report outlives the input on the message queue, which
        // libFuzzer would take for a leak. Notify still builds the report and logs it.
        ctx.SetConfigureHandle(&center);
        data.SetContext(&ctx);
        center.Register(&other, "vjb_max");
        center.Register(&other, "maxVQLen");
    }
};

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Session* session = new Session();  // lives for the process: its message thread too
    std::string text(reinterpret_cast<const char*>(data), size);
    zeqnet::ConfigureCenter& center = session->center;
    if (center.Parse(text.c_str(), zeqnet::ConfigureService::SdkPull) == 0) {
        Check(center.GetWorkingStatus() == zeqnet::ConfigureCenter::kParsed);
        for (const auto& entry : center.GetParsedConfiguration())
            Check(center.IsObserved(entry.first, &session->data) || center.IsObserved(entry.first, &session->other));
        center.Notify();
        Check(center.GetWorkingStatus() == zeqnet::ConfigureCenter::kDeployed);
    } else {
        Check(center.GetWorkingStatus() == zeqnet::ConfigureCenter::kNothingParsed);
        Check(center.GetParsedConfiguration().empty());
    }
    const zeqnet::ConfigDataCenter& d = session->data;
    Check(d.GetMaxVideoDuration() >= 10 && d.GetMaxVideoDuration() <= 1000);
    Check(d.GetTargetLatencyHi() >= 10 && d.GetTargetLatencyHi() <= 10000);
    Check(d.GetTargetLatencyLo() >= 10 && d.GetTargetLatencyLo() <= 10000);
    Check(d.GetOutputMinBufferLength() <= 10000 && d.GetForceVideoOutputThreshold() <= 10000);
    Check(d.GetShouldSkipAVSync() <= 1 && d.GetAVPacketTimeoutMs() <= 0x7fffffffu);
    for (const std::string& module : d.GetCrashModule()) Check(!module.empty() && module[0] != ' ');

    // The same bytes as one filter text and as one value of every data-center key.
    zeqnet::TerminalFilter::Check(text, zeqnet::GetTerminalInfo());
    zeqnet::ConfigDataCenter scratch;
    for (const char* key : zeqnet::ConfigDataCenter::kKeys) Check(scratch.Parse(key, text) == 0);
    return 0;
}
