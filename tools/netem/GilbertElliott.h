// Two-state burst loss (Gilbert-Elliott): the channel is Good or Bad and steps once per packet.
#pragma once

#include "netem/LinkProfile.h"
#include "netem/NetemRandom.h"

namespace zrtc {
namespace netem {

// With h = 1 and k = 0 every packet sent while Bad is lost and none other: the mean loss is
// p / (p + r) and a burst of losses lasts 1 / r packets on average.
// Thread safety: none; the owning link serialises calls.
class GilbertElliott {
public:
    // A new model or a disabled one starts Good; a change of parameters keeps the present state.
    void Configure(const BurstProfile& profile);
    // The fate of one packet: lost or not, decided in the present state, then one step. Two draws
    // from `random` whenever enabled.
    bool NextLost(NetemRandom& random);
    bool Bad() const { return mBad; }

private:
    BurstProfile mProfile;
    bool mBad = false;
};

}  // namespace netem
}  // namespace zrtc
