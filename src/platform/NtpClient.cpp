#include "platform/NtpClient.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace ZeqUtils {

namespace {

// Seconds from the NTP epoch (1900) to the Unix epoch (1970).
constexpr int64_t kNtpToUnixSeconds = 2208988800LL;
constexpr size_t kNtpPacketSize = 48;
// LI 0, version 3, mode 3 (client).
constexpr uint8_t kClientFirstByte = 0x1B;
constexpr uint8_t kModeServer = 4;
constexpr size_t kTransmitSecondsOffset = 40;

int64_t Fail(const char* step) {
    std::printf("%s\n", step);
    std::fflush(stdout);
    return -1;
}

class SocketCloser {
public:
    explicit SocketCloser(int fd) : mFd(fd) {}
    ~SocketCloser() { close(mFd); }
    SocketCloser(const SocketCloser&) = delete;
    SocketCloser& operator=(const SocketCloser&) = delete;

private:
    int mFd;
};

bool SetTimeout(int fd, int option, int ms) {
    timeval tv{};
    tv.tv_sec = ms / 1000;
    tv.tv_usec = (ms % 1000) * 1000;
    return setsockopt(fd, SOL_SOCKET, option, &tv, sizeof(tv)) == 0;
}

bool ResolveIpv4(const char* host, sockaddr_in* out) {
    if (!host || !*host) return false;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &found) != 0 || !found) return false;
    bool ok = false;
    for (const addrinfo* a = found; a; a = a->ai_next) {
        if (a->ai_family == AF_INET && a->ai_addrlen >= sizeof(sockaddr_in)) {
            std::memcpy(out, a->ai_addr, sizeof(sockaddr_in));
            ok = true;
            break;
        }
    }
    freeaddrinfo(found);
    return ok;
}

// Connects without blocking and waits at most `ms` for completion; the socket is blocking again
// afterwards so that the send and receive timeouts apply.
bool ConnectWithin(int fd, const sockaddr_in& to, int ms) {
    const int flags = fcntl(fd, F_GETFL, 0);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) return false;
    int rc = connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof(to));
    if (rc != 0 && errno == EINPROGRESS) {
        pollfd p{fd, POLLOUT, 0};
        do {
            rc = poll(&p, 1, ms);
        } while (rc < 0 && errno == EINTR);
        if (rc != 1) return false;
        int error = -1;
        socklen_t len = sizeof(error);
        if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) != 0 || error != 0) return false;
        rc = 0;
    }
    if (fcntl(fd, F_SETFL, flags) != 0) return false;
    return rc == 0;
}

uint32_t ReadBig32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

}  // namespace

std::vector<NtpServer> DefaultNtpServers() {
    return {{"0.pool.ntp.org", 123},      {"1.pool.ntp.org", 123},        {"2.pool.ntp.org", 123},
            {"3.pool.ntp.org", 123},      {"0.asia.pool.ntp.org", 123},   {"0.europe.pool.ntp.org", 123}};
}

int64_t GetNTPTime(const char* host, uint16_t port, int step_timeout_ms) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return Fail("Opening NTP socket error");
    SocketCloser closer(fd);
    if (!SetTimeout(fd, SO_SNDTIMEO, step_timeout_ms)) return Fail("Set send timeout error");
    if (!SetTimeout(fd, SO_RCVTIMEO, step_timeout_ms)) return Fail("Set recv timeout error");

    sockaddr_in server{};
    if (!ResolveIpv4(host, &server)) return Fail("Get NTP server host error");
    server.sin_port = htons(port);
    if (!ConnectWithin(fd, server, step_timeout_ms)) return Fail("NTP Connect server error");

    uint8_t packet[kNtpPacketSize] = {kClientFirstByte};
    ssize_t sent;
    do {
        sent = send(fd, packet, sizeof(packet), MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    if (sent != static_cast<ssize_t>(sizeof(packet))) return Fail("NTP Send packet error");

    uint8_t answer[kNtpPacketSize];
    ssize_t got;
    do {
        got = recv(fd, answer, sizeof(answer), 0);
    } while (got < 0 && errno == EINTR);
    if (got != static_cast<ssize_t>(sizeof(answer))) return Fail("NTP recv packet error");
    // Only a real server reply carries a time: mode 4, a stratum (0 is a kiss-of-death) and a
    // transmit time.
    const uint32_t seconds = ReadBig32(answer + kTransmitSecondsOffset);
    if ((answer[0] & 0x07) != kModeServer || answer[1] == 0 || seconds == 0) return Fail("NTP recv packet error");
    // Seconds with the top bit clear belong to the era that starts in 2036 (RFC 5905 section 6).
    const int64_t ntp_seconds = (seconds & 0x80000000u) ? int64_t{seconds} : int64_t{seconds} + (int64_t{1} << 32);
    return ntp_seconds - kNtpToUnixSeconds;
}

}  // namespace ZeqUtils
