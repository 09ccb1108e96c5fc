// One direction of the path between the edge's socket and a session: the place where a link
// emulator sits. Datagrams go in with their arrival time and come out when the link releases them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "EdgeWire.h"

namespace zrtc {
namespace edge {

class LinkPath {
public:
    virtual ~LinkPath() = default;
    virtual void Push(Bytes datagram, int64_t nowUs) = 0;
    // Appends every datagram released by `nowUs`, in release order.
    virtual void Release(int64_t nowUs, std::vector<Bytes>* out) = 0;
    // When the next datagram is due; INT64_MAX when none is held.
    virtual int64_t NextReleaseUs() const = 0;
    // Applies a change of description text over the running settings; false when this path
    // cannot change (the caller then replaces it) or the text is bad (*error set).
    virtual bool Reconfigure(const std::string& text, int64_t nowUs, std::string* error) = 0;
    // One line of figures for the session summary.
    virtual std::string StatsLine() const = 0;
    virtual std::string StatsJson() const = 0;
};

// No emulation: every datagram passes at once.
// Thread safety: none; owned by one session.
class DirectPath : public LinkPath {
public:
    void Push(Bytes datagram, int64_t nowUs) override;
    void Release(int64_t nowUs, std::vector<Bytes>* out) override;
    int64_t NextReleaseUs() const override;
    bool Reconfigure(const std::string&, int64_t, std::string*) override { return false; }
    std::string StatsLine() const override;
    std::string StatsJson() const override;

private:
    std::vector<Bytes> mHeld;
    uint64_t mPackets = 0;
    uint64_t mBytes = 0;
};

}  // namespace edge
}  // namespace zrtc
