// Test helper: the server end of the signalling dialogue on loopback, one plain UDP socket, and
// datagrams built the way a server builds them.
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "signalling/RtcpAppMsg.h"
#include "signalling/TLV.h"

namespace sigchannel_test {

// Thread safety: none; used by the test thread only.
class ScriptedServer {
public:
    // Binds 127.0.0.1 (or ::1 with `ipv6`) on a free port.
    explicit ScriptedServer(bool ipv6 = false);
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    bool Ok() const { return mFd != -1; }
    int Port() const { return mPort; }
    // The next datagram within `timeout_ms` of real time; false when none came. Remembers the
    // sender for Reply.
    bool Receive(std::vector<uint8_t>* out, int timeout_ms);
    // Sends to the last sender, or to 127.0.0.1:`port` when given.
    bool Reply(const std::vector<uint8_t>& datagram);
    bool SendToPort(int port, const std::vector<uint8_t>& datagram);
    // The port the last datagram came from (0 before any).
    int PeerPort() const;

private:
    int mFd = -1;
    int mPort = 0;
    sockaddr_storage mPeer{};
    socklen_t mPeerLen = 0;
};

// Message header and entries from `body` in an APP packet of the server's SSRC.
std::vector<uint8_t> ServerDatagram(dive::DiveRtcpAppSubType type, uint8_t kind, uint16_t msgId,
                                    const std::function<void(dive::TLVWriter*)>& body = nullptr);
// A result list {tag 1 code, tag 2 reason}, and with a trace id (tag 6).
std::function<void(dive::TLVWriter*)> ResultBody(uint16_t code, const std::string& reason = "",
                                                 const std::string& traceId = "");

// The fields of a signalling datagram the channel sent.
struct SentMessage {
    bool ok = false;
    uint8_t type = 0;
    uint8_t kind = 0;
    uint16_t msgId = 0;
    uint16_t resultCode = 0;  // tag 1 when present
};
SentMessage Decode(const std::vector<uint8_t>& datagram);

// An open non-blocking UDP socket bound to 127.0.0.1 on a free port (-1 on failure), and its port.
int BoundClientSocket(int* port);

}  // namespace sigchannel_test
