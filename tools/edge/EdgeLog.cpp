#include "EdgeLog.h"

#include <cstdarg>
#include <cstdio>

namespace zrtc {
namespace edge {

namespace {
// Set once before any session runs; the edge has one thread.
bool gQuiet = false;
}  // namespace

void SetEdgeLogQuiet(bool quiet) { gQuiet = quiet; }

void EdgeLog(const char* fmt, ...) {
    if (gQuiet) return;
    char line[1024];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(line, sizeof(line), fmt, args);
    va_end(args);
    std::fprintf(stderr, "edge: %s\n", line);
    std::fflush(stderr);
}

}  // namespace edge
}  // namespace zrtc
