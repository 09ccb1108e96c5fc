#include "osal/InitiateOnce.h"

#include "osal/SystemLog.h"

namespace osal {

InitiateOnce::InitiateOnce() {
    SysLog(SysLogLevel::kInfo, nullptr, "Creating singleton initiate_once ...\n");
    mLock = osal_create_lock(0);
    SysLog(SysLogLevel::kInfo, nullptr, "Created singleton initiate_once\n");
}

InitiateOnce::~InitiateOnce() { osal_delete_lock(mLock); }

InitiateOnce& InitiateOnce::Get() {
    // A function-local static so that a static initialiser of another module that creates a lock
    // before this file's initialiser ran still finds the object built.
    static InitiateOnce instance;
    return instance;
}

namespace {
// Build the singleton at load time, not at first use.
[[maybe_unused]] const InitiateOnce& gInitiateOnce = InitiateOnce::Get();
}  // namespace

}  // namespace osal
