#include "EmulatedPath.h"

#include <limits>

#include "SessionStats.h"
#include "netem/LinkProfileText.h"

namespace zrtc {
namespace edge {

void EmulatedPath::Push(Bytes datagram, int64_t nowUs) {
    netem::NetemPacket packet;
    packet.data = std::move(datagram);
    mLink.Push(std::move(packet), nowUs);  // a lost packet is counted by the link
}

void EmulatedPath::Release(int64_t nowUs, std::vector<Bytes>* out) {
    std::vector<netem::NetemPacket> ready;
    mLink.PopReady(nowUs, &ready);
    for (netem::NetemPacket& p : ready) out->push_back(std::move(p.data));
}

int64_t EmulatedPath::NextReleaseUs() const {
    const int64_t next = mLink.NextReleaseTime();
    return next == netem::NetemLink::kNever ? std::numeric_limits<int64_t>::max() : next;
}

bool EmulatedPath::Reconfigure(const std::string& text, int64_t nowUs, std::string* error) {
    netem::LinkProfile profile = mLink.Profile();
    if (!netem::ParseLinkProfile(text, &profile, error)) return false;
    mLink.Configure(profile, nowUs);
    return true;
}

std::string EmulatedPath::StatsLine() const { return mLink.Stats().ToString(); }

std::string EmulatedPath::StatsJson() const {
    return "{\"emulated\":true,\"profile\":\"" + JsonEscape(netem::FormatLinkProfile(mLink.Profile())) + "\",\"stats\":" +
           mLink.Stats().ToJson() + "}";
}

}  // namespace edge
}  // namespace zrtc
