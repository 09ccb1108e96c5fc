// The NTP client against a responder of the test's own on 127.0.0.1, and the clock offset.
#include "platform/NtpTimeImpl.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "osal/Mutex.h"
#include "osal/TestClock.h"
#include "osal/Thread.h"
#include "platform/NtpClient.h"

namespace {

using namespace ZeqUtils;

constexpr uint32_t kNtpToUnix = 2208988800u;

// A one-socket NTP server on loopback that answers each request the way it is told to.
class NtpResponder {
public:
    enum class Reply { kServer, kSilent, kShort, kClientMode, kKissOfDeath, kNoTransmitTime, kLong };

    NtpResponder(Reply reply, uint32_t ntp_seconds) : mReply(reply), mSeconds(ntp_seconds) {
        mFd = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(mFd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
        socklen_t len = sizeof(addr);
        getsockname(mFd, reinterpret_cast<sockaddr*>(&addr), &len);
        mPort = ntohs(addr.sin_port);
        mThread = osal::thread(&NtpResponder::Run, this);
    }
    ~NtpResponder() {
        mQuit.store(true);
        mThread.join();
        close(mFd);
    }
    NtpResponder(const NtpResponder&) = delete;
    NtpResponder& operator=(const NtpResponder&) = delete;

    uint16_t port() const { return mPort; }
    int requests() const { return mRequests.load(); }
    std::vector<uint8_t> lastRequest() {
        osal::lock_guard<osal::mutex> guard(mLock);
        return mLastRequest;
    }

private:
    static void Run(void* arg) {
        osal::SetCurrentThreadName("NtpResponderThr");
        static_cast<NtpResponder*>(arg)->Loop();
    }

    void Loop() {
        while (!mQuit.load()) {
            pollfd p{mFd, POLLIN, 0};
            if (poll(&p, 1, 20) != 1) continue;  // short waits: the quit flag is polled
            uint8_t in[512];
            sockaddr_in from{};
            socklen_t from_len = sizeof(from);
            const ssize_t n = recvfrom(mFd, in, sizeof(in), 0, reinterpret_cast<sockaddr*>(&from), &from_len);
            if (n < 0) continue;
            {
                osal::lock_guard<osal::mutex> guard(mLock);
                mLastRequest.assign(in, in + n);
            }
            mRequests.fetch_add(1);
            Answer(from, from_len);
        }
    }

    void Answer(const sockaddr_in& to, socklen_t to_len) {
        uint8_t out[64] = {};
        out[0] = 0x24;  // LI 0, version 4, mode 4 (server)
        out[1] = 2;     // stratum 2
        for (int i = 0; i < 4; ++i) out[40 + i] = static_cast<uint8_t>(mSeconds >> (24 - 8 * i));
        size_t len = 48;
        switch (mReply) {
            case Reply::kSilent: return;
            case Reply::kShort: len = 47; break;
            case Reply::kClientMode: out[0] = 0x1B; break;
            case Reply::kKissOfDeath: out[1] = 0; break;
            case Reply::kNoTransmitTime: std::memset(out + 40, 0, 8); break;
            case Reply::kLong: len = 64; break;  // extension fields after the header are allowed
            case Reply::kServer: break;
        }
        sendto(mFd, out, len, 0, reinterpret_cast<const sockaddr*>(&to), to_len);
    }

    const Reply mReply;
    const uint32_t mSeconds;
    int mFd = -1;
    uint16_t mPort = 0;
    std::atomic<bool> mQuit{false};
    std::atomic<int> mRequests{0};
    osal::mutex mLock;
    std::vector<uint8_t> mLastRequest;  // guarded by mLock
    osal::thread mThread;
};

// A loopback port with nobody behind it: the kernel answers with port-unreachable.
uint16_t ClosedPort() {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
    socklen_t len = sizeof(addr);
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    close(fd);
    return ntohs(addr.sin_port);
}

constexpr uint32_t kUnixSeconds = 1743494709;  // 2025-04-01T08:05:09Z

TEST(NtpClient, SendsAClientRequestAndReadsTheTransmitTime) {
    NtpResponder server(NtpResponder::Reply::kServer, kUnixSeconds + kNtpToUnix);
    EXPECT_EQ(GetNTPTime("127.0.0.1", server.port()), kUnixSeconds);
    const std::vector<uint8_t> request = server.lastRequest();
    ASSERT_EQ(request.size(), 48u);
    EXPECT_EQ(request[0], 0x1B);  // LI 0, version 3, mode 3
    for (size_t i = 1; i < request.size(); ++i) EXPECT_EQ(request[i], 0) << i;
    // A name goes through the system's IPv4 lookup (localhost: no network involved).
    EXPECT_EQ(GetNTPTime("localhost", server.port()), kUnixSeconds);
}

TEST(NtpClient, LongerAnswersAreReadByTheirHeader) {
    NtpResponder server(NtpResponder::Reply::kLong, kUnixSeconds + kNtpToUnix);
    EXPECT_EQ(GetNTPTime("127.0.0.1", server.port()), kUnixSeconds);
}

TEST(NtpClient, SecondsOfTheEraAfter2036) {
    // The 32-bit seconds wrap on 2036-02-07; small values after that belong to era 1.
    NtpResponder server(NtpResponder::Reply::kServer, 16);
    EXPECT_EQ(GetNTPTime("127.0.0.1", server.port()), (int64_t{1} << 32) + 16 - kNtpToUnix);
}

TEST(NtpClient, FailuresPrintTheStepAndGiveMinusOne) {
    struct Case {
        const char* name;
        NtpResponder::Reply reply;
        const char* host;
        const char* line;
    } cases[] = {
        {"unresolvable", NtpResponder::Reply::kServer, "", "Get NTP server host error"},
        {"null host", NtpResponder::Reply::kServer, nullptr, "Get NTP server host error"},
        {"silent", NtpResponder::Reply::kSilent, "127.0.0.1", "NTP recv packet error"},
        {"short", NtpResponder::Reply::kShort, "127.0.0.1", "NTP recv packet error"},
        {"client mode", NtpResponder::Reply::kClientMode, "127.0.0.1", "NTP recv packet error"},
        {"kiss of death", NtpResponder::Reply::kKissOfDeath, "127.0.0.1", "NTP recv packet error"},
        {"no transmit time", NtpResponder::Reply::kNoTransmitTime, "127.0.0.1", "NTP recv packet error"},
    };
    for (const Case& c : cases) {
        NtpResponder server(c.reply, kUnixSeconds + kNtpToUnix);
        testing::internal::CaptureStdout();
        EXPECT_EQ(GetNTPTime(c.host, server.port(), 200), -1) << c.name;
        EXPECT_EQ(testing::internal::GetCapturedStdout(), std::string(c.line) + "\n") << c.name;
    }
    testing::internal::CaptureStdout();
    EXPECT_EQ(GetNTPTime("127.0.0.1", ClosedPort(), 200), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "NTP recv packet error\n");
}

TEST(NtpClient, SixPublicDefaultServers) {
    const std::vector<NtpServer> servers = DefaultNtpServers();
    ASSERT_EQ(servers.size(), 6u);
    for (const NtpServer& s : servers) {
        EXPECT_FALSE(s.host.empty());
        EXPECT_EQ(s.port, 123);
    }
}

TEST(NtpTimeImpl, OffsetIsTheFirstAnswerMinusTheLibraryClock) {
    osal::SimulatedClock clock(1743494000000);
    NtpResponder late(NtpResponder::Reply::kServer, kUnixSeconds + kNtpToUnix);
    NtpResponder unused(NtpResponder::Reply::kServer, 1 + kNtpToUnix);
    testing::internal::CaptureStdout();
    NtpTimeImpl ntp({{"127.0.0.1", ClosedPort()}, {"127.0.0.1", late.port()}, {"127.0.0.1", unused.port()}}, 200);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(unused.requests(), 0);  // the first answer ends the search
    EXPECT_EQ(ntp.GetLastNtpTimeInMilliSec(), int64_t{kUnixSeconds} * 1000);
    EXPECT_EQ(ntp.GetNtpTimeOffset(), 709000);
    EXPECT_EQ(ntp.GetUTCTimeInMilliseconds(), 1743494000000);
    EXPECT_EQ(ntp.GetCurrentNtpTimeInMilliSec(), 1743494709000);
    clock.Advance(1999);
    EXPECT_EQ(ntp.GetCurrentNtpTimeInMilliSec(), 1743494710999);
    EXPECT_EQ(ntp.GetCurrentNtpTimeInSecond(), 1743494710);
    EXPECT_EQ(ntp.GetTimeString(), "2025-04-01T08:05:10Z");
}

TEST(NtpTimeImpl, OnlyTheFirstThreeServersAreAskedThenTheSystemClockHolds) {
    osal::SimulatedClock clock(1743494000000);
    NtpResponder fourth(NtpResponder::Reply::kServer, kUnixSeconds + kNtpToUnix);
    NtpResponder silent(NtpResponder::Reply::kSilent, 0);
    testing::internal::CaptureStdout();
    NtpTimeImpl ntp({{"", 123}, {"127.0.0.1", ClosedPort()}, {"127.0.0.1", silent.port()}, {"127.0.0.1", fourth.port()}},
                    200);
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed, "Get NTP server host error\nNTP recv packet error\nNTP recv packet error\n");
    EXPECT_EQ(silent.requests(), 1);
    EXPECT_EQ(fourth.requests(), 0);
    EXPECT_EQ(ntp.GetNtpTimeOffset(), 0);
    EXPECT_EQ(ntp.GetLastNtpTimeInMilliSec(), 1743494000000);
    EXPECT_EQ(ntp.GetCurrentNtpTimeInMilliSec(), 1743494000000);
    EXPECT_EQ(ntp.GetTimeString(), "2025-04-01T07:53:20Z");
}

TEST(NtpTimeImpl, OffsetBeyondInt32Saturates) {
    osal::SimulatedClock clock(0);
    NtpResponder server(NtpResponder::Reply::kServer, kUnixSeconds + kNtpToUnix);
    NtpTimeImpl ahead({{"127.0.0.1", server.port()}}, 200);
    EXPECT_EQ(ahead.GetNtpTimeOffset(), INT32_MAX);
    EXPECT_EQ(ahead.GetCurrentNtpTimeInMilliSec(), int64_t{kUnixSeconds} * 1000);  // the full offset is kept
    clock.Set(int64_t{kUnixSeconds} * 2000);
    NtpTimeImpl behind({{"127.0.0.1", server.port()}}, 200);
    EXPECT_EQ(behind.GetNtpTimeOffset(), INT32_MIN);
}

TEST(NtpTimeImpl, TheProcessClockAsksTheConfiguredServersOnce) {
    NtpResponder server(NtpResponder::Reply::kServer, kUnixSeconds + kNtpToUnix);
    ASSERT_TRUE(NtpTimeImpl::SetServers({{"127.0.0.1", server.port()}}));
    osal::SimulatedClock clock(1743494709000 - 5000);
    NtpTimeImpl* ntp = NtpTimeImpl::GetInstance();
    ASSERT_NE(ntp, nullptr);
    EXPECT_EQ(ntp->GetNtpTimeOffset(), 5000);
    EXPECT_EQ(NtpTimeImpl::GetInstance(), ntp);
    EXPECT_EQ(server.requests(), 1);
    EXPECT_FALSE(NtpTimeImpl::SetServers({}));  // too late: the offset is measured
}

}  // namespace
