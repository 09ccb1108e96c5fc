#include "api/McdnContext1.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "api/CrashFileReport.h"
#include "api/SessionReports.h"
#include "engine/EngineService.h"
#include "engine/KeyInfoRouting.h"
#include "mcdn/ZeqMediaCdnInternal.h"
#include "osal/CrashLog.h"
#include "osal/LLog.h"
#include "store/DatabaseManager.h"
#include "store/db_helpers.h"
#include "vrio/osal.h"

using zeqmcdn::EngineService;
using zeqmcdn::MCdnTransport;

namespace {

// How long one pass of the command thread waits for a command or an unlock notice: short enough
// for the reconnect check and the statistics to run on time.
constexpr int kCommandSliceMs = 30;
// A stream that keeps failing is reloaded at most this often (immediate requests excepted).
constexpr int64_t kReconnectHoldOffMs = 6000;
// The destructor gives queued commands 10 x 10 ms to run before it stops the thread.
constexpr int kDrainPolls = 10;
constexpr int kDrainPollMs = 10;
// Local (publishing) users have ids 1..9; remote users the ids above.
constexpr uint32_t kLastLocalUid = 9;
// Crash modules handed to the crash handler at most.
constexpr size_t kMaxCrashModules = 10;

void FreeText(void* text) { std::free(text); }

void DeleteDatabase(void* db) { delete static_cast<NetBit::DatabaseManager*>(db); }

osal_bool_t NothingToDo(void* arg) {
    auto* self = static_cast<std::pair<std::deque<kcommand_t>*, bool*>*>(arg);
    return self->first->empty() && !*self->second ? 1 : 0;
}

const char* ReasonText(int32_t kind) {
    switch (kind) {
        case McdnContext1::kStart: return "restart";
        case McdnContext1::kStop: return "stop";
        default: return "connectionlost";
    }
}

}  // namespace

McdnContext1::McdnContext1(const char* name)
    : zeqmcdn::McdnContext0(name), zeqnet::ConfigureObserver("McdnContext1", nullptr) {
    // Sessions build the real media edge engine; installed once per process.
    static const bool factoryInstalled = (zeqmcdn::InstallMediaCdnFactory(), true);
    (void)factoryInstalled;

    std::printf("[%s:%d] ", "McdnContext1", 45);
    std::printf("create mcdn ctx=%p, cfg center=%p\n", static_cast<void*>(this),
                static_cast<void*>(&mConfigureCenter));
    std::fflush(stdout);

    auto* engineCtx = static_cast<zeqmcdn::EngineServiceContext*>(this);
    mConfigureCenter.SetReportContext(engineCtx);
    SetName("McdnContext1");
    SetUserContext(engineCtx);
    SetConfigureHandle(&mConfigureCenter);
    mConfigureCenter.Register(this, "lloglevel");
    mConfigDataCenter.SetContext(engineCtx);
    EngineServiceContext::SetConfigDataCenter(&mConfigDataCenter);

    auto* db = new NetBit::DatabaseManager();
    SetUserData(db, DeleteDatabase);
    db_create(db, 0);

    mController = std::make_unique<zeqmcdn::SessionController>(engineCtx, 0);
    mThread = osal::thread(CommandThreadEntry, this);
}

McdnContext1::~McdnContext1() {
    mConfigureCenter.DeRegister(this, "lloglevel");
    if (zeqmcdn::KeyInfoSink* keys = zeqmcdn::GetKeyInfoSink()) keys->ClearAllKeys();
    Stop();
    for (int i = 0; i < kDrainPolls; ++i) {
        {
            osal::lock_guard<osal::mutex> guard(mCommandLock);
            if (mCommands.empty()) break;
        }
        osal_sleep_ms(kDrainPollMs);
    }
    mQuit.store(true, std::memory_order_release);
    {
        osal::lock_guard<osal::mutex> guard(mCommandLock);
        mCommandCond.notify_one();
    }
    if (mThread.joinable()) mThread.join();
    {
        // Commands the thread did not reach are discarded.
        osal::lock_guard<osal::mutex> guard(mCommandLock);
        for (kcommand_t& command : mCommands) {
            if (command.release) command.release(command.text);
        }
        mCommands.clear();
    }
    StopInternal();
    // The data center stays published until the session has stopped: the engine and the transport
    // read it from their own threads until then.
    mConfigDataCenter.SetContext(nullptr);
    EngineServiceContext::SetConfigDataCenter(nullptr);
    // Everything the stopped session posted reaches the player before the session goes.
    ShutdownMessageThread();
    mController.reset();
    SetConfigureHandle(nullptr);
}

void McdnContext1::CommandThreadEntry(void* self) { static_cast<McdnContext1*>(self)->CommandLoop(); }

void McdnContext1::CommandLoop() {
    osal::SetCurrentThreadName("McdnContext1CommandWorkerThr");
    VLOGI("Command queue thread running\n");
    int64_t baseMs = osal_get_time_ms();
    bool notified = false;
    while (!mQuit.load(std::memory_order_acquire)) {
        kcommand_t command;
        if (WaitForCommand(&command)) {
            stateChangeOnCommand(command);
            if (command.release) command.release(command.text);
            mCommandsRun.fetch_add(1, std::memory_order_acq_rel);
        }
        if (mQuit.load(std::memory_order_acquire)) break;
        ReconnectCheck(&baseMs, &notified);
        DrainConnState();
        collectAndProcessProfilingData();
        mPasses.fetch_add(1, std::memory_order_acq_rel);
    }
    VLOGI("Command queue thread stopped\n");
}

bool McdnContext1::WaitForCommand(kcommand_t* out) {
    osal::lock_guard<osal::mutex> guard(mCommandLock);
    std::pair<std::deque<kcommand_t>*, bool*> what(&mCommands, &mUnlockNotice);
    mCommandCond.wait_for(&mCommandLock, kCommandSliceMs, NothingToDo, &what);
    mUnlockNotice = false;
    if (mCommands.empty()) return false;
    *out = mCommands.front();
    mCommands.pop_front();
    return true;
}

void McdnContext1::ReconnectCheck(int64_t* baseMs, bool* notified) {
    const int64_t now = osal_get_time_ms();
    bool immediate = false;
    const bool need = mController->NeedReconnect(immediate);
    if (need && immediate) {
        ReconnectAction("need immediate reconnect.", now, baseMs, notified);
        return;
    }
    if (now - *baseMs < kReconnectHoldOffMs) {
        *notified = false;
        return;
    }
    if (need) {
        ReconnectAction("connection error or stuck.", now, baseMs, notified);
    } else if (mController->IsStreamBroken()) {
        ReconnectAction("stream stuck detected.", now, baseMs, notified);
    } else {
        *notified = false;
    }
}

void McdnContext1::ReconnectAction(const char* warning, int64_t now, int64_t* baseMs, bool* notified) {
    VLOGW("Reconnecting: %s @%lld\n", warning, static_cast<long long>(now));
    bool autoReconnect = false;
    {
        osal::lock_guard<osal::mutex> guard(mSettingsLock);
        autoReconnect = mSettings.autoReconnect;
    }
    if (autoReconnect) {
        PushCommand(kcommand_t{kReload, nullptr, nullptr});
        *baseMs = now;
        return;
    }
    if (!*notified) PushCommand(kcommand_t{kNotifyConnLost, nullptr, nullptr});
    *notified = true;
}

void McdnContext1::DrainConnState() {
    MCdnTransport::ConnState state;
    if (mController->RetrieveConnStateChangeMsg(state)) {
        if (state == MCdnTransport::CONN_STOPPING) {
            mController->OnSessionBroken();
        } else if (state == MCdnTransport::CONN_CONNECTED) {
            mController->OnSessionStarted();
        }
        mConnState = state;
    }
    mController->BroadcastConnState(mConnState);
}

void McdnContext1::stateChangeOnCommand(const kcommand_t& command) {
    VLOGI("Process command %d\n", command.kind);
    if (command.kind < kStart || command.kind > kNotifyConnLost) {
        std::printf("ASSERT FAIL %s:%d\n", "stateChangeOnCommand", __LINE__);
        std::fflush(stdout);
        return;
    }
    char reason[32];
    if (mState.load(std::memory_order_relaxed) == kIdle) {
        if (command.kind != kStart) return;  // nothing runs: stop, reload and lost are moot
        StoreUrl(command.text);
        StartInternal(mUrl.c_str());
        mState.store(kStarted, std::memory_order_release);
        return;
    }
    switch (command.kind) {
        case kStart:
        case kStop:
        case kReload:
            snprintf(reason, sizeof(reason), "reason:%s", ReasonText(command.kind));
            EngineService::PostEngineMessage(static_cast<zeqmcdn::EngineServiceContext*>(this), 123, nullptr, 0,
                                             reason);
            StopInternal();
            if (command.kind == kStop) {
                mState.store(kIdle, std::memory_order_release);
                return;
            }
            if (command.kind == kStart) StoreUrl(command.text);
            StartInternal(mUrl.c_str());
            mState.store(kStarted, std::memory_order_release);
            return;
        default:
            NotifyConnLost();
            return;
    }
}

void McdnContext1::StoreUrl(const char* url) { mUrl = url ? url : ""; }

void McdnContext1::StartInternal(const char* url) {
    zeqmcdn::CdnSettings settings = GetSetting();
    VLOGI("sigTimeoutMs:%lld\n", static_cast<long long>(settings.signallingTimeoutMs));
    zeqmcdn::MCdnTransportConfig config;
    config.connectHandshake = settings.connectHandshake;
    config.signallingTimeoutMs = settings.signallingTimeoutMs;
    const bool given = settings.edgeAddressGiven;
    mController->StartSession(url, given ? settings.edgeIp : nullptr, given ? settings.edgePort : nullptr, config);
}

void McdnContext1::StopInternal() {
    mController->StopSession();
    RemoveAllUserMediaData();
}

void McdnContext1::NotifyUnlock() {
    osal::lock_guard<osal::mutex> guard(mCommandLock);
    mUnlockNotice = true;
    mCommandCond.notify_one();
}

int McdnContext1::Parse(std::string key, std::string value) {
    if (key == "lloglevel") ApplyLogLevelOverride(value.c_str());
    return 0;
}

void McdnContext1::OnAllConfigurePosted() {
    VLOGI("context1 on all configure posted\n");
    SetUpCrashReporting();
}

void McdnContext1::SetUpCrashReporting() {
    osal::lock_guard<osal::mutex> guard(mCrashLock);
    if (!mConfigDataCenter.GetCrashEnable()) {
        mCrashProxy.reset();
        return;
    }
    if (mCrashProxy) {
        VLOGW("already created crash proxy\n");
    } else {
        mCrashProxy = std::make_unique<zeqnet::CrashProxy>();
    }
    mCrashProxy->SetLogSink(osal::crash_log_callback);
    std::vector<std::string> modules = mConfigDataCenter.GetCrashModule();
    if (modules.size() > kMaxCrashModules) modules.resize(kMaxCrashModules);
    if (modules.empty()) modules.emplace_back("VrioSDK");
    mCrashProxy->SetModules(std::move(modules));
    const std::string dir = mConfigDataCenter.GetCrashDumpDir();
    VLOGI("set crash dump dir=%s\n", dir.c_str());
    mCrashProxy->SetDumpDir(dir);
    VLOGI("get crash stats: dump dir=%s\n", mCrashProxy->DumpDir().c_str());
    void* ctx = static_cast<zeqmcdn::EngineServiceContext*>(this);
    zeqnet::ReportCrashFiles(mCrashProxy->DumpDir(), [ctx](unsigned code, const std::string& text) {
        EngineService::PostEngineMessage(ctx, code, nullptr, 0, text.c_str());
    });
}

void McdnContext1::Start(const char* url) {
    SetParameter("dns_query_cancel", "0");
    SetHighInterleaveDelay(GetSetting().highInterleaveDelay);
    char* copy = url ? strdup(url) : nullptr;
    PushCommand(kcommand_t{kStart, copy, copy ? FreeText : nullptr});
}

void McdnContext1::Start(const char* url, const zeqmcdn::CdnSettings& settings) {
    SetSetting(settings);
    Start(url);
}

void McdnContext1::Stop() {
    SetParameter("dns_query_cancel", "1");
    PushCommand(kcommand_t{kStop, nullptr, nullptr});
    osal::lock_guard<osal::mutex> guard(mCrashLock);
    mCrashProxy.reset();
}

void McdnContext1::ReLoad() {
    VLOGI("McdnContext1 interface call reload %lld\n", static_cast<long long>(osal_get_time_ms()));
    PushCommand(kcommand_t{kReload, nullptr, nullptr});
}

void McdnContext1::PushCommand(const kcommand_t& command) {
    osal::lock_guard<osal::mutex> guard(mCommandLock);
    mCommands.push_back(command);
    mCommandCond.notify_one();
}

uint32_t McdnContext1::AddRemoteParticipant(const char* url) {
    const zeqmcdn::CdnSettings settings = GetSetting();
    return mController->AddRemoteParticipant(url ? url : "", nullptr, settings.subscribe);
}

uint32_t McdnContext1::AddLocalParticipant(const char* msid) {
    const zeqmcdn::CdnSettings settings = GetSetting();
    return mController->AddLocalParticipant(msid ? msid : "", nullptr, settings.publish);
}

int McdnContext1::Subscribe(uint32_t uid, bool audio, bool video) {
    const int result = mController->Subscribe(uid, audio, video);
    if (!audio && !video) {
        mController->RemoveRemoteParticipant(uid);
        RemoveUserMediaData(uid);
    }
    return result;
}

int McdnContext1::Publish(bool audio, bool video) { return mController->Publish(audio, video); }
int64_t McdnContext1::GetUid(const char* url) { return mController->GetUid(url ? url : ""); }
uint32_t McdnContext1::GetUserCount() { return mController->GetUserCount(); }
int McdnContext1::RemoteParticipantSendPLI(uint32_t uid) { return mController->RemoteParticipantSendPLI(uid); }
int McdnContext1::SetLocalParticipantInputBitrate(int bps) { return mController->SetLocalParticipantInputBitrate(bps); }
MCdnTransport::ConnState McdnContext1::GetConnState() { return mController->GetConnState(); }

zeqmcdn::CdnSettings McdnContext1::GetSetting() {
    osal::lock_guard<osal::mutex> guard(mSettingsLock);
    return mSettings;
}

void McdnContext1::SetSetting(const zeqmcdn::CdnSettings& settings) {
    osal::lock_guard<osal::mutex> guard(mSettingsLock);
    mSettings = settings;
}

void McdnContext1::SetBufferingDuration(int64_t ms) {
    osal::lock_guard<osal::mutex> guard(mSettingsLock);
    mSettings.subscribe.bufferingDurationMs = ms;
}

void McdnContext1::SetPlayerDelay(uint32_t uid, int64_t a, int64_t b, int64_t c, int64_t d) {
    if (zeqmcdn::UserMediaData* user = LockUser(uid, false)) {
        user->SetPlayerDelay(a, b, c, d);
        UnlockUser(user);
    }
}

int McdnContext1::SetAesKey(const char* msid, int keyId, const char* key) {
    VLOGI("McdnContext1 set aes key keyID: %d plaintextkey %s %lld\n", keyId, key ? key : "",
          static_cast<long long>(osal_get_time_ms()));
    zeqmcdn::KeyInfoSink* keys = zeqmcdn::GetKeyInfoSink();
    if (!keys) {
        VLOGE("no stream key manager: key %d of %s dropped\n", keyId, msid ? msid : "");
        return -1;
    }
    return keys->SetKey(msid ? msid : "", keyId, key ? key : "");
}

void McdnContext1::NotifyConnLost() {
    VLOGD("NotifyConnLost\n");
    EngineService::PostEngineMessage(static_cast<zeqmcdn::EngineServiceContext*>(this), 20055, nullptr, 0, "");
}

void McdnContext1::NotifyDisconnect(const char* reason) {
    char text[256];
    snprintf(text, sizeof(text), "reason:%s", reason ? reason : "");
    EngineService::PostEngineMessage(static_cast<zeqmcdn::EngineServiceContext*>(this), 123, nullptr, 0, text);
}

NetBit::DatabaseManager* McdnContext1::Database() { return static_cast<NetBit::DatabaseManager*>(GetUserData()); }

void McdnContext1::collectAndProcessProfilingData() {
    const int64_t now = osal_get_time_ms();
    if (mLastCollectMs == 0) {
        mLastCollectMs = now;
        return;
    }
    const int64_t elapsed = now - mLastCollectMs;
    if (elapsed < GetInfoCallbackInterval()) return;
    mController->ProfileData();
    NetBit::DatabaseManager* db = Database();
    {
        NetBit::DbTableLock table0(db, 0, false);
        db_reset(db, table0.get());
    }
    std::vector<uint32_t> users;
    mController->GetUserList(users);
    for (uint32_t uid : users) {
        if (uid >= 1 && uid <= kLastLocalUid) {
            ReportPublisher(uid, elapsed);
        } else {
            ReportSubscriber(uid, elapsed, now);
        }
    }
    mLastCollectMs = now;
}

void McdnContext1::ReportPublisher(uint32_t uid, int64_t elapsedMs) {
    const std::string report = zeqnet::BuildPublishReport(Database(), uid, elapsedMs, mLastCollectMs);
    void* ctx = static_cast<zeqmcdn::EngineServiceContext*>(this);
    EngineService::PostEngineMessage(ctx, 141, nullptr, uid, report.c_str());
    VLOGI("publish statistics %s\n", report.c_str());
    EngineService::PostEngineMessage(ctx, 105, nullptr, uid, report.c_str());
}

void McdnContext1::ReportSubscriber(uint32_t uid, int64_t elapsedMs, int64_t now) {
    zeqnet::UserQueueFigures figures;
    if (zeqmcdn::UserMediaData* user = LockUser(uid, false)) {
        figures.jankMs = user->GetJankTime(true);
        figures.jankTimes = user->GetJankTimes(true);
        figures.audioQueueMs = user->GetAudioQueueLengthMs();
        figures.videoQueueMs = user->GetVideoQueueLengthMs();
        UnlockUser(user);
    }
    const bool dynamic = GetSetting().subscribe.dynamicJitterBuffer;
    std::string longForm;
    std::string shortForm;
    zeqnet::BuildSubscribeReports(Database(), uid, figures, elapsedMs, now, mLastCollectMs, dynamic, &longForm,
                                  &shortForm);
    void* ctx = static_cast<zeqmcdn::EngineServiceContext*>(this);
    VLOGI("statistics %s\n", longForm.c_str());
    EngineService::PostEngineMessage(ctx, 105, nullptr, uid, longForm.c_str());
    EngineService::PostEngineMessage(ctx, 142, nullptr, uid, shortForm.c_str());
}
