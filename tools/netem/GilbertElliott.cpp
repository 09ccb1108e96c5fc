#include "netem/GilbertElliott.h"

namespace zrtc {
namespace netem {

void GilbertElliott::Configure(const BurstProfile& profile) {
    mProfile = profile;
    if (!profile.enabled) mBad = false;
}

bool GilbertElliott::NextLost(NetemRandom& random) {
    if (!mProfile.enabled) return false;
    const bool lost = random.Chance(mBad ? mProfile.hPpb : mProfile.kPpb);
    mBad = mBad ? !random.Chance(mProfile.rPpb) : random.Chance(mProfile.pPpb);
    return lost;
}

}  // namespace netem
}  // namespace zrtc
