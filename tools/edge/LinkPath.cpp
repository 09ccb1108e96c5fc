#include "LinkPath.h"

#include <cstdint>
#include <limits>

namespace zrtc {
namespace edge {

void DirectPath::Push(Bytes datagram, int64_t /*nowUs*/) {
    ++mPackets;
    mBytes += datagram.size();
    mHeld.push_back(std::move(datagram));
}

void DirectPath::Release(int64_t /*nowUs*/, std::vector<Bytes>* out) {
    for (Bytes& d : mHeld) out->push_back(std::move(d));
    mHeld.clear();
}

int64_t DirectPath::NextReleaseUs() const {
    return mHeld.empty() ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
}

std::string DirectPath::StatsLine() const {
    return "direct packets=" + std::to_string(mPackets) + " bytes=" + std::to_string(mBytes);
}

std::string DirectPath::StatsJson() const {
    return "{\"emulated\":false,\"packets\":" + std::to_string(mPackets) + ",\"bytes\":" + std::to_string(mBytes) + "}";
}

}  // namespace edge
}  // namespace zrtc
