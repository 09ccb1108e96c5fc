// The process-wide logger: one receiver (the last registered) gets every routed line.
#pragma once

#include <cstdarg>
#include <vector>

#include "osal/Mutex.h"
#include "vrio/llog.h"

namespace osal {

// A receiver of routed log lines. `text` is "[file:line]" + the caller's format, still unformatted.
class LLogCallback {
public:
    virtual ~LLogCallback() = default;
    virtual void OnLog(LLogLevel level, const char* text, va_list args) = 0;
};

class LLogInterface {
public:
    static LLogInterface* GetInst();
    virtual ~LLogInterface() = default;
    virtual void RegisterCallback(LLogCallback* cb) = 0;
    virtual void DeRegisterCallback(LLogCallback* cb) = 0;
    virtual void SetLogLevel(LLogLevel level) = 0;
    virtual void Log(const char* file, int line, LLogLevel level, const char* fmt, va_list args) = 0;
};

// Thread safety: every method may be called from any thread. The receiver list is guarded by a
// recursive mutex that is also held while the receiver runs, so routed lines are serialised and a
// receiver that logs again on the same thread re-enters without deadlock. A receiver must not
// block, nor register or deregister receivers from another thread while running.
class LLogImpl : public LLogInterface {
public:
    void RegisterCallback(LLogCallback* cb) override;
    void DeRegisterCallback(LLogCallback* cb) override;
    void SetLogLevel(LLogLevel level) override;
    void Log(const char* file, int line, LLogLevel level, const char* fmt, va_list args) override;

private:
    std::vector<LLogCallback*> mCallbacks;  // registration order, guarded by mMutex
    recursive_mutex mMutex;
};

// The threshold as call sites read it: one relaxed atomic load.
inline int LogThreshold() { return __atomic_load_n(&gLLogLevelVal, __ATOMIC_RELAXED); }

// Does a line of `level` pass `threshold`? 100 is "off"; 3..99 let everything pass.
inline bool LevelPasses(int threshold, int level) { return threshold != LLOG_OFF && threshold >= level; }

}  // namespace osal

// The call-site convention: test the threshold, and only then format and route the line.
#define VLOG(level, ...)                                                              \
    do {                                                                              \
        if (::osal::LevelPasses(::osal::LogThreshold(), (level)))                     \
            llogging(__FILE_NAME__, __LINE__, static_cast<LLogLevel>(level), __VA_ARGS__); \
    } while (0)
#define VLOGE(...) VLOG(LLOG_ERROR, __VA_ARGS__)
#define VLOGW(...) VLOG(LLOG_WARN, __VA_ARGS__)
#define VLOGI(...) VLOG(LLOG_INFO, __VA_ARGS__)
#define VLOGD(...) VLOG(LLOG_DEBUG, __VA_ARGS__)
