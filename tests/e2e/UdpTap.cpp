#include "UdpTap.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace e2e {

namespace {

constexpr size_t kEnvelope = 16;  // RTCP header, SSRC, name, message header
constexpr int kPollSliceMs = 20;  // how soon the relay notices it should end

sockaddr_in Loopback(uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    return a;
}

int BoundSocket() {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    sockaddr_in a = Loopback(0);
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof(a)) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

std::vector<uint8_t> TapDatagram::Body() const {
    if (bytes.size() <= kEnvelope) return {};
    return std::vector<uint8_t>(bytes.begin() + kEnvelope, bytes.end());
}

bool FindTlv(const std::vector<uint8_t>& list, uint8_t tag, std::vector<uint8_t>* value) {
    size_t at = 0;
    while (at + 3 <= list.size()) {
        const size_t len = static_cast<size_t>(list[at + 1]) << 8 | list[at + 2];
        if (at + 3 + len > list.size()) return false;
        if (list[at] == tag) {
            value->assign(list.begin() + static_cast<std::ptrdiff_t>(at + 3),
                          list.begin() + static_cast<std::ptrdiff_t>(at + 3 + len));
            return true;
        }
        at += 3 + len;
    }
    return false;
}

std::string TlvText(const std::vector<uint8_t>& list, uint8_t tag) {
    std::vector<uint8_t> v;
    return FindTlv(list, tag, &v) ? std::string(v.begin(), v.end()) : std::string();
}

UdpTap::UdpTap(uint16_t edgePort) : mEdgePort(edgePort) {
    mListenFd = BoundSocket();
    if (mListenFd < 0) return;
    sockaddr_in a{};
    socklen_t len = sizeof(a);
    getsockname(mListenFd, reinterpret_cast<sockaddr*>(&a), &len);
    if (osal_thread_create(&mThread, &UdpTap::Run, this) != 0) return;
    mPort = ntohs(a.sin_port);
}

UdpTap::~UdpTap() {
    mQuit = true;
    if (mThread.handle) osal_thread_join(mThread.handle, nullptr);
    for (const auto& kv : mUpstream) close(kv.second);
    if (mListenFd >= 0) close(mListenFd);
}

void* UdpTap::Run(void* self) {
    osal_thread_set_name("E2eUdpTap");
    static_cast<UdpTap*>(self)->Loop();
    return nullptr;
}

void UdpTap::Loop() {
    uint8_t buf[65536];
    while (!mQuit) {
        std::vector<pollfd> fds{{mListenFd, POLLIN, 0}};
        std::vector<uint16_t> ports{0};
        for (const auto& kv : mUpstream) {
            fds.push_back({kv.second, POLLIN, 0});
            ports.push_back(kv.first);
        }
        if (poll(fds.data(), fds.size(), kPollSliceMs) <= 0) continue;
        if (fds[0].revents & POLLIN) {
            for (;;) {
                sockaddr_in from{};
                socklen_t fromLen = sizeof(from);
                const ssize_t n =
                    recvfrom(mListenFd, buf, sizeof(buf), 0, reinterpret_cast<sockaddr*>(&from), &fromLen);
                if (n < 0) break;
                const uint16_t clientPort = ntohs(from.sin_port);
                int& up = mUpstream[clientPort];
                if (up == 0) up = BoundSocket();
                Note(buf, static_cast<size_t>(n), true, clientPort);
                const sockaddr_in edge = Loopback(mEdgePort);
                if (up >= 0)
                    sendto(up, buf, static_cast<size_t>(n), 0, reinterpret_cast<const sockaddr*>(&edge), sizeof(edge));
            }
        }
        for (size_t i = 1; i < fds.size(); ++i) {
            if (!(fds[i].revents & POLLIN)) continue;
            for (;;) {
                const ssize_t n = recv(fds[i].fd, buf, sizeof(buf), 0);
                if (n < 0) break;
                Note(buf, static_cast<size_t>(n), false, ports[i]);
                const sockaddr_in client = Loopback(ports[i]);
                sendto(mListenFd, buf, static_cast<size_t>(n), 0, reinterpret_cast<const sockaddr*>(&client),
                       sizeof(client));
            }
        }
    }
}

void UdpTap::Note(const uint8_t* data, size_t len, bool up, uint16_t clientPort) {
    TapDatagram d;
    d.atMs = osal_get_time_ms();
    d.up = up;
    d.clientPort = clientPort;
    d.bytes.assign(data, data + len);
    if (len >= 2) d.type = data[0] & 0x1F;
    // A mobility notice is recognised by its sub type alone; other signalling is an APP packet.
    d.signalling = len >= kEnvelope && data[1] == 204;
    if (d.signalling) {
        d.kind = data[13] & 0x0F;
        d.msgId = data[14] << 8 | data[15];
    } else if (d.type == 13) {
        d.signalling = true;
    }
    std::lock_guard<std::mutex> guard(mLock);
    mRecord.push_back(std::move(d));
}

std::vector<TapDatagram> UdpTap::Datagrams() const {
    std::lock_guard<std::mutex> guard(mLock);
    return mRecord;
}

std::vector<TapDatagram> UdpTap::Messages(int type, int kind, bool up) const {
    std::vector<TapDatagram> out;
    std::lock_guard<std::mutex> guard(mLock);
    for (const TapDatagram& d : mRecord)
        if (d.signalling && d.type == type && d.kind == kind && d.up == up) out.push_back(d);
    return out;
}

bool UdpTap::WaitMessages(int type, int kind, bool up, size_t count, int timeoutMs) const {
    const int64_t end = osal_get_time_ms() + timeoutMs;
    for (;;) {
        if (Messages(type, kind, up).size() >= count) return true;
        if (osal_get_time_ms() >= end) return false;
        osal_sleep_ms(10);
    }
}

}  // namespace e2e
