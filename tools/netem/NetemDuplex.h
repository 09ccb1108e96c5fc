// Both directions between the edge and one client.
#pragma once

#include <cstdint>
#include <string>

#include "netem/LinkProfile.h"
#include "netem/NetemLink.h"

namespace zrtc {
namespace netem {

enum class Direction { kUp, kDown };  // up: client to edge; down: edge to client

// Two independent links; a shared seed gives them different streams (2*stream and 2*stream+1).
// Thread safety: after construction it holds no state of its own; each direction is a NetemLink,
// callable from any thread, so the edge may drive each direction from its own socket thread.
class NetemDuplex {
public:
    explicit NetemDuplex(const DuplexProfile& profile = DuplexProfile(), uint64_t stream = 0);

    void Configure(const DuplexProfile& profile, int64_t nowUs);
    DuplexProfile Profile() const;

    NetemLink& Link(Direction direction) { return direction == Direction::kUp ? mUp : mDown; }
    NetemLink& Up() { return mUp; }
    NetemLink& Down() { return mDown; }

    // {"up":{...},"down":{...}}
    std::string StatsJson() const;
    // "up: <one line> | down: <one line>"
    std::string StatsLine() const;

private:
    NetemLink mUp;
    NetemLink mDown;
};

}  // namespace netem
}  // namespace zrtc
