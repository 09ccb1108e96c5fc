#include "netem/GilbertElliott.h"

namespace zrtc {
namespace netem {

void GilbertElliott::Configure(const BurstSpec& profile) {
    mSpec = profile;
    if (!profile.enabled) mBad = false;
}

bool GilbertElliott::NextLost(NetemRandom& random) {
    if (!mSpec.enabled) return false;
    const bool lost = random.Chance(mBad ? mSpec.hPpb : mSpec.kPpb);
    mBad = mBad ? !random.Chance(mSpec.rPpb) : random.Chance(mSpec.pPpb);
    return lost;
}

}  // namespace netem
}  // namespace zrtc
