// zrtc-play: a small player driving libVrioZerADE through its C interface, as a real player does.
//
//   zrtc-play URL [--duration S] [--publish] [--log]   open URL, print what the session reports
//   zrtc-play --version                                 the library's version and default record
//
// Each engine message the library hands the player is one line ("message CODE: TEXT"); each change
// of the connection state is one line ("state NAME"). SIGINT, SIGTERM or the end of --duration
// destroys the connection and exits 0.
#include <signal.h>

#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "vrio/osal.h"
#include "vrio/zeq_net_api.h"

namespace {

volatile sig_atomic_t gStop = 0;
int64_t gStartMs = 0;
bool gAllLogLines = false;
std::mutex gOutLock;

void OnSignal(int) { gStop = 1; }

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

// One output line with the time since start; callbacks of several library threads share stdout.
void Line(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void Line(const char* fmt, ...) {
    char text[2048];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(text, sizeof(text), fmt, args);
    va_end(args);
    const int64_t ms = osal_get_time_ms() - gStartMs;
    std::lock_guard<std::mutex> guard(gOutLock);
    std::printf("[%4lld.%03lld] %s\n", static_cast<long long>(ms / 1000), static_cast<long long>(ms % 1000), text);
    std::fflush(stdout);
}

const char* StateName(int state) {
    switch (state) {
        case 0: return "IDLE";
        case 1: return "CONNECTING";
        case 2: return "CONNECTED";
        case 3: return "STOPPING";
        case 4: return "RETRY";
        case 5: return "FAIL";
        default: return "UNKNOWN";
    }
}

// The library's log: the connection-state changes always, every line with --log.
int OnLog(void*, int, const char* fmt, va_list args) {
    char text[4096];
    std::vsnprintf(text, sizeof(text), fmt, args);
    size_t len = std::strlen(text);
    while (len > 0 && (text[len - 1] == '\n' || text[len - 1] == '\r')) text[--len] = '\0';
    static const char kStateChange[] = "Connect state changed to: ";
    if (const char* at = std::strstr(text, kStateChange)) {
        const int state = std::atoi(at + sizeof(kStateChange) - 1);
        Line("state %s (%d)", StateName(state), state);
    }
    if (gAllLogLines) Line("log %s", text);
    return 0;
}

int OnMessage(void*, int code, const char* text, long long) {
    Line("message %d: %s", code, text ? text : "");
    return 0;
}

void Usage(FILE* out) {
    std::fprintf(out,
                 "usage: zrtc-play URL [--duration S] [--publish] [--log]\n"
                 "       zrtc-play --version\n"
                 "  URL         zrtc://HOST/APP/STREAM[@sfu_ip=IP&sfu_port=PORT&...]\n"
                 "  --duration  seconds to run (default: until SIGINT or SIGTERM)\n"
                 "  --publish   open for publishing instead of playing\n"
                 "  --log       print every library log line too\n");
}

struct Options {
    const char* url = nullptr;
    double durationS = -1;
    bool publish = false;
};

bool ParseArgs(int argc, char** argv, Options* o) {
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (std::strcmp(a, "--duration") == 0 && i + 1 < argc) {
            char* end = nullptr;
            o->durationS = std::strtod(argv[++i], &end);
            if (end == argv[i] || *end != '\0' || o->durationS < 0) return false;
        } else if (std::strcmp(a, "--publish") == 0) {
            o->publish = true;
        } else if (std::strcmp(a, "--log") == 0) {
            gAllLogLines = true;
        } else if (a[0] != '-' && !o->url) {
            o->url = a;
        } else {
            return false;
        }
    }
    return o->url != nullptr;
}

// Frames the library hands over are the player's: this player only counts and releases them.
long long DrainFrames(zeq_net_conn* handle, int stream) {
    long long n = 0;
    vrio_frame* frame = nullptr;
    while (zeq_net_read(handle, stream, &frame) == 0 && frame) {
        ++n;
        if (frame->release) frame->release(frame);
        frame = nullptr;
    }
    return n;
}

int Play(const Options& o) {
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);

    gStartMs = osal_get_time_ms();
    vrio_net_config cfg = zeq_net_get_default_cfg();
    cfg.LogCallback = &OnLog;
    cfg.MessageCallback = &OnMessage;
    std::snprintf(cfg.HelpSupportIDPrefix, sizeof(cfg.HelpSupportIDPrefix), "zrtc-play");
    zeq_net_conn* handle = zeq_net_create_connection(&cfg);
    if (!handle) {
        Line("cannot create a connection");
        return 1;
    }
    const vrio_open_params params{0, o.url};
    const int opened = o.publish ? zeq_net_publish_open(handle, &params) : zeq_net_subscribe_open(handle, &params);
    if (opened != (o.publish ? 0 : 1)) {
        Line("open %s failed (%d)", o.url, opened);
        zeq_net_destroy_connection(handle);
        return 1;
    }
    Line("opened %s for %s", o.url, o.publish ? "publishing" : "playing");

    // Poll often enough for a player's read loop, check the stop conditions in between.
    constexpr int kPollMs = 10;
    const int64_t endMs = o.durationS >= 0 ? gStartMs + static_cast<int64_t>(o.durationS * 1000) : INT64_MAX;
    long long frames = 0;
    while (!gStop && osal_get_time_ms() < endMs) {
        if (!o.publish) frames += DrainFrames(handle, 1);
        osal_sleep_ms(kPollMs);
    }
    Line("%s; %lld frame(s) read; destroying", gStop ? "signal" : "duration over", frames);
    const int64_t before = osal_get_time_ms();
    zeq_net_destroy_connection(handle);
    Line("destroyed in %lld ms", static_cast<long long>(osal_get_time_ms() - before));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("libVrioZerADE %s\n", VRIO_SDK_VERSION);
        const vrio_funcs* funcs = get_vrio_funcs(2);
        std::printf("function table version %lld\n", funcs ? static_cast<long long>(funcs->version) : -1LL);
        PrintDefaultConfig();
        return 0;
    }
    if (argc == 1) {
        Usage(stdout);
        return 0;
    }
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        Usage(stdout);
        return 0;
    }
    Options o;
    if (!ParseArgs(argc, argv, &o)) {
        Usage(stderr);
        return 2;
    }
    return Play(o);
}
