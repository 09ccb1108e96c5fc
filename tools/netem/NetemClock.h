// The wall-clock front end of the link emulator: the core takes time as an argument; a real-time
// user (the edge) reads it here and sleeps until the next release.
#pragma once

#include <cstdint>

namespace zrtc {
namespace netem {

// Microseconds on the library clock (osal_get_time_ms, so a test clock substitutes it).
int64_t WallClockUs();

// How long a poll may wait from `nowUs` for a release due at `nextUs`: whole milliseconds rounded
// up (waking early would only spin), 0 when already due, at most `maxMs` (also when nothing is due,
// NetemLink::kNever).
int PollTimeoutMs(int64_t nextUs, int64_t nowUs, int maxMs);

}  // namespace netem
}  // namespace zrtc
