#include <sys/time.h>

#include <atomic>
#include <cerrno>

#include "osal/OsalRecords.h"
#include "osal/TestClock.h"
#include "vrio/osal.h"

namespace osal {

namespace {
std::atomic<const ClockSource*> gClock{nullptr};

// Offset of the relative clock: a fixed 42 hours.
constexpr int64_t kRelativeOffsetMs = 151200000;
}  // namespace

int64_t SystemWallTimeMs() {
    timeval tv;
    gettimeofday(&tv, nullptr);
    return static_cast<int64_t>(tv.tv_sec) * 1000 + tv.tv_usec / 1000;
}

const ClockSource* SetClockForTesting(const ClockSource* source) {
    return gClock.exchange(source, std::memory_order_acq_rel);
}

}  // namespace osal

extern "C" int64_t osal_get_time_ms(void) {
    const osal::ClockSource* clock = osal::gClock.load(std::memory_order_acquire);
    return clock ? clock->now_ms(clock) : osal::SystemWallTimeMs();
}

extern "C" int64_t osal_get_relative_time_ms(void) { return osal_get_time_ms() + osal::kRelativeOffsetMs; }

extern "C" void osal_sleep_ms(int interval_ms) {
    if (interval_ms <= 0) return;
    timespec want{interval_ms / 1000, static_cast<long>(interval_ms % 1000) * 1000000L};
    timespec left{};
    // A signal cuts nanosleep short: sleep again for what it reports as left.
    while (nanosleep(&want, &left) != 0) {
        if (errno != EINTR) return;
        want = left;
    }
}
