// Test helpers: a capture of what the edge sends (parsed with the client's own codec), a scripted
// UDP client that plays the library's side of the dialogue, and the edge run as a child process.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "signalling/DiveRtcpApp.h"
#include "signalling/MessageBodies.h"

namespace zrtc {
namespace edge {
namespace test {

// One message from the edge, copied out of the codec's callback.
struct Received {
    uint8_t type = 0;
    uint8_t kind = 0;  // 0 request, 1 final, 2 temporary; 13 for a mobility notice (type 13)
    uint16_t msgId = 0;
    uint16_t code = 0;
    std::string reason;
    std::string traceId;
    std::string cookie;
    std::string playConfig;
    std::string url;  // of a server Stop
    dive::RtcpAppMiniSDP sdp;
    std::vector<dive::RtcpAppMsidCmd> msidCmds;
    dive::RtcpAppReqNotify notify;
    int64_t atMs = 0;
};

// Parses datagrams from the edge with the client codec.
class Capture : public dive::DiveRtcpAppInterface::DiveRtcpAppHandlerInterface {
public:
    Capture() : mCodec(this, 0x11112222) {}
    // True when the codec recognised the datagram.
    bool Feed(const uint8_t* data, size_t len);
    std::vector<Received>& Messages() { return mMessages; }
    dive::DiveRtcpApp& Codec() { return mCodec; }

    void OnRequest(dive::RtcpAppMsg& msg) override;
    void OnFinalResponse(dive::RtcpAppMsg& msg) override;
    void OnTempResponse(dive::RtcpAppMsg& msg) override;
    void OnMobility() override;

private:
    dive::DiveRtcpApp mCodec;
    std::vector<Received> mMessages;
};

// Requests as the library writes them.
dive::RtcpAppReqConnect ConnectRequest(const std::string& url, const std::string& cookie);
dive::RtcpAppReqSubscribe SubscribeRequest(const std::string& url, const std::string& cookie, bool audio, bool video);
dive::RtcpAppReqPublish PublishRequest(const std::string& url, const std::string& cookie);
// Builds one datagram with the client codec.
std::vector<uint8_t> BuildClient(dive::DiveRtcpApp& codec, uint8_t type, uint8_t kind, uint16_t id, void* body);

class ScriptedClient {
public:
    explicit ScriptedClient(uint16_t edgePort, bool ipv6 = false);
    ~ScriptedClient();
    ScriptedClient(const ScriptedClient&) = delete;
    ScriptedClient& operator=(const ScriptedClient&) = delete;

    // "127.0.0.1:PORT" or "[::1]:PORT", as the edge names this client.
    std::string Peer() const;
    void Send(uint8_t type, uint8_t kind, uint16_t id, void* body);
    void SendRaw(const std::vector<uint8_t>& datagram);
    // Waits up to timeoutMs for a message matching `match` (earlier unmatched ones are kept).
    bool Wait(const std::function<bool(const Received&)>& match, int timeoutMs, Received* out);
    // Everything that arrives within forMs, then cleared.
    std::vector<Received> Collect(int forMs);

private:
    void ReceiveFor(int ms);

    int mFd = -1;
    bool mIpv6;
    uint16_t mEdgePort;
    Capture mCapture;
};

// Sends one control line and returns the reply ("" on time-out).
std::string Control(uint16_t port, const std::string& line);

// zrtc-edge as a child process; standard error goes to a file the test can read.
class EdgeProcess {
public:
    explicit EdgeProcess(const std::vector<std::string>& args);
    ~EdgeProcess();
    EdgeProcess(const EdgeProcess&) = delete;
    EdgeProcess& operator=(const EdgeProcess&) = delete;

    bool Started() const { return mPort != 0; }
    uint16_t Port() const { return mPort; }
    uint16_t ControlPort() const { return mControlPort; }
    // Asks it to end (SIGTERM) and waits; its exit status, or -1.
    int Stop();
    std::string Log() const;
    // Waits up to timeoutMs for a log line containing `text`.
    bool WaitLog(const std::string& text, int timeoutMs) const;

private:
    pid_t mPid = -1;
    int mOut = -1;
    std::string mLogPath;
    uint16_t mPort = 0;
    uint16_t mControlPort = 0;
};

}  // namespace test
}  // namespace edge
}  // namespace zrtc
