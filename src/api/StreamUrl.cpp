#include "api/StreamUrl.h"

#include <cstring>

#include "api/ConnConfig.h"
#include "osal/DecimalText.h"
#include "osal/LLog.h"

namespace zeqnet {

namespace {

// Field sizes of the settings, less the terminator.
constexpr size_t kMaxEdgeIp = 62;
constexpr size_t kMaxEdgePort = 14;
constexpr size_t kMaxMsid = 127;
constexpr size_t kMaxDnsType = 8;
constexpr size_t kMaxCustomDns = 511;
constexpr long long kJitterBufferMinMs = 100;
constexpr long long kJitterBufferMaxMs = 10000;

// Finds `key` anywhere in the '&'-terminated list; `value` is what follows it up to the next '&'.
bool FindOption(const std::string& list, const char* key, std::string* value) {
    size_t at = list.find(key);
    if (at == std::string::npos) return false;
    size_t begin = at + std::strlen(key);
    size_t end = list.find('&', begin);  // the list always ends with '&'
    *value = list.substr(begin, end - begin);
    return true;
}

template <size_t N>
void StoreText(char (&field)[N], const std::string& text) {
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), text.size() < N - 1 ? text.size() : N - 1);
}

void ApplyAudioRate(const std::string& list, zeqmcdn::CdnSettings* s) {
    std::string value;
    if (!FindOption(list, "audiorate=", &value)) return;
    int64_t rate = 0;
    if (!ParseSigned(value.c_str(), &rate)) {
        s->subscribe.forcedSampleRate = 0;
    } else if (rate == 0 || rate == 44100 || rate == 48000) {
        s->subscribe.forcedSampleRate = static_cast<int32_t>(rate);
    } else {
        VLOGE("Invalid parameter: audio sample rate %d not supported.\n", static_cast<int>(rate));
        s->subscribe.forcedSampleRate = 0;
    }
}

void ApplyEdgeAddress(const std::string& list, zeqmcdn::CdnSettings* s) {
    std::string value;
    if (FindOption(list, "sfu_ip=", &value)) {
        if (!value.empty() && value.size() <= kMaxEdgeIp) {
            StoreText(s->edgeIp, value);
            s->edgeAddressGiven = true;
        } else {
            VLOGE("Invalid parameter: suf_ip len %d\n", static_cast<int>(value.size()));
        }
    }
    if (FindOption(list, "sfu_port=", &value)) {
        if (!value.empty() && value.size() <= kMaxEdgePort) {
            StoreText(s->edgePort, value);
            s->edgeAddressGiven = true;
        } else {
            VLOGE("Invalid parameter: suf_port len %d\n", static_cast<int>(value.size()));
        }
    }
}

void ApplyJitterBuffer(const std::string& list, zeqmcdn::CdnSettings* s) {
    std::string value;
    if (!FindOption(list, "jitterbuffer=", &value)) return;
    int64_t ms = 0;
    if (ParseSigned(value.c_str(), &ms) && ms > 0) {
        ms = ClampMs(ms, kJitterBufferMinMs, kJitterBufferMaxMs);
        s->subscribe.bufferingDurationMs = ms;
        VLOGI("set parameter: jitterbuffer %lld \n", static_cast<long long>(ms));
    } else {
        VLOGE("Invalid parameter: jitterbuffer %lld not supported.\n", static_cast<long long>(ms));
    }
}

void ApplyMsid(const std::string& list, const char* key, const char* what, char (&pub)[128], char (&sub)[128]) {
    std::string value;
    if (!FindOption(list, key, &value)) return;
    if (value.size() > kMaxMsid) value.resize(kMaxMsid);
    VLOGI("Override %s msid with %s\n", what, value.c_str());
    if (value.empty()) {
        VLOGE("Invalid parameter: empty string.\n");
        return;
    }
    StoreText(pub, value);
    StoreText(sub, value);
}

void ApplyDns(const std::string& list, zeqmcdn::CdnSettings* s) {
    std::string value;
    if (FindOption(list, "dns_type=", &value)) {
        int64_t type = 0;
        if (value.empty() || value.size() > kMaxDnsType) {
            VLOGE("Invalid parameter: dns_type len %d\n", static_cast<int>(value.size()));
        } else if (!ParseSigned(value.c_str(), &type)) {
            VLOGE("Invalid parameter: dns_type %s\n", value.c_str());
        } else {
            s->dnsType = static_cast<int32_t>(type);
        }
    }
    if (FindOption(list, "custom_dns=", &value)) {
        if (!value.empty() && value.size() <= kMaxCustomDns) {
            StoreText(s->customDns, value);
        } else {
            VLOGE("Invalid parameter: custom_dns len %d\n", static_cast<int>(value.size()));
        }
    }
}

}  // namespace

bool HasZrtcScheme(const char* url) { return url && std::strncmp(url, "zrtc://", 7) == 0; }

void ApplyTrackMode(const std::string& url, zeqmcdn::CdnSettings* settings) {
    size_t query = url.find('?');
    bool quenlo = query != std::string::npos && url.find("trackmode=quenlo", query + 1) != std::string::npos;
    settings->publish.notRtcMode = settings->subscribe.notRtcMode = !quenlo;
    settings->edgeAddressGiven = false;
}

void ApplySdkOptions(std::string* url, zeqmcdn::CdnSettings* s, SdkOpenOptions* options) {
    size_t at = url->find('@');
    if (at == std::string::npos) return;
    const std::string list = url->substr(at + 1) + "&";
    std::string value;
    if (list.find("force_ipv6=yes") != std::string::npos) options->forceIpv6 = true;
    if (list.find("subaudio=no") != std::string::npos) options->audio = false;
    if (list.find("subvideo=no") != std::string::npos) options->video = false;
    ApplyAudioRate(list, s);
    if (list.find("red=no") != std::string::npos) s->publish.redDisabled = true;
    ApplyEdgeAddress(list, s);
    ApplyJitterBuffer(list, s);
    ApplyMsid(list, "audio_msid=", "audio", s->publish.audioMsid, s->subscribe.audioMsid);
    ApplyMsid(list, "video_msid=", "video", s->publish.videoMsid, s->subscribe.videoMsid);
    ApplyDns(list, s);
    if (list.find("cookie=no") != std::string::npos) s->connectHandshake = false;
    url->resize(at);
}

}  // namespace zeqnet
