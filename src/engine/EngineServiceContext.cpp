#include "engine/EngineServiceContext.h"

#include <string>

#include "osal/DecimalText.h"
#include "engine/MessageProcesser.h"
#include "engine/Properties.h"
#include "engine/QlogClient.h"

namespace zeqmcdn {

namespace {
const char* LevelTag(int level) {
    switch (level) {
        case 0: return "[ERROR]";
        case 1: return "[WARN]";
        case 2: return "[INFO]";
        case 3: return "[DBUG]";
        default: return "";
    }
}
}  // namespace

EngineServiceContext::EngineServiceContext(const char*) {
    osal::LLogInterface::GetInst()->RegisterCallback(&mLogReceiver);
    mProperties = new properties();
    mProcessor = new MessageProcesser(this);
    mQlog = new QlogClient();
    mQlog->Init();
}

EngineServiceContext::~EngineServiceContext() {
    osal::LLogInterface::GetInst()->DeRegisterCallback(&mLogReceiver);
    mQlog->DeInit();
    delete mQlog;
    mQlog = nullptr;
    ShutdownMessageThread();
    if (mUserData && mUserDataDeleter) mUserDataDeleter(mUserData);
    delete mProperties;
}

void EngineServiceContext::ShutdownMessageThread() {
    delete mProcessor.exchange(nullptr);  // delivers what is still queued, then joins the thread
}

void EngineServiceContext::OnLog(LLogLevel level, const char* text, va_list args) {
    LogFunc fn;
    void* user;
    {
        osal::lock_guard<osal::recursive_mutex> guard(mLevelLock);
        fn = mLogFunc;
        user = mLogUser;
        if (!fn || !osal::LevelPasses(FinalLevelLocked(), level)) return;
    }
    std::string tagged = LevelTag(level);
    tagged += text ? text : "";
    va_list copy;
    va_copy(copy, args);
    fn(user, level, tagged.c_str(), copy);
    va_end(copy);
}

void EngineServiceContext::SetLogFunc(bool enable, LogFunc fn, void* user, bool, bool, bool,
                                      EngineService::loglevel level) {
    osal::lock_guard<osal::recursive_mutex> guard(mLevelLock);
    mApiLogLevel = level;
    osal::LLogInterface::GetInst()->SetLogLevel(static_cast<LLogLevel>(FinalLevelLocked()));
    mLoggingEnabled = enable;
    if (enable) {
        mLogFunc = fn;
        mLogUser = user;
    }
}

int EngineServiceContext::GetFinalLogLevel() {
    osal::lock_guard<osal::recursive_mutex> guard(mLevelLock);
    return FinalLevelLocked();
}

bool EngineServiceContext::NeedOutputLocalLog(int level) {
    osal::lock_guard<osal::recursive_mutex> guard(mLevelLock);
    return osal::LevelPasses(FinalLevelLocked(), level);
}

bool EngineServiceContext::LoggingEnabled() {
    osal::lock_guard<osal::recursive_mutex> guard(mLevelLock);
    return mLoggingEnabled;
}

bool EngineServiceContext::HasLogFunc() {
    osal::lock_guard<osal::recursive_mutex> guard(mLevelLock);
    return mLogFunc != nullptr;
}

bool EngineServiceContext::ApplyLogLevelOverride(const char* value) {
    int64_t level = -1;
    bool parsed = zeqnet::ParseSigned(value, &level);
    if (!parsed || level < 0 || level > 100) {
        // Out of range is logged with the number; text that is no number at all with -1.
        VLOGD("lloglevel invalid value:%d, use default level info(2)\n",
              parsed && level >= INT32_MIN && level <= INT32_MAX ? static_cast<int>(level) : -1);
        return false;
    }
    osal::lock_guard<osal::recursive_mutex> guard(mLevelLock);
    mOverrideLogLevel = static_cast<int32_t>(level);
    mOverride = true;
    osal::LLogInterface::GetInst()->SetLogLevel(static_cast<LLogLevel>(level));
    return true;
}

void EngineServiceContext::SetParameter(const char* name, const char* value) { mProperties->set(name, value); }

int EngineServiceContext::GetParameter(const char* name, char* buffer, int size) {
    return mProperties->get(name, buffer, size);
}

void EngineServiceContext::SetMsgHandler(MsgHandler handler, void* user) {
    osal::lock_guard<osal::mutex> guard(mHandlerLock);
    mMsgHandler = handler;
    mMsgUser = user;
}

void* EngineServiceContext::GetMsgParam() {
    osal::lock_guard<osal::mutex> guard(mHandlerLock);
    return mMsgUser;
}

void EngineServiceContext::GetMsgHandler(MsgHandler* handler, void** user) {
    osal::lock_guard<osal::mutex> guard(mHandlerLock);
    *handler = mMsgHandler;
    *user = mMsgUser;
}

bool EngineServiceContext::CheckReportFunc() { return mQlog && mQlog->CheckQlogFunc(); }

void EngineServiceContext::SetUserData(void* data, void (*deleter)(void*)) {
    mUserData = data;
    mUserDataDeleter = deleter;
}

}  // namespace zeqmcdn
