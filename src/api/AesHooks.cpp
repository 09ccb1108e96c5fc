#include "api/AesHooks.h"

#include <cstring>

#include "osal/DecimalText.h"
#include "osal/LLog.h"
#include "osal/Mutex.h"

namespace zeqnet {

namespace {

osal::mutex& HookLock() {
    static osal::mutex lock;
    return lock;
}

AesHookSet gHooks;  // guarded by HookLock()

template <typename Fn>
Fn AddressTo(uintptr_t address) {
    return reinterpret_cast<Fn>(address);
}

}  // namespace

int AesHooks::SetByName(const char* name, const char* value) {
    if (!name) return -22;
    enum { kCreate, kInit, kDecrypt, kFree, kUnknown } slot = kUnknown;
    if (std::strcmp(name, "AesCreateCallback") == 0) slot = kCreate;
    else if (std::strcmp(name, "AesInitCallback") == 0) slot = kInit;
    else if (std::strcmp(name, "AesDecryptCallback") == 0) slot = kDecrypt;
    else if (std::strcmp(name, "AesFreeCallback") == 0) slot = kFree;
    if (slot == kUnknown) {
        VLOGE("unknown aes handle name %s\n", name);
        return -19;
    }
    uintptr_t address = 0;
    if (!ParseAddress(value, &address)) {
        VLOGE("invalid aes handle %s=%s\n", name, value ? value : "(null)");
        return -22;
    }
    osal::lock_guard<osal::mutex> guard(HookLock());
    switch (slot) {
        case kCreate: gHooks.create = AddressTo<AesCreateFn>(address); break;
        case kInit: gHooks.init = AddressTo<AesInitFn>(address); break;
        case kDecrypt: gHooks.decrypt = AddressTo<AesDecryptFn>(address); break;
        case kFree: gHooks.free = AddressTo<AesFreeFn>(address); break;
        case kUnknown: break;
    }
    return 0;
}

AesHookSet AesHooks::Get() {
    osal::lock_guard<osal::mutex> guard(HookLock());
    return gHooks;
}

void AesHooks::ResetForTesting() {
    osal::lock_guard<osal::mutex> guard(HookLock());
    gHooks = AesHookSet{};
}

}  // namespace zeqnet
