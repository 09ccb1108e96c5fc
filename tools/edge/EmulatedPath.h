// A link path through the link emulator: loss, delay, jitter, rate limit and the rest, as its
// description text says.
#pragma once

#include <memory>
#include <string>

#include "LinkPath.h"
#include "netem/NetemLink.h"

namespace zrtc {
namespace edge {

// Thread safety: none needed beyond the link's own; owned by one session.
class EmulatedPath : public LinkPath {
public:
    // `stream` tells apart links that share a seed (each session and direction has its own).
    EmulatedPath(const netem::LinkProfile& profile, uint64_t stream) : mLink(profile, stream) {}

    void Push(Bytes datagram, int64_t nowUs) override;
    void Release(int64_t nowUs, std::vector<Bytes>* out) override;
    int64_t NextReleaseUs() const override;
    bool Reconfigure(const std::string& text, int64_t nowUs, std::string* error) override;
    std::string StatsLine() const override;
    std::string StatsJson() const override;

private:
    netem::NetemLink mLink;
};

}  // namespace edge
}  // namespace zrtc
