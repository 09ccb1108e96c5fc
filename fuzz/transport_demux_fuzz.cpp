// Arbitrary datagrams through the transport's demultiplexer: SSRC location, delivery, the early
// cache, and SSRC filters changed from the input itself.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/EngineServiceContext.h"
#include "engine/MCdnTransport.h"

namespace {

class FuzzContext : public zeqmcdn::EngineServiceContext {
public:
    FuzzContext() : EngineServiceContext("fuzz") {}
    ~FuzzContext() override { ShutdownMessageThread(); }
    void NotifyUnlock() override {}
};

class CountingListener : public zeqmcdn::ZeqMediaCdnListener {
public:
    void OnMessage(const zeqmcdn::MsgParam*) override {}
    void OnRtpRtcpPacket(const uint8_t* data, int len) override {
        if (len < 12 || !data) __builtin_trap();  // only whole headers are delivered
        bytes += static_cast<size_t>(len);
    }
    size_t bytes = 0;
};

}  // namespace

// Input: a sequence of records {op (1 byte), length (1 byte), payload}. op even: a datagram;
// op odd: the payload's first 4 bytes become an SSRC filter for user (op >> 1) & 3.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzContext* ctx = new FuzzContext();  // one message thread for the whole run
    zeqmcdn::MCdnTransport transport(ctx);
    CountingListener listeners[4];
    for (uint32_t uid = 0; uid < 4; ++uid) transport.RegisterReceiver(uid + 1, "zrtc://fuzz/s", &listeners[uid]);
    size_t at = 0;
    while (at + 2 <= size) {
        const uint8_t op = data[at];
        size_t len = data[at + 1];
        at += 2;
        if (len > size - at) len = size - at;
        const uint8_t* payload = data + at;
        at += len;
        if (op & 1) {
            uint32_t ssrc = 0;
            if (len >= 4) std::memcpy(&ssrc, payload, 4);
            transport.SetSsrcFilter(((op >> 1) & 3) + 1, len >= 4 ? &ssrc : nullptr, len >= 4 ? 1 : 0);
        } else {
            transport.OnRtpRtcpPacket(payload, static_cast<int>(len));
        }
    }
    for (uint32_t uid = 0; uid < 4; ++uid) transport.DeregisterReceiver(uid + 1);
    return 0;
}
