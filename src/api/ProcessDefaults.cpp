#include "api/ProcessDefaults.h"

#include <cstring>

#include "api/AesHooks.h"
#include "api/ConnConfig.h"
#include "osal/DecimalText.h"
#include "osal/LLog.h"

namespace zeqnet {

std::atomic<int64_t> OpeningMarks::startTimeMs{0};
std::atomic<bool> OpeningMarks::firstReportDone{false};

namespace {

// The option setter bounds a fixed buffering duration tighter than the record does: a player that
// sets it globally gets a low-latency target.
constexpr uint64_t kOptionBufferMinMs = 100;
constexpr uint64_t kOptionBufferMaxMs = 1000;
constexpr size_t kHelpPrefixOptionChars = 64;
constexpr size_t kCustomDnsOptionChars = 128;

bool IsTrue(const char* value) { return std::strcmp(value, "true") == 0; }

// Copies at most `max_chars` of `value` into `field`, always terminated.
template <size_t N>
void CopyText(char (&field)[N], const char* value, size_t max_chars) {
    size_t n = std::strlen(value);
    if (n > max_chars) n = max_chars;
    if (n > N - 1) n = N - 1;
    std::memset(field, 0, N);
    std::memcpy(field, value, n);
}

struct AudioFormatName {
    const char* name;
    int codec;
    int profile;
};
constexpr AudioFormatName kAudioFormats[] = {
    {"aac", 1, 1}, {"aac-lc", 1, 1}, {"aac-he", 1, 4}, {"aac-he2", 1, 28}, {"opus", 2, 0}, {"g722", 3, 0},
};

}  // namespace

ProcessDefaults& ProcessDefaults::Get() {
    static ProcessDefaults instance;
    return instance;
}

ProcessDefaults::ProcessDefaults() { ResetForTesting(); }

void ProcessDefaults::ResetForTesting() {
    osal::lock_guard<osal::mutex> guard(mMutex);
    std::memset(&mConfig, 0, sizeof(mConfig));
    mConfig.LogLevel = LLOG_INFO;
    mSettings = zeqmcdn::CdnSettings{};
    mPreconf.clear();
    mOldVersion.store(false, std::memory_order_relaxed);
}

void ProcessDefaults::OverlayConfig(vrio_net_config* cfg) const {
    osal::lock_guard<osal::mutex> guard(mMutex);
    std::memcpy(cfg, &mConfig, kGlobalConfigBytes);
}

zeqmcdn::CdnSettings ProcessDefaults::Settings() const {
    osal::lock_guard<osal::mutex> guard(mMutex);
    return mSettings;
}

std::string ProcessDefaults::PreconfCache(bool clear) {
    osal::lock_guard<osal::mutex> guard(mMutex);
    std::string text = mPreconf;
    if (clear) mPreconf.clear();
    return text;
}

int ProcessDefaults::SetOption(const char* key, const char* value) {
    if (!key || !value) {
        VLOGE("invalid option key=%p value=%p\n", static_cast<const void*>(key), static_cast<const void*>(value));
        return -22;
    }
    osal::lock_guard<osal::mutex> guard(mMutex);
    mPreconf.append(key).append(":").append(value).append(",");
    int rc = ApplyOption(key, value);
    if (rc == -22) VLOGE("invalid value for option %s: %s\n", key, value);
    return rc;
}

// Runs under mMutex.
int ProcessDefaults::ApplyOption(const std::string& key, const char* value) {
    zeqmcdn::CdnSettings& s = mSettings;
    uint64_t number = 0;
    uintptr_t address = 0;

    if (key == "AutoReconnect") {
        s.autoReconnect = IsTrue(value);
        return 0;
    }
    if (key == "SigTimeoutMs" || key == "MediaTimeoutMs") {
        if (!ParseUnsigned(value, &number) || number > INT64_MAX) return -22;
        (key == "SigTimeoutMs" ? s.signallingTimeoutMs : s.mediaTimeoutOptionMs) = static_cast<int64_t>(number);
        return 0;
    }
    if (key == "HighInterleaveDelay") {
        s.highInterleaveDelay = IsTrue(value);
        return 0;
    }
    if (key == "BufferingDuration") {
        if (!ParseUnsigned(value, &number) || number == 0) return -22;
        if (number < kOptionBufferMinMs) number = kOptionBufferMinMs;
        if (number > kOptionBufferMaxMs) number = kOptionBufferMaxMs;
        s.subscribe.bufferingDurationMs = static_cast<int64_t>(number);
        s.subscribe.dynamicJitterBuffer = false;
        return 0;
    }
    struct AddressField {
        const char* name;
        void** slot;
    };
    const AddressField addressFields[] = {
        {"LogCallback", reinterpret_cast<void**>(&mConfig.LogCallback)},
        {"LogCbParam", &mConfig.LogCbParam},
        {"MessageCallback", reinterpret_cast<void**>(&mConfig.MessageCallback)},
        {"MessageCbParam", &mConfig.MessageCbParam},
        {"AacdCreateCallback", reinterpret_cast<void**>(&mConfig.AacdCreateCallback)},
        {"AacdDecodeCallback", reinterpret_cast<void**>(&mConfig.AacdDecodeCallback)},
        {"AacdCloseCallback", reinterpret_cast<void**>(&mConfig.AacdCloseCallback)},
    };
    for (const AddressField& field : addressFields) {
        if (key == field.name) {
            if (!ParseAddress(value, &address)) return -22;
            *field.slot = reinterpret_cast<void*>(address);
            return 0;
        }
    }
    if (key == "LogToConsole" || key == "LogToFile" || key == "LogToServer") {
        int32_t flag = IsTrue(value) ? 1 : 0;
        (key == "LogToConsole" ? mConfig.LogToConsole : key == "LogToFile" ? mConfig.LogToFile : mConfig.LogToServer) =
            flag;
        return 0;
    }
    if (key == "LogLevel") {
        if (!ParseUnsigned(value, &number) || number > LLOG_OFF) return -22;
        mConfig.LogLevel = static_cast<int32_t>(number);
        return 0;
    }
    if (key == "AudioFormat") {
        for (const AudioFormatName& format : kAudioFormats) {
            if (std::strcmp(value, format.name) == 0) {
                s.publish.audioCodec = format.codec;
                s.publish.aacProfile = format.profile;
                return 0;
            }
        }
        return -22;
    }
    if (key == "AudioSampleRate") {
        if (!ParseUnsigned(value, &number) || number > INT32_MAX || !IsSupportedSampleRate(static_cast<int>(number)))
            return -22;
        s.publish.audioSampleRate = s.publish.audioClockRate = static_cast<int32_t>(number);
        return 0;
    }
    if (key == "AudioChannels") {
        if (!ParseUnsigned(value, &number) || (number != 1 && number != 2)) return -22;
        s.publish.audioChannels = static_cast<int32_t>(number);
        return 0;
    }
    // The keys below apply their value and answer -19, as players of the first interface expect.
    if (key == "HelpSupportIDPrefix") {
        CopyText(mConfig.HelpSupportIDPrefix, value, kHelpPrefixOptionChars);
        return -19;
    }
    if (key == "AesCreateCallback" || key == "AesInitCallback" || key == "AesDecryptCallback" ||
        key == "AesFreeCallback") {
        return AesHooks::SetByName(key.c_str(), value);
    }
    if (key == "RtcMode") {
        s.publish.notRtcMode = s.subscribe.notRtcMode = !IsTrue(value);
        return 0;
    }
    if (key == "VideoCodec") {
        s.publish.videoCodec = (std::strcmp(value, "h265") == 0 || std::strcmp(value, "hevc") == 0) ? 2 : 1;
        return -19;
    }
    if (key == "disableQlog") {
        s.telemetryEnabled = !IsTrue(value);
        return -19;
    }
    if (key == "disablePadding") {
        s.publish.paddingEnable = IsTrue(value) ? 0 : 1;
        return -19;
    }
    if (key == "dnsType") {
        int64_t type = 0;
        if (ParseSigned(value, &type) && type >= INT32_MIN && type <= INT32_MAX) {
            s.dnsType = static_cast<int32_t>(type);
        } else {
            VLOGE("invalid dnsType %s ignored\n", value);
        }
        return -19;
    }
    if (key == "customDns") {
        CopyText(s.customDns, value, kCustomDnsOptionChars);
        return -19;
    }
    VLOGW("unknown option %s\n", key.c_str());
    return -19;
}

}  // namespace zeqnet
