// The edge's session fed with client datagrams: catalogue checks, request handling, answers.
// Input: datagrams, each preceded by a 2-byte big-endian length; time moves 30 ms per datagram.
#include <cstddef>
#include <cstdint>

#include "EdgeLog.h"
#include "EdgeSession.h"

namespace {

class NullChannel : public zrtc::edge::ClientChannel {
public:
    void SendToClient(const uint8_t*, size_t) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    zrtc::edge::SetEdgeLogQuiet(true);
    static zrtc::edge::StreamCatalogue* catalogue = [] {
        auto* c = new zrtc::edge::StreamCatalogue();
        std::string error;
        c->Add("live=opus+h264", &error);
        c->Add("cam=aac+hevc@1280x720", &error);
        return c;
    }();
    NullChannel channel;
    zrtc::edge::SessionSwitches switches;
    switches.tempFirst = size % 2 == 1;  // both paths
    int64_t now = 1000;
    zrtc::edge::EdgeSession session("127.0.0.1:1", 1, catalogue, zrtc::edge::SessionConfig(), switches, &channel,
                                    nullptr, now);
    session.SendStop(1, "x", now);
    size_t pos = 0;
    while (pos + 2 <= size) {
        const size_t len = (size_t{data[pos]} << 8) | data[pos + 1];
        pos += 2;
        const size_t take = len < size - pos ? len : size - pos;
        session.OnDatagram(data + pos, take, now);
        pos += take;
        now += 30;
        session.Poll(now);
    }
    return 0;
}
