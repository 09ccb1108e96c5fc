#include "config/ConfigureCenter.h"

#include <iterator>
#include <list>
#include <utility>
#include <vector>

#include <rapidjson/document.h>

#include "config/TerminalFilter.h"
#include "config/TerminalInfo.h"
#include "engine/EngineService.h"
#include "osal/LLog.h"

namespace zeqnet {

namespace {

// The center whose Notify is running on this thread, if any: its observers must not call back
// into it (its mutex is not recursive).
thread_local const ConfigureCenter* tNotifyingCenter = nullptr;

class NotifyingScope {
public:
    explicit NotifyingScope(const ConfigureCenter* center) : mPrevious(tNotifyingCenter) { tNotifyingCenter = center; }
    ~NotifyingScope() { tNotifyingCenter = mPrevious; }
    NotifyingScope(const NotifyingScope&) = delete;
    NotifyingScope& operator=(const NotifyingScope&) = delete;

private:
    const ConfigureCenter* mPrevious;
};

// The iterative reader keeps its nesting stack on the heap, so a deeply nested document cannot
// exhaust the calling thread's stack (the default, recursive reader overflows it at about 10^5
// levels). It accepts and refuses the same documents; only for text that starts with no value at
// all does it log error 1 (empty document) where the recursive one logs 3 (invalid value).
constexpr unsigned kJsonParseFlags = rapidjson::kParseIterativeFlag;

std::string StringOf(const rapidjson::Value& value) { return std::string(value.GetString(), value.GetStringLength()); }

// Reads the optional string member `key` of the root into `out`.
void ReadTextMember(const rapidjson::Value& root, const char* key, const char* failure, std::string* out) {
    auto it = root.FindMember(key);
    if (it != root.MemberEnd() && it->value.IsString()) {
        *out = StringOf(it->value);
        VLOGI("get [%s:%s]\n", key, out->c_str());
        return;
    }
    VLOGW("fail to parse key=%s\n", key);
    VLOGW("%s", failure);
}

// An observer lives in another module: whatever it throws stays here, and its value counts as
// not taken.
int DeliverTo(ConfigureObserver* observer, const std::string& key, const std::string& value) {
    try {
        return observer->Parse(key, value);
    } catch (...) {
        VLOGE("observer(%s) threw on [%s:%s], value not taken\n", observer->GetName().c_str(), key.c_str(),
              value.c_str());
        return -1;
    }
}

}  // namespace

const char* ConfigureServiceLabel(ConfigureService service) {
    switch (service) {
        case ConfigureService::SdkPush: return "cfgService:sdk push";
        case ConfigureService::AppPush: return "cfgService:app push";
        case ConfigureService::SdkPull: return "cfgService:sdk pull";
    }
    return "cfgService:unkonwn";
}

ConfigureCenter::ConfigureCenter() { VLOGD("create configure center=%p\n", static_cast<void*>(this)); }

ConfigureCenter::~ConfigureCenter() { VLOGD("destroy configure center=%p\n", static_cast<void*>(this)); }

bool ConfigureCenter::RefuseReentry(const char* what) const {
    if (tNotifyingCenter != this) return false;
    VLOGE("%s called by an observer during notify, refused\n", what);
    return true;
}

int ConfigureCenter::Register(ConfigureObserver* observer, std::string key) {
    if (RefuseReentry("Register")) return -1;
    if (!observer || key.empty()) {
        VLOGE("invalid param\n");
        return -1;
    }
    osal::lock_guard<osal::mutex> guard(mMutex);
    std::set<ConfigureObserver*>& observers = mObservedCfgs[key];
    observers.insert(observer);
    mObservers.insert(observer);
    VLOGI("cfgName=%s, add observer=(%s:%p), observers size=%zu\n", key.c_str(), observer->GetName().c_str(),
          static_cast<void*>(observer), observers.size());
    return 0;
}

bool ConfigureCenter::ForgetObserverIfUnused(ConfigureObserver* observer) {
    for (const auto& entry : mObservedCfgs) {
        if (entry.second.count(observer) != 0) return true;
    }
    mObservers.erase(observer);
    return false;
}

void ConfigureCenter::DeRegister(ConfigureObserver* observer, std::string key) {
    if (RefuseReentry("DeRegister")) return;
    if (!observer || key.empty()) {
        VLOGE("invalid param\n");
        return;
    }
    osal::lock_guard<osal::mutex> guard(mMutex);
    auto it = mObservedCfgs.find(key);
    if (it != mObservedCfgs.end()) {
        it->second.erase(observer);
        if (it->second.empty()) mObservedCfgs.erase(it);
    }
    bool remain = ForgetObserverIfUnused(observer);
    VLOGI("remove observer=%p, name=%s, cfg=%s, remain_flag=%d\n", static_cast<void*>(observer),
          observer->GetName().c_str(), key.c_str(), remain ? 1 : 0);
}

void ConfigureCenter::DeRgister(ConfigureObserver* observer) {
    if (RefuseReentry("DeRgister")) return;
    if (!observer) {
        VLOGE("invalid param\n");
        return;
    }
    osal::lock_guard<osal::mutex> guard(mMutex);
    for (auto it = mObservedCfgs.begin(); it != mObservedCfgs.end();) {
        it->second.erase(observer);
        it = it->second.empty() ? mObservedCfgs.erase(it) : std::next(it);
    }
    mObservers.erase(observer);
    VLOGI("remove observer=%p, name=%s from all cfgs\n", static_cast<void*>(observer), observer->GetName().c_str());
}

int ConfigureCenter::Parse(const char* json, ConfigureService service) {
    if (RefuseReentry("Parse")) return -1;
    osal::lock_guard<osal::mutex> guard(mMutex);
    mProfile.clear();
    mAbtest.clear();
    mParsedCfgs.clear();
    mService = service;
    mWorkingStatus = kNothingParsed;
    if (!json || mObservedCfgs.empty()) {
        VLOGE("invalid param, observed cfgs size=%zu\n", mObservedCfgs.size());
        return -1;
    }
    int ret = -1;
    switch (service) {
        case ConfigureService::SdkPush: ret = ParseOnPublish(json); break;
        case ConfigureService::AppPush: ret = ParseOnPublishByApp(json); break;
        case ConfigureService::SdkPull: ret = ParseOnSubscribeLocked(json); break;
        default: VLOGE("invalid cfgService=%d\n", static_cast<int>(service)); break;
    }
    VLOGI("parse ret=%d\n", ret);
    if (ret == 0) mWorkingStatus = kParsed;
    return ret;
}

int ConfigureCenter::ParseOnPublish(const char*) {
    VLOGE("not support publish\n");
    return -1;
}

int ConfigureCenter::ParseOnPublishByApp(const char*) {
    VLOGE("not support publish by app\n");
    return -1;
}

int ConfigureCenter::ParseOnSubscribe(const char* json) {
    if (RefuseReentry("ParseOnSubscribe")) return -1;
    if (!json) {
        VLOGE("invalid param\n");
        return -1;
    }
    osal::lock_guard<osal::mutex> guard(mMutex);
    return ParseOnSubscribeLocked(json);
}

int ConfigureCenter::ParseOnSubscribeLocked(const char* json) {
    rapidjson::Document doc;
    doc.Parse<kJsonParseFlags>(json);
    if (doc.HasParseError()) {
        VLOGE("parse error=%d, offset=%zu\n", static_cast<int>(doc.GetParseError()), doc.GetErrorOffset());
        return -1;
    }
    if (!doc.IsObject()) {
        VLOGE("document invalid type=%d\n", static_cast<int>(doc.GetType()));
        return -1;
    }

    ReadTextMember(doc, "profile", "fail to parse profile\n", &mProfile);
    ReadTextMember(doc, "abtest", "fail to parse abtest\n", &mAbtest);

    auto filters = doc.FindMember("filters");
    if (filters != doc.MemberEnd()) {
        std::list<std::string> filterTexts;
        if (JsonGetFilterArray(filters->value, filterTexts) == 0) {
            TerminalInfo terminal = GetTerminalInfo();
            VLOGI("terminal info, sdkVer=%s, os=%s\n", terminal.sdkVersion.c_str(), terminal.os.c_str());
            int ret = 0;
            for (const std::string& filter : filterTexts) {
                if (!TerminalFilter::Check(filter, terminal)) {
                    ret = -1;
                    break;
                }
            }
            VLOGI("all filters ret=%d\n", ret);
            if (ret != 0) {
                VLOGE("filters are verified to be invalid\n");
                return -1;
            }
        }
    }

    auto cfgs = doc.FindMember("cfgs");
    if (cfgs == doc.MemberEnd() || !cfgs->value.IsArray() || cfgs->value.Empty()) {
        VLOGI("empty cfgs\n");
        return 0;
    }
    VLOGI("cfgs array size=%u\n", static_cast<unsigned>(cfgs->value.Size()));
    for (const rapidjson::Value& item : cfgs->value.GetArray()) {
        if (!item.IsObject() || item.ObjectEmpty()) {
            VLOGW("invalid cfgs items, type=%d\n", static_cast<int>(item.GetType()));
            continue;
        }
        for (const auto& member : item.GetObject()) {
            if (!member.value.IsString()) {
                VLOGW("invalid cfg kv, valueType=%d\n", static_cast<int>(member.value.GetType()));
                continue;
            }
            std::string key = StringOf(member.name);
            std::string value = StringOf(member.value);
            if (mObservedCfgs.find(key) == mObservedCfgs.end()) {
                VLOGI("[%s:%s] is not attended\n", key.c_str(), value.c_str());
                continue;
            }
            VLOGI("parsed [%s:%s]\n", key.c_str(), value.c_str());
            mParsedCfgs[key] = std::move(value);
        }
    }
    VLOGI("parse done, configure count=%zu\n", mParsedCfgs.size());
    return 0;
}

void ConfigureCenter::Notify() {
    if (RefuseReentry("Notify")) return;
    osal::lock_guard<osal::mutex> guard(mMutex);
    if (mWorkingStatus != kParsed && mWorkingStatus != kDeployed) {
        VLOGW("invalid working status=%d\n", mWorkingStatus);
        return;
    }
    NotifyingScope scope(this);
    std::string report = ConfigureServiceLabel(mService);
    report += ",profile:";
    report += mProfile;
    report += ",abtest:";
    report += mAbtest;

    std::vector<const std::pair<const std::string, std::string>*> effective;
    for (const auto& entry : mParsedCfgs) {
        VLOGI("deploy [%s:%s]\n", entry.first.c_str(), entry.second.c_str());
        auto observed = mObservedCfgs.find(entry.first);
        if (observed == mObservedCfgs.end() || observed->second.empty()) {
            VLOGW("Unattended configuration [%s:%s]\n", entry.first.c_str(), entry.second.c_str());
            continue;
        }
        bool taken = false;
        for (ConfigureObserver* observer : observed->second) {
            if (DeliverTo(observer, entry.first, entry.second) == 0) {
                VLOGI("observer(%s) parse ok\n", observer->GetName().c_str());
                taken = true;
            }
        }
        if (taken) effective.push_back(&entry);
    }
    VLOGI("effective config size=%zu\n", effective.size());
    for (const auto* entry : effective) {
        report += ',';
        report += entry->first;
        report += ':';
        report += entry->second;
    }
    for (ConfigureObserver* observer : mObservers) {
        try {
            observer->OnAllConfigurePosted();
        } catch (...) {
            VLOGE("observer(%s) threw from OnAllConfigurePosted\n", observer->GetName().c_str());
        }
    }

    VLOGI("qlog report is %s\n", report.c_str());
    ReportConfigurationLocked(report.c_str());
    mWorkingStatus = kDeployed;
}

int ConfigureCenter::ReportConfiguration(const char* text) {
    if (RefuseReentry("ReportConfiguration")) return -1;
    osal::lock_guard<osal::mutex> guard(mMutex);
    return ReportConfigurationLocked(text);
}

int ConfigureCenter::ReportConfigurationLocked(const char* text) {
    if (!text || !mReportCtx) {
        VLOGE("null context or params\n");
        return -1;
    }
    // Posting only queues the message; it never waits for the message thread.
    zeqmcdn::EngineService::PostEngineMessage(mReportCtx, kReportCode, nullptr, 0, text);
    return 0;
}

void ConfigureCenter::SetReportContext(void* ctx) {
    if (RefuseReentry("SetReportContext")) return;
    osal::lock_guard<osal::mutex> guard(mMutex);
    mReportCtx = ctx;
    VLOGI("set report ctx=%p\n", ctx);
}

void ConfigureCenter::Reset() {
    if (RefuseReentry("Reset")) return;
    osal::lock_guard<osal::mutex> guard(mMutex);
    mObservers.clear();
    mObservedCfgs.clear();
    mParsedCfgs.clear();
    mProfile.clear();
    mAbtest.clear();
    mWorkingStatus = kNothingParsed;
    VLOGI("reset configure center\n");
}

int ConfigureCenter::GetWorkingStatus() {
    if (RefuseReentry("GetWorkingStatus")) return -1;
    osal::lock_guard<osal::mutex> guard(mMutex);
    return mWorkingStatus;
}

std::string ConfigureCenter::GetProfile() {
    if (RefuseReentry("GetProfile")) return {};
    osal::lock_guard<osal::mutex> guard(mMutex);
    return mProfile;
}

std::string ConfigureCenter::GetAbtest() {
    if (RefuseReentry("GetAbtest")) return {};
    osal::lock_guard<osal::mutex> guard(mMutex);
    return mAbtest;
}

std::map<std::string, std::string> ConfigureCenter::GetParsedConfiguration() {
    if (RefuseReentry("GetParsedConfiguration")) return {};
    osal::lock_guard<osal::mutex> guard(mMutex);
    return mParsedCfgs;
}

size_t ConfigureCenter::ObservedKeyCount() {
    if (RefuseReentry("ObservedKeyCount")) return 0;
    osal::lock_guard<osal::mutex> guard(mMutex);
    return mObservedCfgs.size();
}

size_t ConfigureCenter::ObserverCount() {
    if (RefuseReentry("ObserverCount")) return 0;
    osal::lock_guard<osal::mutex> guard(mMutex);
    return mObservers.size();
}

bool ConfigureCenter::IsObserved(const std::string& key, ConfigureObserver* observer) {
    if (RefuseReentry("IsObserved")) return false;
    osal::lock_guard<osal::mutex> guard(mMutex);
    auto it = mObservedCfgs.find(key);
    return it != mObservedCfgs.end() && it->second.count(observer) != 0;
}

}  // namespace zeqnet
