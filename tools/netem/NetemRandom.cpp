#include "netem/NetemRandom.h"

namespace zrtc {
namespace netem {

namespace {

std::mt19937_64 MakeEngine(uint64_t seed, uint64_t stream, uint32_t effect) {
    std::seed_seq sequence{static_cast<uint32_t>(seed), static_cast<uint32_t>(seed >> 32),
                           static_cast<uint32_t>(stream), static_cast<uint32_t>(stream >> 32), effect};
    return std::mt19937_64(sequence);
}

}  // namespace

NetemRandom::NetemRandom(uint64_t seed, uint64_t stream, uint32_t effect) : mEngine(MakeEngine(seed, stream, effect)) {}

bool NetemRandom::Chance(uint32_t ppb) {
    // The modulo bias is below 1e9 / 2^64 ~ 5e-11: far under any tolerance a run can measure.
    return mEngine() % 1000000000u < ppb;
}

double NetemRandom::Uniform() { return static_cast<double>(mEngine() >> 11) * (1.0 / 9007199254740992.0); }

double NetemRandom::Normal() {
    double sum = 0;
    for (int i = 0; i < 12; ++i) sum += Uniform();
    return sum - 6.0;
}

}  // namespace netem
}  // namespace zrtc
