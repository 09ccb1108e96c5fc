#include "osal/LLog.h"

#include <algorithm>
#include <cstdio>
#include <string>

int gLLogLevelVal = LLOG_DEBUG;

namespace osal {

LLogInterface* LLogInterface::GetInst() {
    // Built on first use (thread-safe) and never destroyed: detached threads (DNS lookups) may still
    // log while the process runs its exit-time destructors.
    static LLogImpl* instance = new LLogImpl();
    return instance;
}

void LLogImpl::RegisterCallback(LLogCallback* cb) {
    lock_guard<recursive_mutex> guard(mMutex);
    if (std::find(mCallbacks.begin(), mCallbacks.end(), cb) == mCallbacks.end()) mCallbacks.push_back(cb);
}

void LLogImpl::DeRegisterCallback(LLogCallback* cb) {
    lock_guard<recursive_mutex> guard(mMutex);
    mCallbacks.erase(std::remove(mCallbacks.begin(), mCallbacks.end(), cb), mCallbacks.end());
}

void LLogImpl::SetLogLevel(LLogLevel level) { __atomic_store_n(&gLLogLevelVal, static_cast<int>(level), __ATOMIC_RELAXED); }

void LLogImpl::Log(const char* file, int line, LLogLevel level, const char* fmt, va_list args) {
    lock_guard<recursive_mutex> guard(mMutex);
    if (mCallbacks.empty()) return;
    std::string text;
    text.reserve(64);
    text += '[';
    text += file ? file : "";
    text += ':';
    text += std::to_string(line);
    text += ']';
    text += fmt ? fmt : "";
    // The receiver formats: it gets the arguments untouched.
    mCallbacks.back()->OnLog(level, text.c_str(), args);
}

}  // namespace osal

extern "C" void llogging(const char* file, int line, LLogLevel level, const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    osal::LLogInterface::GetInst()->Log(file, line, level, fmt, args);
    va_end(args);
}

extern "C" int log_printf(const char*, ...) { return 0; }
