#include "engine/MySocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "osal/LLog.h"
#include "vrio/osal.h"

namespace {

// Recv: poll every 5 ms and call an idle socket empty after 400 ms, so a reader notices a quiet
// peer quickly without burning a core.
constexpr int kRecvPollMs = 5;
constexpr int kRecvIdleMs = 400;
// Accept: a peer is expected within two seconds; 50 ms steps keep the wait cheap.
constexpr int kAcceptPollMs = 50;
constexpr int kAcceptLimitMs = 2000;
// Connect: eleven readiness waits of 500 ms (about 5.6 s with the 10 ms pauses) before giving up.
constexpr int kConnectPolls = 11;
constexpr int kConnectWaitMs = 500;
constexpr int kConnectPauseMs = 10;
// Send: a full send buffer is retried every 5 ms; a send that moved nothing pauses 10 ms.
constexpr int kSendRetryMs = 5;
constexpr int kSendZeroPauseMs = 10;
// Send gives up when not one byte could be sent for ten seconds: such a peer has stopped reading,
// and waiting longer would only hang the caller.
constexpr int kSendStallLimitMs = 10000;

// A poll loop ends at its time limit by the library clock, or after as many polls as the limit
// allows at its step, whichever comes first; a clock that does not move cannot keep it running.
class PollBudget {
public:
    PollBudget(int limit_ms, int step_ms)
        : mStart(osal_get_time_ms()), mLimitMs(limit_ms), mMaxPolls(limit_ms / step_ms) {}
    bool Exhausted() {
        ++mPolls;
        return osal_get_time_ms() - mStart >= mLimitMs || mPolls > mMaxPolls;
    }
    void Restart() {
        mStart = osal_get_time_ms();
        mPolls = 0;
    }

private:
    int64_t mStart;
    int64_t mLimitMs;
    int mMaxPolls;
    int mPolls = 0;
};

bool WouldBlock(int err) { return err == EAGAIN || err == EWOULDBLOCK; }

bool SetNonBlocking(int fd) {
    int flags = fcntl(fd, F_GETFL, 0);
    return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

bool SetIntOption(int fd, int level, int name, int value) {
    return setsockopt(fd, level, name, &value, sizeof(value)) == 0;
}

}  // namespace

MySocket::MySocket(bool need_close, bool stream) : mNeedClose(need_close), mStream(stream) {}

MySocket::~MySocket() = default;

int MySocket::Create(int fd, int family) {
    if (mFd != -1) Close();  // a record that owns its descriptor must not leak it
    if (fd != -1) {
        VLOGI("MySocket: use last socket fd %d", fd);
        mFd = fd;
        mAdopted = true;
        return 0;
    }
    mAdopted = false;
    int s = socket(family, (mStream ? SOCK_STREAM : SOCK_DGRAM) | SOCK_CLOEXEC, 0);
    if (s < 0) {
        VLOGE("MySocket: socket(family %d) failed, errno %d", family, errno);
        mFd = -1;
        return -1;
    }
    bool ok = SetNonBlocking(s);
    if (ok && mStream) {
        ok = SetIntOption(s, SOL_SOCKET, SO_REUSEADDR, 1) &&
             (!mNoDelay || SetIntOption(s, IPPROTO_TCP, TCP_NODELAY, 1));
    }
    if (!ok) {
        VLOGE("MySocket: setting up fd %d failed, errno %d", s, errno);
        close(s);
        mFd = -1;
        return -1;
    }
    mFd = s;
    VLOGI("MySocket: create new socket fd = %d", mFd);
    return 0;
}

void MySocket::Close() {
    VLOGI("%s need_close:%s, skt:%d", __func__, mNeedClose ? "T" : "F", mFd);
    if (mNeedClose) CloseNow();
}

void MySocket::CloseNow() {
    if (mFd != -1) close(mFd);
    mFd = -1;
    mAdopted = false;
}

int MySocket::Bind(int port, bool loopback) {
    if (mFd == -1 || port < 0 || port > 65535) return -1;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(loopback ? INADDR_LOOPBACK : INADDR_ANY);
    mAddr = addr;
    if (bind(mFd, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) != 0) {
        VLOGE("MySocket: bind fd %d port %d failed, errno %d", mFd, port, errno);
        return -1;
    }
    return 0;
}

int MySocket::Listen() {
    // A large backlog: bursts of connecting peers queue in the kernel instead of being refused.
    constexpr int kBacklog = 1000;
    if (mFd == -1 || !mStream) return -1;
    if (listen(mFd, kBacklog) != 0) {
        VLOGE("MySocket: listen fd %d failed, errno %d", mFd, errno);
        return -1;
    }
    return 0;
}

int MySocket::Accept(MySocket& out) {
    if (mFd == -1 || !mStream || &out == this) return -1;
    PollBudget budget(kAcceptLimitMs, kAcceptPollMs);
    for (;;) {
        sockaddr_in peer{};
        socklen_t len = sizeof(peer);
        int s = accept4(mFd, reinterpret_cast<sockaddr*>(&peer), &len, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (s >= 0) {
            if (out.mNoDelay && !SetIntOption(s, IPPROTO_TCP, TCP_NODELAY, 1)) {
                VLOGE("MySocket: no-delay on accepted fd %d failed, errno %d", s, errno);
                close(s);
                return -1;
            }
            if (out.mFd != -1) out.Close();
            out.mFd = s;
            out.mStream = true;
            out.mAdopted = false;
            out.mAddr = peer;
            return 0;
        }
        int err = errno;
        // A peer that gave up before being accepted, or a signal: just try again.
        if (err == EINTR || err == ECONNABORTED) continue;
        if (!WouldBlock(err)) {
            VLOGE("MySocket: accept on fd %d failed, errno %d", mFd, err);
            return -1;
        }
        if (budget.Exhausted()) return -1;
        osal_sleep_ms(kAcceptPollMs);
    }
}

int MySocket::Connect(const char* ip, int port) {
    if (mFd == -1 || ip == nullptr || port < 0 || port > 65535) return -1;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    if (inet_pton(AF_INET, ip, &addr.sin_addr) != 1) {
        VLOGE("MySocket: bad IPv4 address %s", ip);
        return -1;
    }
    mAddr = addr;
    if (connect(mFd, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) == 0) return 0;
    if (errno != EINPROGRESS && errno != EINTR) {
        VLOGE("MySocket: connect fd %d to %s:%d failed, errno %d", mFd, ip, port, errno);
        return -1;
    }
    for (int i = 0; i < kConnectPolls; ++i) {
        pollfd p{mFd, POLLOUT, 0};
        int r = poll(&p, 1, kConnectWaitMs);
        if (r > 0) {
            int pending = 0;
            socklen_t len = sizeof(pending);
            if (getsockopt(mFd, SOL_SOCKET, SO_ERROR, &pending, &len) != 0) return -1;
            return pending;
        }
        if (r < 0 && errno != EINTR) return -1;
        osal_sleep_ms(kConnectPauseMs);
    }
    VLOGE("MySocket: connect fd %d to %s:%d timed out", mFd, ip, port);
    return -1;
}

int MySocket::Send(const void* data, int n) {
    if (mFd == -1 || n < 0 || (data == nullptr && n > 0)) return -1;
    const char* p = static_cast<const char*>(data);
    int sent = 0;
    PollBudget stall(kSendStallLimitMs, kSendRetryMs);
    while (sent < n) {
        ssize_t r = send(mFd, p + sent, static_cast<size_t>(n - sent), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (r > 0) {
            sent += static_cast<int>(r);
            stall.Restart();
            continue;
        }
        int pause = kSendZeroPauseMs;
        if (r < 0) {
            int err = errno;
            if (err == EINTR) continue;
            if (!WouldBlock(err)) {
                VLOGE("MySocket: send on fd %d failed, errno %d", mFd, err);
                return -1;
            }
            pause = kSendRetryMs;
        }
        if (stall.Exhausted()) {
            VLOGE("MySocket: send on fd %d stalled, %d of %d bytes sent", mFd, sent, n);
            return -1;
        }
        osal_sleep_ms(pause);
    }
    return n;
}

int MySocket::PollRecv(void* buf, int size, int flags, int timeout_ms) {
    if (mFd == -1 || buf == nullptr || size <= 0) return -1;
    PollBudget budget(timeout_ms < 0 ? 0 : timeout_ms, kRecvPollMs);
    for (;;) {
        ssize_t r = recv(mFd, buf, static_cast<size_t>(size), flags | MSG_DONTWAIT);
        if (r > 0) return static_cast<int>(r);
        if (r == 0) return -1;  // orderly close (or an empty datagram): nothing to hand over
        int err = errno;
        if (err == EINTR) continue;
        if (!WouldBlock(err)) return -1;
        if (timeout_ms >= 0 && budget.Exhausted()) return 0;
        osal_sleep_ms(kRecvPollMs);
    }
}

int MySocket::Recv(void* buf, int size) {
    if (!mStream) return -1;
    return PollRecv(buf, size, 0, kRecvIdleMs);
}

int MySocket::Peek(void* buf, int size) { return PollRecv(buf, size, MSG_PEEK, -1); }

int MySocket::Peek(void* buf, int size, int timeout_ms) {
    return PollRecv(buf, size, MSG_PEEK, timeout_ms < 0 ? 0 : timeout_ms);
}

int MySocket::SendTo(const sockaddr_in* to, const void* data, int len) {
    if (mStream || mFd == -1 || to == nullptr || len < 0 || (data == nullptr && len > 0)) return -1;
    return static_cast<int>(sendto(mFd, data, static_cast<size_t>(len), MSG_NOSIGNAL,
                                   reinterpret_cast<const sockaddr*>(to), sizeof(sockaddr_in)));
}

int MySocket::SendTo(const sockaddr_storage* to, const void* data, int len) {
    if (mStream || mFd == -1 || to == nullptr || len < 0 || (data == nullptr && len > 0)) return -1;
    socklen_t addr_len = to->ss_family == AF_INET ? sizeof(sockaddr_in) : sizeof(sockaddr_in6);
    return static_cast<int>(sendto(mFd, data, static_cast<size_t>(len), MSG_NOSIGNAL,
                                   reinterpret_cast<const sockaddr*>(to), addr_len));
}

int MySocket::RecvFrom(sockaddr_in* from, void* buf, int size) {
    if (mStream || mFd == -1 || buf == nullptr || size <= 0) return -1;
    socklen_t len = sizeof(sockaddr_in);
    return static_cast<int>(recvfrom(mFd, buf, static_cast<size_t>(size), MSG_DONTWAIT,
                                     reinterpret_cast<sockaddr*>(from), from ? &len : nullptr));
}

int MySocket::RecvFrom(sockaddr_storage* from, void* buf, int size) {
    if (mStream || mFd == -1 || buf == nullptr || size <= 0) return -1;
    socklen_t len = sizeof(sockaddr_storage);
    return static_cast<int>(recvfrom(mFd, buf, static_cast<size_t>(size), MSG_DONTWAIT,
                                     reinterpret_cast<sockaddr*>(from), from ? &len : nullptr));
}

int MySocket::GetLocalPort() const {
    if (mFd == -1) return -1;
    sockaddr_storage addr{};
    socklen_t len = sizeof(addr);
    if (getsockname(mFd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) return -1;
    if (addr.ss_family == AF_INET) return ntohs(reinterpret_cast<const sockaddr_in*>(&addr)->sin_port);
    if (addr.ss_family == AF_INET6) return ntohs(reinterpret_cast<const sockaddr_in6*>(&addr)->sin6_port);
    return -1;
}
