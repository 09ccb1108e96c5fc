#include "signalling/channel/test/ScriptedServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cstring>

#include "signalling/DiveRtcpAppPacket.h"

namespace sigchannel_test {

namespace {
constexpr uint32_t kServerSsrc = 0xA1B2C3D4;

int LocalPort(int fd) {
    sockaddr_storage a{};
    socklen_t len = sizeof(a);
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) return -1;
    if (a.ss_family == AF_INET6) return ntohs(reinterpret_cast<sockaddr_in6*>(&a)->sin6_port);
    return ntohs(reinterpret_cast<sockaddr_in*>(&a)->sin_port);
}
}  // namespace

ScriptedServer::ScriptedServer(bool ipv6) {
    mFd = socket(ipv6 ? AF_INET6 : AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (mFd < 0) return;
    sockaddr_storage a{};
    socklen_t len;
    if (ipv6) {
        auto* a6 = reinterpret_cast<sockaddr_in6*>(&a);
        a6->sin6_family = AF_INET6;
        a6->sin6_addr = in6addr_loopback;
        len = sizeof(sockaddr_in6);
    } else {
        auto* a4 = reinterpret_cast<sockaddr_in*>(&a);
        a4->sin_family = AF_INET;
        a4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        len = sizeof(sockaddr_in);
    }
    if (bind(mFd, reinterpret_cast<sockaddr*>(&a), len) != 0) {
        close(mFd);
        mFd = -1;
        return;
    }
    mPort = LocalPort(mFd);
}

ScriptedServer::~ScriptedServer() {
    if (mFd != -1) close(mFd);
}

bool ScriptedServer::Receive(std::vector<uint8_t>* out, int timeout_ms) {
    if (mFd == -1) return false;
    pollfd p{mFd, POLLIN, 0};
    if (poll(&p, 1, timeout_ms) != 1) return false;
    uint8_t buffer[4096];
    mPeerLen = sizeof(mPeer);
    const ssize_t n = recvfrom(mFd, buffer, sizeof(buffer), 0, reinterpret_cast<sockaddr*>(&mPeer), &mPeerLen);
    if (n < 0) return false;
    out->assign(buffer, buffer + n);
    return true;
}

bool ScriptedServer::Reply(const std::vector<uint8_t>& datagram) {
    if (mFd == -1 || mPeerLen == 0) return false;
    return sendto(mFd, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr*>(&mPeer), mPeerLen) ==
           static_cast<ssize_t>(datagram.size());
}

bool ScriptedServer::SendToPort(int port, const std::vector<uint8_t>& datagram) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return sendto(mFd, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof(to)) ==
           static_cast<ssize_t>(datagram.size());
}

std::vector<uint8_t> ServerDatagram(dive::DiveRtcpAppSubType type, uint8_t kind, uint16_t msgId,
                                    const std::function<void(dive::TLVWriter*)>& body) {
    dive::TLVWriter entries;
    dive::TLVHeader header;
    header.kind = kind;
    header.msgId = msgId;
    header.WriteHeader(&entries.Buffer());
    if (body) body(&entries);
    dive::DiveRtcpAppWriter writer(kServerSsrc);
    const dive::DiveBuffer* packet = writer.Write(type, entries.Buffer());
    return packet ? std::vector<uint8_t>(packet->Data(), packet->Data() + packet->Length()) : std::vector<uint8_t>();
}

std::function<void(dive::TLVWriter*)> ResultBody(uint16_t code, const std::string& reason,
                                                 const std::string& traceId) {
    return [=](dive::TLVWriter* w) {
        w->Write(1, code);
        w->Write(2, dive::DiveBuffer(reason));
        w->Write(6, dive::DiveBuffer(traceId));
    };
}

int ScriptedServer::PeerPort() const {
    if (mPeerLen == 0) return 0;
    if (mPeer.ss_family == AF_INET6) return ntohs(reinterpret_cast<const sockaddr_in6*>(&mPeer)->sin6_port);
    return ntohs(reinterpret_cast<const sockaddr_in*>(&mPeer)->sin_port);
}

SentMessage Decode(const std::vector<uint8_t>& datagram) {
    SentMessage m;
    dive::DiveRtcpAppReader packet;
    if (!packet.Read(datagram.data(), datagram.size())) return m;
    dive::TLVHeader header;
    if (!header.ReadHeader(packet.AppData(), packet.AppDataLength())) return m;
    m.ok = true;
    m.type = packet.SubType();
    m.kind = header.kind;
    m.msgId = header.msgId;
    dive::TLVReader list(packet.AppData() + dive::TLVHeader::kSize, packet.AppDataLength() - dive::TLVHeader::kSize);
    list.Read(1, &m.resultCode);
    return m;
}

int BoundClientSocket(int* port) {
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof(a)) != 0) {
        close(fd);
        return -1;
    }
    *port = LocalPort(fd);
    return fd;
}

}  // namespace sigchannel_test
