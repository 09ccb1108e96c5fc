#include "api/ConnConfig.h"

#include <cstring>

#include "osal/LLog.h"

namespace zeqnet {

namespace {
constexpr char kEmptyAppId[] = "emptyappid";
// A fixed buffering target chosen by the player must stay within what the jitter buffer can hold.
constexpr long long kFixedBufferMinMs = 100;
constexpr long long kFixedBufferMaxMs = 10000;
constexpr long long kDefaultBufferMs = 1500;
}  // namespace

vrio_net_config DefaultConnConfig() {
    vrio_net_config cfg;
    std::memset(&cfg, 0, sizeof(cfg));
    cfg.LogLevel = LLOG_INFO;
    cfg.HighInterleaveDelay = 1;
    cfg.DynamicJitterBuffer = 1;
    cfg.BufferingDuration = kDefaultBufferMs;
    cfg.AudioFormatCodec = 1;
    cfg.AudioFormatProfile = 1;
    cfg.AudioSampleRate = 48000;
    cfg.AudioClockRate = 48000;
    cfg.AudioChannels = 1;
    cfg.VideoCodec = 1;
    cfg.PaddingEnable = 1;
    return cfg;
}

bool IsSupportedAudioFormat(int codec, int profile) {
    return (codec == 1 && (profile == 1 || profile == 4 || profile == 28)) || (codec == 2 && profile == 0) ||
           (codec == 3 && profile == 0);
}

bool IsSupportedSampleRate(int rate) {
    switch (rate) {
        case 48000: case 44100: case 16000: case 8000: case 32000: case 22050: case 24000: return true;
        default: return false;
    }
}

void NormalizeConnConfig(vrio_net_config* cfg) {
    if (cfg->HelpSupportIDPrefix[0] == '\0') {
        std::memset(cfg->HelpSupportIDPrefix, 0, sizeof(cfg->HelpSupportIDPrefix));
        std::memcpy(cfg->HelpSupportIDPrefix, kEmptyAppId, sizeof(kEmptyAppId));
    }
    // The player's text need not be terminated: the last byte is always the terminator.
    cfg->HelpSupportIDPrefix[sizeof(cfg->HelpSupportIDPrefix) - 1] = '\0';
    VLOGI("help_prefix=[%s]\n", cfg->HelpSupportIDPrefix);

    if (cfg->DynamicJitterBuffer == 0) {
        cfg->BufferingDuration = ClampMs(cfg->BufferingDuration, kFixedBufferMinMs, kFixedBufferMaxMs);
    } else if (cfg->BufferingDuration == -1) {
        cfg->BufferingDuration = kDefaultBufferMs;
    }
    if (!IsSupportedSampleRate(cfg->AudioSampleRate)) cfg->AudioSampleRate = 48000;
    cfg->AudioClockRate = cfg->AudioSampleRate;
    if (cfg->AudioChannels != 1 && cfg->AudioChannels != 2) cfg->AudioChannels = 1;
    if (cfg->VideoCodec != 1 && cfg->VideoCodec != 2) cfg->VideoCodec = 1;
    if (!IsSupportedAudioFormat(cfg->AudioFormatCodec, cfg->AudioFormatProfile)) {
        cfg->AudioFormatCodec = 1;
        cfg->AudioFormatProfile = 1;
    }
}

}  // namespace zeqnet
