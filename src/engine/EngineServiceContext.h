// The per-connection hub every engine object points at: log routing, parameters, handles of the
// configuration center and statistics database, the log-service client and the message thread.
#pragma once

#include <atomic>
#include <cstdarg>

#include "engine/EngineService.h"
#include "osal/LLog.h"
#include "osal/Mutex.h"

class QlogClient;

namespace zeqmcdn {

class MessageProcesser;
class properties;

// Thread safety: the level fields and the player's log function are guarded by the recursive level
// lock; the message handler by its own lock; handles and user data are set by the owning session
// before it starts threads that read them. Engine messages may be posted from any thread.
// Context pointers handed around as void* must be EngineServiceContext* converted to void*.
class EngineServiceContext : public osal::LLogCallback {
public:
    using LogFunc = int (*)(void* user, int level, const char* fmt, va_list args);
    using MsgHandler = int (*)(void* user, int code, void* text, long long length);

    explicit EngineServiceContext(const char* name);
    ~EngineServiceContext() override;
    EngineServiceContext(const EngineServiceContext&) = delete;
    EngineServiceContext& operator=(const EngineServiceContext&) = delete;

    // The receiver of routed lines: applies this connection's level, adds the tag, calls the player.
    void OnLog(LLogLevel level, const char* text, va_list args) override;
    // Called by the transport when the connection becomes connected.
    virtual void NotifyUnlock() = 0;

    // Stores `level` as the API level and makes the final level the process threshold; with
    // `enable` stores the player's log function. The three flags have no effect.
    void SetLogFunc(bool enable, LogFunc fn, void* user, bool, bool, bool, EngineService::loglevel level);
    int GetFinalLogLevel();
    bool NeedOutputLocalLog(int level);
    // The remote "lloglevel" value: 0..100 overrides this connection's level (and the process
    // threshold); anything else is refused with a debug line. True when applied.
    bool ApplyLogLevelOverride(const char* value);
    bool LoggingEnabled();
    bool HasLogFunc();

    void SetParameter(const char* name, const char* value);
    int GetParameter(const char* name, char* buffer, int size);

    void SetMsgHandler(MsgHandler handler, void* user);
    void* GetMsgParam();
    void GetMsgHandler(MsgHandler* handler, void** user);
    MessageProcesser* GetMessageProcesser() { return mProcessor.load(); }
    // Delivers what is queued and ends the message thread; later posts are dropped. A derived context
    // whose handler uses its own members calls this first thing in its destructor (the base would
    // otherwise still deliver after those members are gone). Idempotent.
    void ShutdownMessageThread();

    void SetConfigureHandle(void* center) { mConfigureCenter = center; }
    void* GetConfigureHandle() const { return mConfigureCenter; }
    void SetConfigDataCenter(void* center) { mConfigDataCenter = center; }
    void* GetConfigDataCenter() const { return mConfigDataCenter; }
    bool CheckReportFunc();
    QlogClient* GetQlogClient() { return mQlog; }

    void SetUserData(void* data, void (*deleter)(void*));
    void* GetUserData() const { return mUserData; }

    void SetForceIpv6(bool force) { mForceIpv6 = force; }
    bool GetForceIpv6() const { return mForceIpv6; }

private:
    // What the logger holds: a final object whose dispatch never changes while a derived context is
    // being destroyed (the context's own vtable pointer does, and the message thread may be logging).
    class LogReceiver final : public osal::LLogCallback {
    public:
        explicit LogReceiver(EngineServiceContext* owner) : mOwner(owner) {}
        void OnLog(LLogLevel level, const char* text, va_list args) override {
            mOwner->EngineServiceContext::OnLog(level, text, args);
        }

    private:
        EngineServiceContext* mOwner;
    };

    LogReceiver mLogReceiver{this};
    bool mLoggingEnabled = false;        // guarded by mLevelLock
    osal::recursive_mutex mLevelLock;
    int32_t mApiLogLevel = 2;            // guarded by mLevelLock
    bool mOverride = false;              // guarded by mLevelLock
    int32_t mOverrideLogLevel = 2;       // guarded by mLevelLock
    bool mForceIpv6 = false;
    LogFunc mLogFunc = nullptr;          // guarded by mLevelLock
    void* mLogUser = nullptr;            // guarded by mLevelLock
    osal::mutex mHandlerLock;
    MsgHandler mMsgHandler = nullptr;    // guarded by mHandlerLock
    void* mMsgUser = nullptr;            // guarded by mHandlerLock
    std::atomic<MessageProcesser*> mProcessor{nullptr};
    void* mConfigureCenter = nullptr;
    void* mConfigDataCenter = nullptr;
    QlogClient* mQlog = nullptr;
    void* mUserData = nullptr;
    void (*mUserDataDeleter)(void*) = nullptr;
    properties* mProperties = nullptr;

    int FinalLevelLocked() const { return mOverride ? mOverrideLogLevel : mApiLogLevel; }
};

}  // namespace zeqmcdn
