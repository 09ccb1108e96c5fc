// Session settings: defaults, and the parts copied to the local and the remote participants.
#pragma once

#include <cstdint>

namespace zeqmcdn {

// The publish part, copied to the local participant.
struct LocalParticipantConfig {
    bool notRtcMode = true;          // false when the stream is in RTC mode
    char audioMsid[128] = {};
    char videoMsid[128] = {};
    int32_t audioCodec = 1;          // 1 AAC, 2 Opus, 3 G.722
    int32_t aacProfile = 1;          // 1 LC, 4 HE, 28 HE v2; 0 for Opus and G.722
    int32_t audioSampleRate = 48000;
    int32_t audioClockRate = 48000;
    int32_t audioChannels = 1;
    uint32_t audioSsrc = 0x12345678;  // replaced by the local participant
    int32_t videoCodec = 1;          // 1 H.264, 2 HEVC
    uint32_t videoSsrc = 0x99991111;  // replaced by the local participant
    bool reservedFlag = false;
    bool redDisabled = false;
    int32_t gccLossOption = 0;
    int32_t transportSequenceEnable = 1;
    int32_t recoveryLossEnable = 1;
    int32_t paddingEnable = 1;
};

// The subscribe part, copied to each remote participant.
struct RemoteParticipantConfig {
    bool notRtcMode = true;
    char audioMsid[128] = {};
    char videoMsid[128] = {};
    int32_t forcedSampleRate = 0;     // 0 = none, else 44100 or 48000
    int64_t bufferingDurationMs = -1;  // jitter-buffer target
    bool dynamicJitterBuffer = true;   // cleared when the player fixes the buffering duration
    bool fastNackConfigured = false;
    bool fastNackEnabled = true;
    int32_t fastNackAfterNackCount = 3;
    float fastNackRate = 3.0f;
    int32_t fastNackLowLimit = 50;
    int32_t nackWindow = 5000;
    int64_t subscribeTimeoutMs = 10000;
    int64_t mediaStallTimeoutMs = 8000;
};

struct CdnSettings {
    LocalParticipantConfig publish;
    RemoteParticipantConfig subscribe;
    int64_t signallingTimeoutMs = 10000;
    int64_t mediaTimeoutOptionMs = 8000;  // stored only
    bool autoReconnect = false;
    bool highInterleaveDelay = true;
    bool telemetryEnabled = true;
    char edgeIp[64] = {};
    char edgePort[16] = {};
    bool edgeAddressGiven = false;
    int32_t dnsType = 0;
    char customDns[512] = {};
    bool reservedFlag = false;
    bool connectHandshake = true;  // "cookie=no" clears it
};

}  // namespace zeqmcdn
