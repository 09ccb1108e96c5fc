#include "netem/NetemClock.h"

#include "vrio/osal.h"

namespace zrtc {
namespace netem {

int64_t WallClockUs() { return osal_get_time_ms() * 1000; }

int PollTimeoutMs(int64_t nextUs, int64_t nowUs, int maxMs) {
    if (maxMs < 0) maxMs = 0;
    if (nextUs <= nowUs) return 0;
    // nextUs > nowUs: the difference is positive but may not fit when the two are far apart.
    const uint64_t waitUs = static_cast<uint64_t>(nextUs) - static_cast<uint64_t>(nowUs);
    const uint64_t ms = waitUs / 1000 + (waitUs % 1000 != 0 ? 1 : 0);
    return ms > static_cast<uint64_t>(maxMs) ? maxMs : static_cast<int>(ms);
}

}  // namespace netem
}  // namespace zrtc
