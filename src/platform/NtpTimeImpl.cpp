#include "platform/NtpTimeImpl.h"

#include <limits>
#include <utility>

#include "osal/Mutex.h"
#include "platform/TickCount.h"
#include "platform/UtcTimeText.h"

namespace ZeqUtils {

namespace {

// Only the first three servers are asked: a failing server costs up to three step timeouts, and
// the caller of the first GetInstance waits for all of them.
constexpr size_t kServersAsked = 3;

struct ProcessConfig {
    osal::mutex lock;
    std::vector<NtpServer> servers = DefaultNtpServers();  // guarded by lock
    bool created = false;                                  // guarded by lock
};

ProcessConfig& Config() {
    static ProcessConfig* config = new ProcessConfig();  // never destroyed: usable until exit
    return *config;
}

int64_t FloorDiv1000(int64_t ms) { return ms / 1000 - (ms % 1000 < 0); }

}  // namespace

NtpTimeImpl* NtpTimeImpl::GetInstance() {
    static NtpTimeImpl* instance = [] {
        std::vector<NtpServer> servers;
        {
            ProcessConfig& config = Config();
            osal::lock_guard<osal::mutex> guard(config.lock);
            config.created = true;
            servers = config.servers;
        }
        return new NtpTimeImpl(std::move(servers));  // lives for the process
    }();
    return instance;
}

bool NtpTimeImpl::SetServers(const std::vector<NtpServer>& servers) {
    ProcessConfig& config = Config();
    osal::lock_guard<osal::mutex> guard(config.lock);
    if (config.created) return false;
    config.servers = servers;
    return true;
}

NtpTimeImpl::NtpTimeImpl(std::vector<NtpServer> servers, int step_timeout_ms)
    : mServers(std::move(servers)), mStepTimeoutMs(step_timeout_ms) {
    NtpTask();
}

void NtpTimeImpl::NtpTask() {
    int64_t answer = -1;
    for (size_t i = 0; i < mServers.size() && i < kServersAsked && answer < 0; ++i)
        answer = GetNTPTime(mServers[i].host.c_str(), mServers[i].port, mStepTimeoutMs);
    const int64_t system_ms = NetBit::OS_GetTickCount();
    if (answer >= 0) {
        mNtpTimeMs = answer * 1000;
        mOffsetMs = mNtpTimeMs - system_ms;
    } else {
        mNtpTimeMs = system_ms;
        mOffsetMs = 0;
    }
}

int64_t NtpTimeImpl::GetCurrentNtpTimeInMilliSec() const { return NetBit::OS_GetTickCount() + mOffsetMs; }

int64_t NtpTimeImpl::GetCurrentNtpTimeInSecond() const { return GetCurrentNtpTimeInMilliSec() / 1000; }

int64_t NtpTimeImpl::GetUTCTimeInMilliseconds() const { return NetBit::OS_GetTickCount(); }

int32_t NtpTimeImpl::GetNtpTimeOffset() const {
    if (mOffsetMs > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (mOffsetMs < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(mOffsetMs);
}

std::string NtpTimeImpl::GetTimeString() const { return FormatIso8601Utc(FloorDiv1000(GetCurrentNtpTimeInMilliSec())); }

}  // namespace ZeqUtils
