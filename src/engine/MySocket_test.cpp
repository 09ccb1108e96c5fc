// MySocket on real loopback sockets: UDP datagrams, TCP listen/accept/connect, the bounded polls.
#include "engine/MySocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/tcp.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "osal/TestClock.h"
#include "osal/Thread.h"
#include "vrio/osal.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

int64_t ElapsedMs(SteadyClock::time_point since) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - since).count();
}

bool FdIsOpen(int fd) { return fcntl(fd, F_GETFD) != -1; }

bool IsNonBlocking(int fd) { return (fcntl(fd, F_GETFL) & O_NONBLOCK) != 0; }

int IntOption(int fd, int level, int name) {
    int value = -1;
    socklen_t len = sizeof(value);
    getsockopt(fd, level, name, &value, &len);
    return value;
}

sockaddr_in Loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

// Every socket a test makes closes at the end of the test, also on a failed assertion.
class OwnedSocket : public MySocket {
public:
    explicit OwnedSocket(bool stream) : MySocket(true, stream) {}
    ~OwnedSocket() override { Close(); }
};

// A connected TCP pair on 127.0.0.1: client side and accepted side.
struct TcpPair {
    OwnedSocket listener{true};
    OwnedSocket client{true};
    OwnedSocket server{true};

    void Open() {
        ASSERT_EQ(listener.Create(-1, AF_INET), 0);
        ASSERT_EQ(listener.Bind(0, true), 0);
        ASSERT_EQ(listener.Listen(), 0);
        ASSERT_EQ(client.Create(-1, AF_INET), 0);
        ASSERT_EQ(client.Connect("127.0.0.1", listener.GetLocalPort()), 0);
        ASSERT_EQ(listener.Accept(server), 0);
    }
};

TEST(MySocketCreate, NewSocketsAreNonBlockingAndTcpGetsReuseAndNoDelay) {
    OwnedSocket udp(false);
    ASSERT_EQ(udp.Create(-1, AF_INET), 0);
    EXPECT_TRUE(udp.IsOpen());
    EXPECT_FALSE(udp.IsAdopted());
    EXPECT_TRUE(IsNonBlocking(udp.GetFd()));
    EXPECT_EQ(IntOption(udp.GetFd(), SOL_SOCKET, SO_TYPE), SOCK_DGRAM);

    OwnedSocket tcp(true);
    ASSERT_EQ(tcp.Create(-1, AF_INET), 0);
    EXPECT_TRUE(IsNonBlocking(tcp.GetFd()));
    EXPECT_EQ(IntOption(tcp.GetFd(), SOL_SOCKET, SO_TYPE), SOCK_STREAM);
    EXPECT_NE(IntOption(tcp.GetFd(), SOL_SOCKET, SO_REUSEADDR), 0);
    EXPECT_NE(IntOption(tcp.GetFd(), IPPROTO_TCP, TCP_NODELAY), 0);

    OwnedSocket plain(true);
    plain.SetNoDelay(false);
    ASSERT_EQ(plain.Create(-1, AF_INET6), 0);
    EXPECT_EQ(IntOption(plain.GetFd(), IPPROTO_TCP, TCP_NODELAY), 0);
}

TEST(MySocketCreate, BadFamilyFailsWithNothingOpen) {
    OwnedSocket s(false);
    EXPECT_EQ(s.Create(-1, 12345), -1);
    EXPECT_EQ(s.GetFd(), -1);
    EXPECT_FALSE(s.IsOpen());
}

TEST(MySocketClose, AdoptedDescriptorIsClosedOnlyWithNeedClose) {
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_GE(fd, 0);

    MySocket keep(false, false);
    ASSERT_EQ(keep.Create(fd, AF_INET), 0);
    EXPECT_TRUE(keep.IsAdopted());
    EXPECT_EQ(keep.GetFd(), fd);
    keep.Close();
    EXPECT_TRUE(FdIsOpen(fd));
    EXPECT_EQ(keep.GetFd(), fd);  // still recorded for whoever keeps it next

    MySocket owner(true, false);
    ASSERT_EQ(owner.Create(fd, AF_INET), 0);
    owner.Close();
    EXPECT_FALSE(FdIsOpen(fd));
    EXPECT_EQ(owner.GetFd(), -1);
    EXPECT_FALSE(owner.IsAdopted());
    owner.Close();  // closing twice is harmless
}

TEST(MySocketClose, CopyIsTheSameDescriptorAndDestructorLeavesItOpen) {
    int fd = -1;
    {
        MySocket original(true, false);
        ASSERT_EQ(original.Create(-1, AF_INET), 0);
        fd = original.GetFd();
        MySocket copy(original);
        EXPECT_EQ(copy.GetFd(), fd);
    }
    EXPECT_TRUE(FdIsOpen(fd));  // nothing closes behind the owner's back
    close(fd);
}

TEST(MySocketUdp, DatagramsBothAddressForms) {
    OwnedSocket a(false), b(false);
    ASSERT_EQ(a.Create(-1, AF_INET), 0);
    ASSERT_EQ(b.Create(-1, AF_INET), 0);
    ASSERT_EQ(a.Bind(0, true), 0);
    ASSERT_EQ(b.Bind(0, true), 0);
    const int port_a = a.GetLocalPort();
    const int port_b = b.GetLocalPort();
    ASSERT_GT(port_a, 0);

    sockaddr_in to_a = Loopback(port_a);
    ASSERT_EQ(b.SendTo(&to_a, "hello", 5), 5);
    char buf[64] = {};
    sockaddr_in from{};
    int n = -1;
    for (int i = 0; i < 200 && n < 0; ++i, osal_sleep_ms(1)) n = a.RecvFrom(&from, buf, sizeof(buf));
    ASSERT_EQ(n, 5);
    EXPECT_EQ(std::string(buf, 5), "hello");
    EXPECT_EQ(ntohs(from.sin_port), port_b);

    sockaddr_storage to_b{};
    std::memcpy(&to_b, &from, sizeof(from));
    reinterpret_cast<sockaddr_in*>(&to_b)->sin_port = htons(static_cast<uint16_t>(port_b));
    ASSERT_EQ(a.SendTo(&to_b, "world!", 6), 6);
    sockaddr_storage from_storage{};
    n = -1;
    for (int i = 0; i < 200 && n < 0; ++i, osal_sleep_ms(1)) n = b.RecvFrom(&from_storage, buf, sizeof(buf));
    ASSERT_EQ(n, 6);
    EXPECT_EQ(std::string(buf, 6), "world!");
    EXPECT_EQ(from_storage.ss_family, AF_INET);
    EXPECT_EQ(ntohs(reinterpret_cast<sockaddr_in*>(&from_storage)->sin_port), port_a);
}

TEST(MySocketUdp, NothingPendingDoesNotBlockAndLongDatagramsAreCut) {
    OwnedSocket a(false), b(false);
    ASSERT_EQ(a.Create(-1, AF_INET), 0);
    ASSERT_EQ(b.Create(-1, AF_INET), 0);
    ASSERT_EQ(a.Bind(0, true), 0);
    char buf[8];
    sockaddr_in from{};
    errno = 0;
    EXPECT_EQ(a.RecvFrom(&from, buf, sizeof(buf)), -1);
    EXPECT_TRUE(errno == EAGAIN || errno == EWOULDBLOCK);

    std::vector<char> big(100, 'x');
    sockaddr_in to = Loopback(a.GetLocalPort());
    ASSERT_EQ(b.SendTo(&to, big.data(), static_cast<int>(big.size())), 100);
    int n = -1;
    for (int i = 0; i < 200 && n < 0; ++i, osal_sleep_ms(1)) n = a.RecvFrom(&from, buf, sizeof(buf));
    EXPECT_EQ(n, 8);
    EXPECT_EQ(a.RecvFrom(&from, buf, sizeof(buf)), -1);  // the rest of the datagram is gone
}

TEST(MySocketKinds, CallsOfTheOtherKindAreRefused) {
    OwnedSocket udp(false), tcp(true);
    ASSERT_EQ(udp.Create(-1, AF_INET), 0);
    ASSERT_EQ(tcp.Create(-1, AF_INET), 0);
    char buf[4];
    sockaddr_in in{};
    sockaddr_storage st{};
    OwnedSocket out(true);
    EXPECT_EQ(udp.Listen(), -1);
    EXPECT_EQ(udp.Accept(out), -1);
    EXPECT_EQ(udp.Recv(buf, sizeof(buf)), -1);
    EXPECT_EQ(tcp.SendTo(&in, "x", 1), -1);
    EXPECT_EQ(tcp.SendTo(&st, "x", 1), -1);
    EXPECT_EQ(tcp.RecvFrom(&in, buf, sizeof(buf)), -1);
    EXPECT_EQ(tcp.RecvFrom(&st, buf, sizeof(buf)), -1);

    OwnedSocket none(false);  // never created
    EXPECT_EQ(none.SendTo(&in, "x", 1), -1);
    EXPECT_EQ(none.Bind(0, true), -1);
    EXPECT_EQ(none.Send("x", 1), -1);
    EXPECT_EQ(none.Connect("127.0.0.1", 1), -1);
    EXPECT_EQ(tcp.Connect("not-an-ip", 80), -1);
    EXPECT_EQ(tcp.Bind(70000, true), -1);
}

TEST(MySocketTcp, ConnectAcceptSendRecvAndPeek) {
    TcpPair pair;
    ASSERT_NO_FATAL_FAILURE(pair.Open());
    EXPECT_TRUE(IsNonBlocking(pair.server.GetFd()));
    EXPECT_NE(IntOption(pair.server.GetFd(), IPPROTO_TCP, TCP_NODELAY), 0);
    EXPECT_TRUE(pair.server.IsStream());

    ASSERT_EQ(pair.client.Send("ping", 4), 4);
    char buf[16] = {};
    ASSERT_EQ(pair.server.Peek(buf, sizeof(buf), 1000), 4);
    EXPECT_EQ(std::string(buf, 4), "ping");
    std::memset(buf, 0, sizeof(buf));
    ASSERT_EQ(pair.server.Peek(buf, sizeof(buf)), 4);  // still there
    ASSERT_EQ(pair.server.Recv(buf, sizeof(buf)), 4);
    EXPECT_EQ(std::string(buf, 4), "ping");

    ASSERT_EQ(pair.server.Send("pong!", 5), 5);
    ASSERT_EQ(pair.client.Recv(buf, sizeof(buf)), 5);
    EXPECT_EQ(std::string(buf, 5), "pong!");
}

TEST(MySocketTcp, IdleRecvReturnsZeroAfterAbout400Ms) {
    TcpPair pair;
    ASSERT_NO_FATAL_FAILURE(pair.Open());
    char buf[16];
    auto start = SteadyClock::now();
    EXPECT_EQ(pair.server.Recv(buf, sizeof(buf)), 0);
    int64_t elapsed = ElapsedMs(start);
    EXPECT_GE(elapsed, 380);
    EXPECT_LT(elapsed, 3000);

    start = SteadyClock::now();
    EXPECT_EQ(pair.server.Peek(buf, sizeof(buf), 100), 0);
    elapsed = ElapsedMs(start);
    EXPECT_GE(elapsed, 90);
    EXPECT_LT(elapsed, 2000);
}

TEST(MySocketTcp, IdleRecvEndsEvenWhenTheClockStandsStill) {
    osal::SimulatedClock clock;
    TcpPair pair;
    ASSERT_NO_FATAL_FAILURE(pair.Open());
    char buf[16];
    auto start = SteadyClock::now();
    EXPECT_EQ(pair.server.Recv(buf, sizeof(buf)), 0);
    EXPECT_LT(ElapsedMs(start), 5000);
}

struct DelayedSender {
    MySocket* socket;
    int delay_ms;
};

void SendAfterDelay(void* arg) {
    osal::SetCurrentThreadName("TestDelayedSend");
    auto* d = static_cast<DelayedSender*>(arg);
    osal_sleep_ms(d->delay_ms);
    d->socket->Send("late", 4);
}

TEST(MySocketTcp, RecvAndUnlimitedPeekWaitForDataThatComesLater) {
    TcpPair pair;
    ASSERT_NO_FATAL_FAILURE(pair.Open());
    DelayedSender d{&pair.client, 100};
    osal::thread t(SendAfterDelay, &d);
    char buf[16] = {};
    EXPECT_EQ(pair.server.Peek(buf, sizeof(buf)), 4);
    EXPECT_EQ(pair.server.Recv(buf, sizeof(buf)), 4);
    EXPECT_EQ(std::string(buf, 4), "late");
    t.join();
}

TEST(MySocketTcp, PeerCloseIsMinusOneAndSendDoesNotRaiseSigpipe) {
    TcpPair pair;
    ASSERT_NO_FATAL_FAILURE(pair.Open());
    pair.client.Close();
    char buf[16];
    EXPECT_EQ(pair.server.Recv(buf, sizeof(buf)), -1);
    EXPECT_EQ(pair.server.Peek(buf, sizeof(buf)), -1);
    EXPECT_EQ(pair.server.Peek(buf, sizeof(buf), 100), -1);

    // The first send may still be buffered; once the peer's reset arrives sends fail with EPIPE,
    // which must be a -1 and not a signal that kills the process.
    std::vector<char> chunk(64 * 1024, 'z');
    int result = 0;
    for (int i = 0; i < 100 && result != -1; ++i) {
        result = pair.server.Send(chunk.data(), static_cast<int>(chunk.size()));
        osal_sleep_ms(1);
    }
    EXPECT_EQ(result, -1);
}

struct Drain {
    MySocket* socket;
    size_t expected;
    std::vector<char> received;
};

void DrainUntilDone(void* arg) {
    osal::SetCurrentThreadName("TestDrain");
    auto* d = static_cast<Drain*>(arg);
    std::vector<char> buf(16 * 1024);
    int idle = 0;
    while (d->received.size() < d->expected && idle < 20) {
        int n = d->socket->Recv(buf.data(), static_cast<int>(buf.size()));
        if (n < 0) break;
        if (n == 0) {
            ++idle;
            continue;
        }
        d->received.insert(d->received.end(), buf.begin(), buf.begin() + n);
    }
}

TEST(MySocketTcp, LargeSendGoesOutWholeThroughAFullBuffer) {
    TcpPair pair;
    ASSERT_NO_FATAL_FAILURE(pair.Open());
    std::vector<char> data(8 * 1024 * 1024);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 131 + (i >> 13));
    Drain d{&pair.server, data.size(), {}};
    osal::thread t(DrainUntilDone, &d);
    EXPECT_EQ(pair.client.Send(data.data(), static_cast<int>(data.size())), static_cast<int>(data.size()));
    t.join();
    ASSERT_EQ(d.received.size(), data.size());
    EXPECT_TRUE(d.received == data);
}

struct ClockPusher {
    osal::SimulatedClock* clock;
    std::atomic<bool> stop{false};
};

void PushClock(void* arg) {
    osal::SetCurrentThreadName("TestClockPush");
    auto* p = static_cast<ClockPusher*>(arg);
    while (!p->stop.load()) {
        p->clock->Advance(500);
        osal_sleep_ms(2);
    }
}

TEST(MySocketTcp, SendToAPeerThatNeverReadsGivesUpOnTheLibraryClock) {
    osal::SimulatedClock clock;
    TcpPair pair;
    ASSERT_NO_FATAL_FAILURE(pair.Open());
    ClockPusher pusher{&clock};
    osal::thread t(PushClock, &pusher);
    std::vector<char> data(64 * 1024 * 1024, 'q');  // far more than both socket buffers hold
    auto start = SteadyClock::now();
    EXPECT_EQ(pair.client.Send(data.data(), static_cast<int>(data.size())), -1);
    EXPECT_LT(ElapsedMs(start), 5000);  // ten simulated seconds, not ten real ones
    pusher.stop = true;
    t.join();
}

TEST(MySocketTcp, AcceptWithoutPeerGivesUpAfterAboutTwoSeconds) {
    OwnedSocket listener(true);
    ASSERT_EQ(listener.Create(-1, AF_INET), 0);
    ASSERT_EQ(listener.Bind(0, true), 0);
    ASSERT_EQ(listener.Listen(), 0);
    OwnedSocket out(true);
    auto start = SteadyClock::now();
    EXPECT_EQ(listener.Accept(out), -1);
    int64_t elapsed = ElapsedMs(start);
    EXPECT_GE(elapsed, 1900);
    EXPECT_LT(elapsed, 6000);
    EXPECT_EQ(out.GetFd(), -1);
}

TEST(MySocketTcp, ConnectToAClosedPortIsNotSuccess) {
    int port = 0;
    {
        OwnedSocket probe(true);  // find a port nobody listens on
        ASSERT_EQ(probe.Create(-1, AF_INET), 0);
        ASSERT_EQ(probe.Bind(0, true), 0);
        port = probe.GetLocalPort();
    }
    OwnedSocket client(true);
    ASSERT_EQ(client.Create(-1, AF_INET), 0);
    int r = client.Connect("127.0.0.1", port);
    EXPECT_TRUE(r == -1 || r == ECONNREFUSED) << r;
}

}  // namespace
