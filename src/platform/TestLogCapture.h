// Test helper: keeps the formatted log lines routed while it lives.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "osal/LLog.h"
#include "osal/Mutex.h"

namespace platform_test {

class LogCapture : public osal::LLogCallback {
public:
    LogCapture() {
        osal::LLogInterface::GetInst()->SetLogLevel(LLOG_DEBUG);
        osal::LLogInterface::GetInst()->RegisterCallback(this);
    }
    ~LogCapture() override { osal::LLogInterface::GetInst()->DeRegisterCallback(this); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    void OnLog(LLogLevel level, const char* text, va_list args) override {
        char line[1024];
        std::vsnprintf(line, sizeof(line), text, args);
        osal::lock_guard<osal::mutex> guard(mLock);
        mLines.push_back(line);
        mLevels.push_back(level);
    }

    std::vector<std::string> Lines() {
        osal::lock_guard<osal::mutex> guard(mLock);
        return mLines;
    }
    std::vector<int> Levels() {
        osal::lock_guard<osal::mutex> guard(mLock);
        return mLevels;
    }
    // Whether some line contains `part`.
    bool Has(const std::string& part) {
        for (const std::string& line : Lines())
            if (line.find(part) != std::string::npos) return true;
        return false;
    }

private:
    osal::mutex mLock;
    std::vector<std::string> mLines;
    std::vector<int> mLevels;
};

}  // namespace platform_test
