// zrtc-edge: a media edge for tests and demos (see README.md).
#include <csignal>
#include <cstdio>
#include <string>

#include "EdgeOptions.h"
#include "EdgeServer.h"

namespace {
volatile std::sig_atomic_t gQuit = 0;
void OnSignal(int) { gQuit = 1; }
}  // namespace

int main(int argc, char** argv) {
    zrtc::edge::EdgeOptions options;
    std::string error;
    if (!zrtc::edge::ParseEdgeOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "zrtc-edge: %s\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(zrtc::edge::EdgeUsage().c_str(), stdout);
        return 0;
    }
    zrtc::edge::EdgeServer server(std::move(options));
    if (!server.Open(&error)) {
        std::fprintf(stderr, "zrtc-edge: %s\n", error.c_str());
        return 1;
    }
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::printf("zrtc-edge listening on udp port %u\n", server.Port());
    if (server.ControlPort() != 0) std::printf("zrtc-edge control on udp port %u\n", server.ControlPort());
    std::fflush(stdout);
    server.Run(&gQuit);
    return 0;
}
