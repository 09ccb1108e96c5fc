// The session context behind an opened handle: owns the settings, the configuration centers, the
// statistics database and the session controller; runs start, stop and reload on its command
// thread, restarts the session by its reconnect policy and turns statistics into reports.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "api/CdnSettings.h"
#include "api/CrashProxy.h"
#include "api/McdnContext0.h"
#include "config/ConfigDataCenter.h"
#include "config/ConfigureCenter.h"
#include "config/ConfigureObserver.h"
#include "engine/SessionController.h"
#include "osal/ConditionVariable.h"
#include "osal/Mutex.h"
#include "osal/Thread.h"

namespace NetBit {
class DatabaseManager;
}

// One queued command of the session's command thread.
struct kcommand_t {
    int32_t kind = 0;                     // KCommand
    char* text = nullptr;                 // argument or NULL
    void (*release)(void*) = nullptr;     // releases `text`, or NULL
};

// Thread safety: player threads queue commands (Start, Stop, ReLoad) and call the forwarders;
// every session start and stop runs on the command thread. The command list and the unlock notice
// are guarded by the command mutex; the settings by the settings lock; session state, stored URL
// and the statistics times belong to the command thread. The observer callbacks run on the
// thread delivering a configuration document.
class McdnContext1 : public zeqmcdn::McdnContext0, public zeqnet::ConfigureObserver {
public:
    enum KCommand : int32_t { kStart = 0, kStop = 1, kReload = 2, kNotifyConnLost = 3 };
    enum SessionState : int32_t { kIdle = 0, kStarted = 1 };

    explicit McdnContext1(const char* name);
    ~McdnContext1() override;

    void NotifyUnlock() override;
    int Parse(std::string key, std::string value) override;
    void OnAllConfigurePosted() override;

    void Start(const char* url);
    void Start(const char* url, const zeqmcdn::CdnSettings& settings);
    void Stop();
    void ReLoad();
    void PushCommand(const kcommand_t& command);

    uint32_t AddRemoteParticipant(const char* url);
    uint32_t AddLocalParticipant(const char* msid);
    int Subscribe(uint32_t uid, bool audio, bool video);
    int Publish(bool audio, bool video);
    int64_t GetUid(const char* url);
    uint32_t GetUserCount();
    int RemoteParticipantSendPLI(uint32_t uid);
    int SetLocalParticipantInputBitrate(int bps);
    zeqmcdn::MCdnTransport::ConnState GetConnState();

    zeqmcdn::CdnSettings GetSetting();
    void SetSetting(const zeqmcdn::CdnSettings& settings);
    void SetBufferingDuration(int64_t ms);
    void SetInfoCallbackInterval(int64_t ms) { mInfoIntervalMs.store(ms, std::memory_order_relaxed); }
    int64_t GetInfoCallbackInterval() const { return mInfoIntervalMs.load(std::memory_order_relaxed); }
    void SetPlayerDelay(uint32_t uid, int64_t a, int64_t b, int64_t c, int64_t d);
    int SetAesKey(const char* msid, int keyId, const char* key);

    void NotifyConnLost();
    void NotifyDisconnect(const char* reason);

    zeqnet::ConfigureCenter* GetConfigureCenter() { return &mConfigureCenter; }
    zeqnet::ConfigDataCenter* GetConfigDataCenter() { return &mConfigDataCenter; }
    NetBit::DatabaseManager* Database();
    zeqmcdn::SessionController* Controller() { return mController.get(); }

    // The session state as the command thread last left it.
    int32_t GetSessionState() const { return mState.load(std::memory_order_acquire); }
    // Commands the command thread has run so far (a test waits for it to catch up).
    uint64_t CommandsRun() const { return mCommandsRun.load(std::memory_order_acquire); }
    // Passes of the command thread so far.
    uint64_t Passes() const { return mPasses.load(std::memory_order_acquire); }

    uint32_t mOpenedUid = 0;  // the participant created at open; set by the opener before use

private:
    static void CommandThreadEntry(void* self);
    void CommandLoop();
    bool WaitForCommand(kcommand_t* out);
    void ReconnectCheck(int64_t* baseMs, bool* notified);
    void ReconnectAction(const char* warning, int64_t now, int64_t* baseMs, bool* notified);
    void DrainConnState();
    void stateChangeOnCommand(const kcommand_t& command);
    void StartInternal(const char* url);
    void StopInternal();
    void StoreUrl(const char* url);
    void collectAndProcessProfilingData();
    void ReportPublisher(uint32_t uid, int64_t elapsedMs);
    void ReportSubscriber(uint32_t uid, int64_t elapsedMs, int64_t now);
    void SetUpCrashReporting();

    zeqnet::ConfigureCenter mConfigureCenter;
    zeqnet::ConfigDataCenter mConfigDataCenter;
    std::unique_ptr<zeqmcdn::SessionController> mController;

    osal::thread mThread;
    std::deque<kcommand_t> mCommands;  // guarded by mCommandLock
    bool mUnlockNotice = false;        // guarded by mCommandLock
    osal::mutex mCommandLock;
    osal::condition_variable mCommandCond;

    std::atomic<int64_t> mInfoIntervalMs{1000};
    int64_t mLastCollectMs = 0;  // command thread only

    osal::mutex mSettingsLock;
    zeqmcdn::CdnSettings mSettings;  // guarded by mSettingsLock

    std::atomic<int32_t> mState{kIdle};
    std::atomic<bool> mQuit{false};
    std::atomic<uint64_t> mCommandsRun{0};
    std::atomic<uint64_t> mPasses{0};
    zeqmcdn::MCdnTransport::ConnState mConnState = zeqmcdn::MCdnTransport::CONN_IDLE;  // command thread only
    std::string mUrl;  // command thread only

    osal::mutex mCrashLock;
    std::unique_ptr<zeqnet::CrashProxy> mCrashProxy;  // guarded by mCrashLock
};
