#include "netem/NetemDuplex.h"

namespace zrtc {
namespace netem {

NetemDuplex::NetemDuplex(const DuplexProfile& profile, uint64_t stream)
    : mUp(profile.up, 2 * stream), mDown(profile.down, 2 * stream + 1) {}

void NetemDuplex::Configure(const DuplexProfile& profile, int64_t nowUs) {
    mUp.Configure(profile.up, nowUs);
    mDown.Configure(profile.down, nowUs);
}

DuplexProfile NetemDuplex::Profile() const { return DuplexProfile{mUp.Profile(), mDown.Profile()}; }

std::string NetemDuplex::StatsJson() const {
    return "{\"up\":" + mUp.Stats().ToJson() + ",\"down\":" + mDown.Stats().ToJson() + "}";
}

std::string NetemDuplex::StatsLine() const {
    return "up: " + mUp.Stats().ToString() + " | down: " + mDown.Stats().ToString();
}

}  // namespace netem
}  // namespace zrtc
