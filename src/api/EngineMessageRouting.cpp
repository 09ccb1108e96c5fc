#include "api/EngineMessageRouting.h"

#include <cstddef>

namespace zeqnet {

namespace {
struct Range {
    unsigned first, last;
};

template <size_t N>
bool InRanges(const Range (&ranges)[N], unsigned code) {
    for (const Range& r : ranges)
        if (code >= r.first && code <= r.last) return true;
    return false;
}

constexpr Range kInformation[] = {
    {100, 100}, {102, 104}, {120, 130}, {132, 132}, {135, 138}, {141, 142},
    {151, 154}, {160, 163}, {170, 170}, {30001, 30001},
};
constexpr Range kError[] = {
    {20001, 20005}, {20009, 20017}, {20020, 20020}, {20030, 20032}, {20052, 20057}, {20060, 20062},
};
constexpr unsigned kForwardedErrors[] = {20001, 20002, 20011, 20012, 20013, 20052, 20053, 20061};
// Player-command notes are for telemetry only.
constexpr unsigned kCommandNote = 170;
}  // namespace

TelemetryKind TelemetryKindOf(unsigned code) {
    if (InRanges(kInformation, code)) return TelemetryKind::kInformation;
    if (InRanges(kError, code)) return TelemetryKind::kError;
    return TelemetryKind::kNone;
}

bool ForwardToPlayer(unsigned code) {
    if (code < 20000) return code != kCommandNote;
    for (unsigned c : kForwardedErrors)
        if (c == code) return true;
    return false;
}

}  // namespace zeqnet
