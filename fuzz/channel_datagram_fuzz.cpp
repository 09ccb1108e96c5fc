// Arbitrary datagrams through the signalling channel's entry point, as the reader thread hands
// them over: classification, the codec, responses, acks, server requests and their answers. The
// channel is ready and addressed but has no socket, so answers are built, recorded and dropped.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "signalling/channel/SignallingRtcpApp.h"

namespace {

class Engine : public zeqmcdn::SignallingRtcpApp {
public:
    Engine() : SignallingRtcpApp(nullptr) {
        GetRtcpApp().RegisterHandler(this);
        SetServerIp("127.0.0.1");
        SetServerPort(9);
        SetSfuAddrFamily();
        SetReady(true);
    }
    ~Engine() override { GetRtcpApp().DeRegisterHandler(); }

    void OnConnectResult(const dive::RtcpAppMsg& m) override { Need(m); }
    void OnPublishResult(const dive::RtcpAppMsg& m) override { Need(m); }
    void OnSubscribeResult(const dive::RtcpAppMsg& m) override { Need(m); }
    void OnPublishUpdateResult(const dive::RtcpAppMsg& m) override { Need(m); }
    void OnSubscribeUpdateResult(const dive::RtcpAppMsg& m) override { Need(m); }
    void OnStopRequestResult(const dive::RtcpAppMsg& m) override { Need(m); }
    void OnDisconnectResult(const dive::RtcpAppMsg& m) override { Need(m); }
    void OnHeartbeatResult(const dive::RtcpAppMsg& m) override { Need(m); }
    void OnMediaControlNotify(const dive::RtcpAppRspMediaControl*) override { __builtin_trap(); }
    void OnNetInfoNotify(const dive::RtcpAppReqNotify* n) override {
        if (!n) __builtin_trap();
        mSink += n->data.Length();
    }
    void OnStreamStop(std::string url, int, const std::string& reason) override { mSink += url.size() + reason.size(); }
    void OnStreamDisconnect(std::string reason, int) override { mSink += reason.size(); }
    void OnRtcpAppError(int) override { __builtin_trap(); }
    void onTraceIDChanged(std::string command, std::string stage, std::string id) override {
        if (command.empty() || stage.empty()) __builtin_trap();
        mSink += id.size();
    }
    void OnWanIpPortSwitched() override { ++mSink; }
    void OnReceiveData(const uint8_t* data, size_t len) override {
        if (!data || len < 2) __builtin_trap();
        mSink += data[len - 1];
    }

private:
    void Need(const dive::RtcpAppMsg& m) {
        if (!m.body) __builtin_trap();
    }
    volatile size_t mSink = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Engine engine;
    // A copy of its own size, so any read past the datagram is caught; the reader cuts at 2048.
    const size_t len = size < zeqmcdn::SignallingRtcpApp::kMaxReceiveSize ? size : zeqmcdn::SignallingRtcpApp::kMaxReceiveSize;
    std::vector<uint8_t> datagram(data, data + len);
    engine.OnReadPacket(datagram.data(), datagram.size());
    engine.OnReadPacket(datagram.data(), datagram.size());  // a repeated copy takes the duplicate paths
    return 0;
}
