// Shared by the configuration tests: an engine context to report to, a capture of routed log
// lines, and an inbox for the engine messages delivered on the message thread.
#pragma once

#include <sys/prctl.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "engine/EngineServiceContext.h"
#include "osal/LLog.h"
#include "vrio/osal.h"

namespace zeqnet {
namespace testing_support {

class TestContext : public zeqmcdn::EngineServiceContext {
public:
    TestContext() : EngineServiceContext("config-test") {}
    void NotifyUnlock() override {}
};

// Receives every routed line while it lives (the logger serves the receiver registered last), so
// construct it after any engine context. Lines are kept formatted, without the "[file:line]" head.
class LogCapture : public osal::LLogCallback {
public:
    LogCapture() { osal::LLogInterface::GetInst()->RegisterCallback(this); }
    ~LogCapture() override { osal::LLogInterface::GetInst()->DeRegisterCallback(this); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    void OnLog(LLogLevel, const char* text, va_list args) override {
        const char* body = std::strchr(text, ']');
        body = body ? body + 1 : text;
        va_list copy;
        va_copy(copy, args);
        char line[2048];
        std::vsnprintf(line, sizeof(line), body, copy);
        va_end(copy);
        std::lock_guard<std::mutex> guard(mMutex);
        mLines.emplace_back(line);
    }
    bool Has(const std::string& line) {
        std::lock_guard<std::mutex> guard(mMutex);
        return std::find(mLines.begin(), mLines.end(), line) != mLines.end();
    }
    size_t Count(const std::string& line) {
        std::lock_guard<std::mutex> guard(mMutex);
        return static_cast<size_t>(std::count(mLines.begin(), mLines.end(), line));
    }
    bool HasPrefix(const std::string& prefix) {
        std::lock_guard<std::mutex> guard(mMutex);
        return std::any_of(mLines.begin(), mLines.end(),
                           [&](const std::string& l) { return l.compare(0, prefix.size(), prefix) == 0; });
    }
    std::vector<std::string> Lines() {
        std::lock_guard<std::mutex> guard(mMutex);
        return mLines;
    }
    void Clear() {
        std::lock_guard<std::mutex> guard(mMutex);
        mLines.clear();
    }

private:
    std::mutex mMutex;
    std::vector<std::string> mLines;
};

// What the context's message handler saw; the handler runs on the message thread.
struct Inbox {
    std::mutex m;
    std::vector<int> codes;
    std::vector<std::string> texts;
    std::vector<std::string> threads;

    static int Handler(void* user, int code, void* text, long long) {
        auto* self = static_cast<Inbox*>(user);
        char name[16] = {};
        prctl(PR_GET_NAME, name, 0, 0, 0);
        std::lock_guard<std::mutex> guard(self->m);
        self->codes.push_back(code);
        self->texts.emplace_back(static_cast<const char*>(text));
        self->threads.emplace_back(name);
        return 0;
    }
    size_t Count() {
        std::lock_guard<std::mutex> guard(m);
        return codes.size();
    }
    // Bounded: five seconds at most.
    bool WaitFor(size_t n) {
        for (int i = 0; i < 5000 && Count() < n; ++i) osal_sleep_ms(1);
        return Count() >= n;
    }
};

// The description field of an engine message text: what sits between desc=" and the last quote.
inline std::string DescOf(const std::string& text) {
    size_t start = text.find("desc=\"");
    if (start == std::string::npos || text.empty() || text.back() != '"') return {};
    start += 6;
    return text.substr(start, text.size() - 1 - start);
}

}  // namespace testing_support
}  // namespace zeqnet
