// Shared pieces of the signalling tests: a recording handler, records filled in every field, and
// datagrams built the way a server builds them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "signalling/DiveRtcpApp.h"
#include "signalling/MediaParams.h"
#include "signalling/MessageBodies.h"
#include "signalling/TLV.h"

namespace dive {
namespace test {

constexpr uint32_t kClientSsrc = 0x11223344;
constexpr uint32_t kServerSsrc = 0xA1B2C3D4;

enum class Callback { kRequest, kFinal, kTemp, kMobility };

// Records every callback; `inspect` runs inside the callback, while the body is alive.
class RecordingHandler : public DiveRtcpAppInterface::DiveRtcpAppHandlerInterface {
public:
    struct Call {
        Callback callback;
        RtcpAppMsgHeader header;
    };

    void OnRequest(RtcpAppMsg& msg) override { Record(Callback::kRequest, msg); }
    void OnFinalResponse(RtcpAppMsg& msg) override { Record(Callback::kFinal, msg); }
    void OnTempResponse(RtcpAppMsg& msg) override { Record(Callback::kTemp, msg); }
    void OnMobility() override { calls.push_back({Callback::kMobility, {}}); }

    std::vector<Call> calls;
    std::function<void(RtcpAppMsg&)> inspect;

private:
    void Record(Callback cb, RtcpAppMsg& msg);
};

DiveBuffer Text(const std::string& s);
// A byte string with `len` bytes counting up from `first`.
DiveBuffer Bytes(size_t len, uint8_t first = 1);

// Every field of each track set, each kept by the presence rules: Opus and AAC audio with FEC, RTX
// and RED in use; H.264 and HEVC video (with VPS). `withCommon` also fills the common parameters.
RtcpAppMiniSDP FullMiniSdp(bool withCommon);
// The common parameters a Subscribe offers.
RtcpAppMediaParamCommon SubscribeCommon();

// One datagram as the server builds it: message header, entries from `body`, APP packet.
std::vector<uint8_t> ServerDatagram(DiveRtcpAppSubType type, uint8_t kind, uint16_t msgId,
                                    const std::function<void(TLVWriter*)>& body);

std::string Hex(const uint8_t* data, size_t len);
inline std::string Hex(const std::vector<uint8_t>& v) { return Hex(v.data(), v.size()); }

}  // namespace test
}  // namespace dive
