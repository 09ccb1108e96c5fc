#include "PlayerProbe.h"

#include <dirent.h>

#include <cstdarg>
#include <cstdio>

#include "vrio/osal.h"

namespace e2e {

namespace {

std::mutex gLogLock;
std::vector<LogLine> gLogLines;

int OnLog(void*, int, const char* fmt, va_list args) {
    char buf[4096];
    std::vsnprintf(buf, sizeof(buf), fmt, args);
    LogLine line{buf, osal_get_time_ms()};
    std::lock_guard<std::mutex> guard(gLogLock);
    gLogLines.push_back(std::move(line));
    return 0;
}

size_t CountLogLocked(const std::string& containing) {
    size_t n = 0;
    for (const LogLine& l : gLogLines) n += l.text.find(containing) != std::string::npos;
    return n;
}

}  // namespace

vrio_log_fn LogSink::Callback() { return &OnLog; }

std::vector<LogLine> LogSink::Lines(const std::string& containing) {
    std::vector<LogLine> out;
    std::lock_guard<std::mutex> guard(gLogLock);
    for (const LogLine& l : gLogLines)
        if (l.text.find(containing) != std::string::npos) out.push_back(l);
    return out;
}

size_t LogSink::Count(const std::string& containing) {
    std::lock_guard<std::mutex> guard(gLogLock);
    return CountLogLocked(containing);
}

bool LogSink::WaitCount(const std::string& containing, size_t count, int timeoutMs) {
    const int64_t end = osal_get_time_ms() + timeoutMs;
    for (;;) {
        if (Count(containing) >= count) return true;
        if (osal_get_time_ms() >= end) return false;
        osal_sleep_ms(10);
    }
}

void LogSink::Clear() {
    std::lock_guard<std::mutex> guard(gLogLock);
    gLogLines.clear();
}

PlayerProbe::~PlayerProbe() { Destroy(); }

vrio_net_config PlayerProbe::Config() {
    vrio_net_config cfg = zeq_net_get_default_cfg();
    cfg.LogCallback = LogSink::Callback();
    cfg.LogLevel = 2;
    cfg.MessageCallback = &PlayerProbe::OnMessage;
    cfg.MessageCbParam = this;
    std::snprintf(cfg.HelpSupportIDPrefix, sizeof(cfg.HelpSupportIDPrefix), "e2e");
    return cfg;
}

bool PlayerProbe::Open(const std::string& url, bool publish) {
    if (mHandle) return false;
    const vrio_net_config cfg = Config();
    mHandle = zeq_net_create_connection(&cfg);
    if (!mHandle) return false;
    vrio_open_params params{0, url.c_str()};
    return publish ? zeq_net_publish_open(mHandle, &params) == 0 : zeq_net_subscribe_open(mHandle, &params) == 1;
}

int64_t PlayerProbe::Destroy() {
    if (!mHandle) return -1;
    const int64_t start = osal_get_time_ms();
    zeq_net_destroy_connection(mHandle);
    mHandle = nullptr;
    return osal_get_time_ms() - start;
}

int PlayerProbe::OnMessage(void* user, int code, const char* text, long long length) {
    auto* self = static_cast<PlayerProbe*>(user);
    PlayerMessage m;
    m.code = code;
    // `length` counts the terminator.
    if (text && length > 0) m.text.assign(text, static_cast<size_t>(length - 1));
    m.atMs = osal_get_time_ms();
    std::lock_guard<std::mutex> guard(self->mLock);
    self->mMessages.push_back(std::move(m));
    return 0;
}

std::vector<PlayerMessage> PlayerProbe::Messages(int code) const {
    std::vector<PlayerMessage> out;
    std::lock_guard<std::mutex> guard(mLock);
    for (const PlayerMessage& m : mMessages)
        if (m.code == code) out.push_back(m);
    return out;
}

std::vector<PlayerMessage> PlayerProbe::AllMessages() const {
    std::lock_guard<std::mutex> guard(mLock);
    return mMessages;
}

size_t PlayerProbe::CountLocked(int code, const std::string& textPart) const {
    size_t n = 0;
    for (const PlayerMessage& m : mMessages) n += m.code == code && m.text.find(textPart) != std::string::npos;
    return n;
}

bool PlayerProbe::WaitMessage(int code, size_t count, int timeoutMs, const std::string& textPart) const {
    const int64_t end = osal_get_time_ms() + timeoutMs;
    for (;;) {
        {
            std::lock_guard<std::mutex> guard(mLock);
            if (CountLocked(code, textPart) >= count) return true;
        }
        if (osal_get_time_ms() >= end) return false;
        osal_sleep_ms(10);
    }
}

std::string EdgeUrl(uint16_t port, const std::string& name, const std::string& options) {
    const std::string p = std::to_string(port);
    return "zrtc://127.0.0.1:" + p + "/live/" + name + "@sfu_ip=127.0.0.1&sfu_port=" + p + options;
}

int ThreadCount() {
    DIR* dir = opendir("/proc/self/task");
    if (!dir) return -1;
    int n = 0;
    while (const dirent* e = readdir(dir)) n += e->d_name[0] != '.';
    closedir(dir);
    return n;
}

int WaitThreadCount(int count, int timeoutMs) {
    const int64_t end = osal_get_time_ms() + timeoutMs;
    for (;;) {
        const int n = ThreadCount();
        if (n <= count || osal_get_time_ms() >= end) return n;
        osal_sleep_ms(10);
    }
}

int SetProcessOption(const char* key, const char* value) {
    const vrio_funcs* funcs = get_vrio_funcs(2);
    return funcs ? funcs->set_option(key, value) : -1;
}

}  // namespace e2e
