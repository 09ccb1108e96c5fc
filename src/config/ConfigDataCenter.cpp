#include "config/ConfigDataCenter.h"

#include <cinttypes>
#include <limits>

#include "config/ConfigureCenter.h"
#include "engine/EngineServiceContext.h"
#include "osal/DecimalText.h"
#include "osal/LLog.h"

namespace zeqnet {

const char* const ConfigDataCenter::kKeys[kKeyCount] = {
    "trimAudioAtStartup",         "maxAudioQueueLength",      "maxVQLen",
    "audioFrameOutputInterval",   "shouldSkipAVSync",         "startUpFrameCountThreshold",
    "vjb_startup_fullspeed_frm_cnt", "getStreamInfoRxTimeRetrunNow", "avPktTimeoutMs",
    "dnsExpirationTime",          "cookieExpirationTime",     "skipFindStreamInfo",
    "outputMinBufferLength",      "fixedWaterLevel",          "videoSmoothOutput",
    "audioSmoothOutput",          "forceVideoOutputThreshold", "videoTsEditThreshold",
    "maxVideoDuration",           "targetLatencyHi",          "targetLatencyLo",
    "crashEn",                    "crashDump",                "crashModu",
    "dyc_id",
};

namespace {

enum Row : size_t {
    kTrimAudioAtStartup,
    kMaxAudioQueueLength,
    kMaxVideoQueueLength,
    kAudioFrameOutputInterval,
    kShouldSkipAVSync,
    kStartUpFrameCountThreshold,
    kStartUpFullSpeedFrameCount,
    kStreamInfoRxTimeReturnNow,
    kAVPacketTimeoutMs,
    kDnsExpirationTime,
    kCookieExpirationTime,
    kSkipFindStreamInfo,
    kOutputMinBufferLength,
    kFixedWaterLevel,
    kVideoSmoothOutput,
    kAudioSmoothOutput,
    kForceVideoOutputThreshold,
    kVideoTsEditThreshold,
    kMaxVideoDuration,
    kTargetLatencyHi,
    kTargetLatencyLo,
    kCrashEnable,
    kCrashDumpDir,
    kCrashModule,
    kDycId,
};

// How a row's text becomes a number: like C atoi (int) or atoll (long long).
enum class Reader { kInt, kLongLong, kText };
// What is kept: the number when inside [lo, hi]; the flag "number != 0"; the text as it is.
enum class Kind { kRange, kNonZero, kText };

struct Rule {
    Reader reader;
    Kind kind;
    int64_t lo;
    int64_t hi;
    int64_t initial;
};

constexpr int64_t kIntMax = std::numeric_limits<int32_t>::max();
// Queue lengths are 32-bit: a negative or larger number would wrap into a nonsense length.
constexpr int64_t kUint32Max = std::numeric_limits<uint32_t>::max();

constexpr Rule kRules[ConfigDataCenter::kKeyCount] = {
    {Reader::kLongLong, Kind::kRange, 0, 1, 0},                // trimAudioAtStartup
    {Reader::kLongLong, Kind::kRange, 0, kUint32Max, 800},     // maxAudioQueueLength, frames
    {Reader::kLongLong, Kind::kRange, 0, kUint32Max, 1200},    // maxVQLen, frames
    {Reader::kInt, Kind::kRange, 0, kIntMax, 0},               // audioFrameOutputInterval, ms
    {Reader::kInt, Kind::kRange, 0, 1, 0},                     // shouldSkipAVSync
    {Reader::kInt, Kind::kRange, 0, kIntMax, 10},              // startUpFrameCountThreshold, frames
    {Reader::kInt, Kind::kRange, 0, kIntMax, 0},               // vjb_startup_fullspeed_frm_cnt
    {Reader::kInt, Kind::kRange, 0, 1, 0},                     // getStreamInfoRxTimeRetrunNow
    {Reader::kInt, Kind::kRange, 0, kIntMax, 4000},            // avPktTimeoutMs
    {Reader::kInt, Kind::kRange, 0, kIntMax, 180},             // dnsExpirationTime, s
    {Reader::kInt, Kind::kRange, 0, kIntMax, 0},               // cookieExpirationTime, s
    {Reader::kInt, Kind::kRange, 0, kIntMax, 1},               // skipFindStreamInfo
    {Reader::kInt, Kind::kRange, 0, 10000, 0},                 // outputMinBufferLength, ms
    {Reader::kInt, Kind::kNonZero, 0, 0, 1},                   // fixedWaterLevel
    {Reader::kInt, Kind::kNonZero, 0, 0, 0},                   // videoSmoothOutput
    {Reader::kInt, Kind::kNonZero, 0, 0, 0},                   // audioSmoothOutput
    {Reader::kInt, Kind::kRange, 0, 10000, 200},               // forceVideoOutputThreshold, ms
    {Reader::kInt, Kind::kRange, 0, 10000, 17},                // videoTsEditThreshold, frames
    {Reader::kInt, Kind::kRange, 10, 1000, 300},               // maxVideoDuration, ms
    {Reader::kInt, Kind::kRange, 10, 10000, 2100},             // targetLatencyHi, ms
    {Reader::kInt, Kind::kRange, 10, 10000, 2000},             // targetLatencyLo, ms
    {Reader::kInt, Kind::kNonZero, 0, 0, 0},                   // crashEn
    {Reader::kText, Kind::kText, 0, 0, 0},                     // crashDump
    {Reader::kText, Kind::kText, 0, 0, 0},                     // crashModu
    {Reader::kText, Kind::kText, 0, 0, 0},                     // dyc_id
};

constexpr const char* kDefaultDycId = "-1";

bool IsCSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The number at the start of `text` the way atoi/atoll read it: blanks, an optional sign, the
// digits up to the first other character; no digits read as 0. False when the digits do not fit
// in 64 bits, where atoi/atoll have no defined result.
bool ReadLeadingInteger(const char* text, int64_t* out) {
    const char* p = text;
    while (IsCSpace(*p)) ++p;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    std::string digits = negative ? "-" : "";
    while (*p >= '0' && *p <= '9') digits += *p++;
    if (digits.empty() || digits == "-") {
        *out = 0;
        return true;
    }
    return ParseSigned(digits.c_str(), out);
}

// Number for `rule` read from `text`, or false when the reader has no defined result for it.
bool ReadNumber(const Rule& rule, const std::string& text, int64_t* out) {
    if (!ReadLeadingInteger(text.c_str(), out)) return false;
    if (rule.reader == Reader::kInt && (*out < std::numeric_limits<int32_t>::min() || *out > kIntMax)) return false;
    return true;
}

}  // namespace

ConfigDataCenter::ConfigDataCenter() : ConfigureObserver("ConfigDataCenter"), mDycId(kDefaultDycId) {
    for (size_t row = 0; row < kKeyCount; ++row) mNumbers[row].store(kRules[row].initial, std::memory_order_relaxed);
}

ConfigDataCenter::~ConfigDataCenter() = default;

void ConfigDataCenter::SetContext(void* ctx) {
    if (mContext && ctx != mContext) {
        auto* previous = static_cast<zeqmcdn::EngineServiceContext*>(mContext);
        if (auto* center = static_cast<ConfigureCenter*>(previous->GetConfigureHandle())) {
            for (const char* key : kKeys) center->DeRegister(this, key);
        }
        mContext = nullptr;
    }
    if (!ctx || ctx == mContext) return;
    mContext = ctx;
    auto* context = static_cast<zeqmcdn::EngineServiceContext*>(ctx);
    auto* center = static_cast<ConfigureCenter*>(context->GetConfigureHandle());
    if (!center) {
        VLOGW("no configure handle in ctx=%p, nothing registered\n", ctx);
        return;
    }
    for (const char* key : kKeys) center->Register(this, key);
}

int ConfigDataCenter::Parse(std::string key, std::string value) {
    size_t row = 0;
    while (row < kKeyCount && key != kKeys[row]) ++row;
    if (row == kKeyCount) return 0;
    const Rule& rule = kRules[row];
    if (rule.kind == Kind::kText) {
        osal::lock_guard<osal::mutex> guard(mTextLock);
        if (row == kCrashDumpDir) mCrashDumpDir = std::move(value);
        else if (row == kCrashModule) mCrashModule = std::move(value);
        else mDycId = std::move(value);
        return 0;
    }
    int64_t number = 0;
    if (!ReadNumber(rule, value, &number)) {
        VLOGD("%s: %s is out of reach of a number, ignored\n", kKeys[row], value.c_str());
        return 0;
    }
    if (rule.kind == Kind::kNonZero) {
        number = number != 0 ? 1 : 0;
    } else if (number < rule.lo || number > rule.hi) {
        return 0;
    }
    mNumbers[row].store(number, std::memory_order_relaxed);
    if (row == kMaxVideoQueueLength)
        VLOGI("UserMediaData mMaxVideoQueueLength is config to %u\n", static_cast<unsigned>(number));
    return 0;
}

bool ConfigDataCenter::GetTrimAudioAtStartup() const { return Number(kTrimAudioAtStartup) != 0; }
uint32_t ConfigDataCenter::GetMaxAudioQueueLength() const { return static_cast<uint32_t>(Number(kMaxAudioQueueLength)); }
uint32_t ConfigDataCenter::GetMaxVideoQueueLength() const { return static_cast<uint32_t>(Number(kMaxVideoQueueLength)); }
uint32_t ConfigDataCenter::GetAudioFrameOutputInterval() const {
    return static_cast<uint32_t>(Number(kAudioFrameOutputInterval));
}
uint32_t ConfigDataCenter::GetShouldSkipAVSync() const { return static_cast<uint32_t>(Number(kShouldSkipAVSync)); }
uint32_t ConfigDataCenter::GetStartUpFrameCountThreshold() const {
    return static_cast<uint32_t>(Number(kStartUpFrameCountThreshold));
}
uint32_t ConfigDataCenter::GetStartUpFullSpeedFrameCount() const {
    return static_cast<uint32_t>(Number(kStartUpFullSpeedFrameCount));
}
bool ConfigDataCenter::GetStreamInfoRxTimeRetrunNow() const { return Number(kStreamInfoRxTimeReturnNow) != 0; }
uint64_t ConfigDataCenter::GetAVPacketTimeoutMs() const { return static_cast<uint64_t>(Number(kAVPacketTimeoutMs)); }
uint32_t ConfigDataCenter::GetDnsExpirationTime() const { return static_cast<uint32_t>(Number(kDnsExpirationTime)); }
uint32_t ConfigDataCenter::GetCookieExpirationTime() const {
    return static_cast<uint32_t>(Number(kCookieExpirationTime));
}
uint32_t ConfigDataCenter::GetSkipAvformatFindStreamInfo() const {
    return static_cast<uint32_t>(Number(kSkipFindStreamInfo));
}
uint32_t ConfigDataCenter::GetOutputMinBufferLength() const {
    return static_cast<uint32_t>(Number(kOutputMinBufferLength));
}
bool ConfigDataCenter::GetFixedWaterLevel() const { return Number(kFixedWaterLevel) != 0; }
bool ConfigDataCenter::GetVideoSmoothOutput() const { return Number(kVideoSmoothOutput) != 0; }
bool ConfigDataCenter::GetAudioSmoothOutput() const { return Number(kAudioSmoothOutput) != 0; }
uint32_t ConfigDataCenter::GetForceVideoOutputThreshold() const {
    return static_cast<uint32_t>(Number(kForceVideoOutputThreshold));
}
uint32_t ConfigDataCenter::GetVideoTsEditThreshold() const {
    return static_cast<uint32_t>(Number(kVideoTsEditThreshold));
}
uint32_t ConfigDataCenter::GetMaxVideoDuration() const { return static_cast<uint32_t>(Number(kMaxVideoDuration)); }
uint32_t ConfigDataCenter::GetTargetLatencyHi() const { return static_cast<uint32_t>(Number(kTargetLatencyHi)); }
uint32_t ConfigDataCenter::GetTargetLatencyLo() const { return static_cast<uint32_t>(Number(kTargetLatencyLo)); }

bool ConfigDataCenter::GetCrashEnable() const {
    bool enable = Number(kCrashEnable) != 0;
    VLOGI("crash enable=%d\n", enable ? 1 : 0);
    return enable;
}

std::string ConfigDataCenter::GetCrashDumpDir() const {
    std::string dir;
    {
        osal::lock_guard<osal::mutex> guard(mTextLock);
        dir = mCrashDumpDir;
    }
    VLOGI("crash dump dir=%s\n", dir.c_str());
    return dir;
}

std::vector<std::string> ConfigDataCenter::GetCrashModule() const {
    std::string text;
    {
        osal::lock_guard<osal::mutex> guard(mTextLock);
        text = mCrashModule;
    }
    VLOGI("crash module=%s\n", text.c_str());
    return SplitModuleList(text);
}

std::string ConfigDataCenter::GetDycId() const {
    osal::lock_guard<osal::mutex> guard(mTextLock);
    return mDycId;
}

std::vector<std::string> ConfigDataCenter::SplitModuleList(const std::string& text) {
    std::vector<std::string> modules;
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(',', start);
        size_t end = comma == std::string::npos ? text.size() : comma;
        size_t first = start;
        while (first < end && text[first] == ' ') ++first;
        if (first < end) modules.push_back(text.substr(first, end - first));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return modules;
}

}  // namespace zeqnet
