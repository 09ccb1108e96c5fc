// Substituting the library clock in tests: osal_get_time_ms (and every tick count built on it)
// then reads the installed source. Kernel deadlines of waits and sleeps keep the real clock.
#pragma once

#include <atomic>
#include <cstdint>

namespace osal {

struct ClockSource {
    int64_t (*now_ms)(const ClockSource* self);
};

// Installs `source` (nullptr restores the system clock); returns the previous one. The source must
// outlive its installation.
const ClockSource* SetClockForTesting(const ClockSource* source);

// A clock that moves only when told. Thread safety: Now/Set/Advance may be called from any thread.
class SimulatedClock : public ClockSource {
public:
    explicit SimulatedClock(int64_t start_ms = 1700000000000) : ClockSource{&Read}, mNow(start_ms) {
        mPrevious = SetClockForTesting(this);
    }
    ~SimulatedClock() { SetClockForTesting(mPrevious); }
    SimulatedClock(const SimulatedClock&) = delete;
    SimulatedClock& operator=(const SimulatedClock&) = delete;

    int64_t Now() const { return mNow.load(std::memory_order_acquire); }
    void Set(int64_t ms) { mNow.store(ms, std::memory_order_release); }
    void Advance(int64_t ms) { mNow.fetch_add(ms, std::memory_order_acq_rel); }

private:
    static int64_t Read(const ClockSource* self) { return static_cast<const SimulatedClock*>(self)->Now(); }
    std::atomic<int64_t> mNow;
    const ClockSource* mPrevious = nullptr;
};

}  // namespace osal
