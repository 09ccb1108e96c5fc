// The configuration center: takes a remote configuration document, checks its terminal filters
// against this device, keeps the values some observer asked for, hands them out and reports what
// took effect as engine message 105.
#pragma once

#include <map>
#include <set>
#include <string>

#include "config/ConfigureObserver.h"
#include "osal/Mutex.h"

namespace zeqnet {

// Thread safety: every public operation takes the one (non-recursive) mutex for its whole
// duration; it guards every field. Notify calls the observers' Parse and OnAllConfigurePosted with
// the mutex held, so lock order is center -> anything an observer takes (logger, its own locks).
// An observer that calls back into the same center from inside those calls is refused with a
// logged line (and -1 where the call returns an int) instead of deadlocking.
// The center does not own its observers: each must deregister before it is destroyed; destroying
// the center calls nothing on them.
class ConfigureCenter {
public:
    // Working status values.
    static constexpr int kNothingParsed = 0;
    static constexpr int kParsed = 1;
    static constexpr int kDeployed = 2;
    // Engine message code of the report.
    static constexpr unsigned kReportCode = 105;

    ConfigureCenter();
    virtual ~ConfigureCenter();
    ConfigureCenter(const ConfigureCenter&) = delete;
    ConfigureCenter& operator=(const ConfigureCenter&) = delete;

    // 0, or -1 for a null observer or an empty key. Registering twice is harmless.
    int Register(ConfigureObserver* observer, std::string key);
    void DeRegister(ConfigureObserver* observer, std::string key);
    // Removes the observer from every key.
    void DeRgister(ConfigureObserver* observer);

    // Reads a document of `service`; 0 when it applies to this device (its values are then kept
    // for Notify), -1 when it was refused. Clears what an earlier document left.
    int Parse(const char* json, ConfigureService service);
    // Hands every kept value to the observers of its key, then posts the report.
    void Notify();
    // Posts `text` as engine message 105 through the report context. -1 without text or context.
    int ReportConfiguration(const char* text);
    void SetReportContext(void* ctx);
    // Forgets observers, keys, kept values, profile and abtest.
    void Reset();

    // The per-service readers; Parse picks one. Only the pull reader reads anything.
    int ParseOnSubscribe(const char* json);
    int ParseOnPublish(const char* json);
    int ParseOnPublishByApp(const char* json);

    // Views of the state, each under the mutex.
    int GetWorkingStatus();
    std::string GetProfile();
    std::string GetAbtest();
    std::map<std::string, std::string> GetParsedConfiguration();
    size_t ObservedKeyCount();
    size_t ObserverCount();
    bool IsObserved(const std::string& key, ConfigureObserver* observer);

private:
    bool RefuseReentry(const char* what) const;
    int ParseOnSubscribeLocked(const char* json);
    int ReportConfigurationLocked(const char* text);
    // Drops `observer` from the all-observers set unless some key still has it; true when kept.
    bool ForgetObserverIfUnused(ConfigureObserver* observer);

    std::map<std::string, std::set<ConfigureObserver*>> mObservedCfgs;  // guarded by mMutex
    std::set<ConfigureObserver*> mObservers;                             // guarded by mMutex
    ConfigureService mService = ConfigureService::SdkPush;               // guarded by mMutex
    std::string mProfile;                                                // guarded by mMutex
    std::string mAbtest;                                                 // guarded by mMutex
    std::map<std::string, std::string> mParsedCfgs;                      // guarded by mMutex
    osal::mutex mMutex;
    void* mReportCtx = nullptr;                                          // guarded by mMutex
    int mWorkingStatus = kNothingParsed;                                 // guarded by mMutex
};

// Text of a service in the report: "cfgService:sdk pull" and so on.
const char* ConfigureServiceLabel(ConfigureService service);

}  // namespace zeqnet
