// The edge's log: one line per event on standard error, each starting "edge: ".
#pragma once

namespace zrtc {
namespace edge {

void EdgeLog(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// Fuzzing runs without the lines (they cost more than the parsing).
void SetEdgeLogQuiet(bool quiet);

}  // namespace edge
}  // namespace zrtc
