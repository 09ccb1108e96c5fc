// zrtc-play: a small player driving libVrioZerADE through its C interface, as a real player does.
// For now it prints the library's version and its default configuration record.
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "vrio/zeq_net_api.h"

namespace {

void PrintDefaultConfig() {
    const vrio_net_config cfg = zeq_net_get_default_cfg();
    std::printf("default configuration record (%zu bytes):\n", sizeof(cfg));
    auto ptr = [](const void* p) { return p ? "set" : "NULL"; };
    std::printf("  %-20s = %s\n", "LogCallback", ptr(reinterpret_cast<const void*>(cfg.LogCallback)));
    std::printf("  %-20s = %s\n", "LogCbParam", ptr(cfg.LogCbParam));
    std::printf("  %-20s = %d\n", "LogToConsole", cfg.LogToConsole);
    std::printf("  %-20s = %d\n", "LogToFile", cfg.LogToFile);
    std::printf("  %-20s = %d\n", "LogToServer", cfg.LogToServer);
    std::printf("  %-20s = %d\n", "LogLevel", cfg.LogLevel);
    std::printf("  %-20s = %s\n", "MessageCallback", ptr(reinterpret_cast<const void*>(cfg.MessageCallback)));
    std::printf("  %-20s = %s\n", "MessageCbParam", ptr(cfg.MessageCbParam));
    std::printf("  %-20s = %s\n", "AacdCreateCallback", ptr(reinterpret_cast<const void*>(cfg.AacdCreateCallback)));
    std::printf("  %-20s = %s\n", "AacdDecodeCallback", ptr(reinterpret_cast<const void*>(cfg.AacdDecodeCallback)));
    std::printf("  %-20s = %s\n", "AacdCloseCallback", ptr(reinterpret_cast<const void*>(cfg.AacdCloseCallback)));
    std::printf("  %-20s = \"%s\"\n", "HelpSupportIDPrefix", cfg.HelpSupportIDPrefix);
    std::printf("  %-20s = %d\n", "HighInterleaveDelay", cfg.HighInterleaveDelay);
    std::printf("  %-20s = %d\n", "DynamicJitterBuffer", cfg.DynamicJitterBuffer);
    std::printf("  %-20s = %" PRId64 "\n", "BufferingDuration", cfg.BufferingDuration);
    std::printf("  %-20s = %d,%d\n", "AudioFormat", cfg.AudioFormatCodec, cfg.AudioFormatProfile);
    std::printf("  %-20s = %d\n", "AudioSampleRate", cfg.AudioSampleRate);
    std::printf("  %-20s = %d\n", "AudioClockRate", cfg.AudioClockRate);
    std::printf("  %-20s = %d\n", "AudioChannels", cfg.AudioChannels);
    std::printf("  %-20s = %d\n", "VideoCodec", cfg.VideoCodec);
    std::printf("  %-20s = %d\n", "PaddingEnable", cfg.PaddingEnable);
}

void Usage() { std::printf("usage: zrtc-play --version\n"); }

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("libVrioZerADE %s\n", VRIO_SDK_VERSION);
        const vrio_funcs* funcs = get_vrio_funcs(2);
        std::printf("function table version %lld\n", funcs ? static_cast<long long>(funcs->version) : -1LL);
        PrintDefaultConfig();
        return 0;
    }
    Usage();
    return argc == 1 ? 0 : 2;
}
