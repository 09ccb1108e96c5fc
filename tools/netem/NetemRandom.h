// One reproducible random stream of the link emulator.
#pragma once

#include <cstdint>
#include <random>

namespace zrtc {
namespace netem {

// A 64-bit Mersenne Twister seeded through std::seed_seq from (seed, stream, effect). Both are fully
// specified by the C++ standard, and every value below is built from the raw 64-bit outputs with
// integer and IEEE arithmetic only (no library distributions, no libm), so a seed gives the same
// numbers with any compiler or standard library.
// Thread safety: none; the owner serialises calls.
class NetemRandom {
public:
    NetemRandom(uint64_t seed, uint64_t stream, uint32_t effect);

    // True with probability ppb / 1e9. Always takes one draw, so a stream keeps its position
    // whatever the probability.
    bool Chance(uint32_t ppb);
    // Uniform on [0, 1) with 53 bits.
    double Uniform();
    // Approximately standard normal: the sum of 12 uniforms less 6 (mean 0, variance exactly 1,
    // bounded at +-6). Twelve draws.
    double Normal();

private:
    std::mt19937_64 mEngine;
};

}  // namespace netem
}  // namespace zrtc
