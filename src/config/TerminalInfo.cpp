#include "config/TerminalInfo.h"

#include "osal/Mutex.h"
#include "vrio/version.h"

namespace zeqnet {

namespace {

// The name the library gives its platform in its start-up log and its telemetry records; edge
// servers address documents to it.
constexpr const char* kOsName = "Harmony";

struct TerminalStore {
    osal::mutex lock;
    TerminalInfo info = DeviceTerminalInfo();  // guarded by lock
};

TerminalStore& Store() {
    static TerminalStore store;  // thread-safe lazy construction
    return store;
}

}  // namespace

TerminalInfo DeviceTerminalInfo() { return TerminalInfo{kOsName, VRIO_SDK_VERSION}; }

TerminalInfo GetTerminalInfo() {
    TerminalStore& store = Store();
    osal::lock_guard<osal::mutex> guard(store.lock);
    return store.info;
}

void SetTerminalInfo(const TerminalInfo& info) {
    TerminalStore& store = Store();
    osal::lock_guard<osal::mutex> guard(store.lock);
    store.info = info;
}

void ResetTerminalInfo() { SetTerminalInfo(DeviceTerminalInfo()); }

}  // namespace zeqnet
