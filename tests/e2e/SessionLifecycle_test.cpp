// One session from open to destroy against the real edge: what the library sends, when, and what
// it leaves behind.
#include <gtest/gtest.h>

#include "EdgeProcess.h"
#include "PlayerProbe.h"
#include "UdpTap.h"
#include "vrio/osal.h"
#include "vrio/zeq_net_api.h"

namespace e2e {
namespace {

// Generous for a loaded machine under a sanitizer; a working path takes milliseconds.
constexpr int kWaitMs = 3000;
constexpr int kConnect = 0, kSubscribe = 2, kStop = 5, kHeartBeat = 7;
constexpr int kRequest = 0, kFinal = 1;
constexpr uint8_t kTagUrl = 3, kTagSession = 23, kTagCookie = 1, kTagVersion = 3, kTagCommonMedia = 7;
constexpr uint8_t kTagResult = 1;

std::vector<uint8_t> Nested(const std::vector<uint8_t>& list, uint8_t tag) {
    std::vector<uint8_t> v;
    FindTlv(list, tag, &v);
    return v;
}

uint32_t BigEndian(const std::vector<uint8_t>& v) {
    uint32_t x = 0;
    for (uint8_t b : v) x = x << 8 | b;
    return x;
}

std::string StreamUrl(uint16_t port, const std::string& name = "stream") {
    return "zrtc://127.0.0.1:" + std::to_string(port) + "/live/" + name;
}

TEST(SessionLifecycle, ConnectThenHeartbeatsThenDestroyLeavesNothingRunning) {
    EdgeProcess edge;
    ASSERT_TRUE(edge.Started());
    UdpTap tap(edge.Port());
    ASSERT_TRUE(tap.Started());
    const int threadsBefore = ThreadCount();

    PlayerProbe player;
    ASSERT_TRUE(player.Open(EdgeUrl(tap.Port())));

    // Connect: the stream URL without the SDK options, no cookie yet, protocol version 1.4.1.0,
    // the common media parameters.
    ASSERT_TRUE(tap.WaitMessages(kConnect, kRequest, true, 1, kWaitMs));
    const TapDatagram connect = tap.Messages(kConnect, kRequest, true).front();
    const std::vector<uint8_t> body = connect.Body();
    EXPECT_EQ(TlvText(body, kTagUrl), StreamUrl(tap.Port()));
    const std::vector<uint8_t> session = Nested(body, kTagSession);
    std::vector<uint8_t> value;
    EXPECT_FALSE(FindTlv(session, kTagCookie, &value)) << "a first session has no cookie to offer";
    EXPECT_EQ(BigEndian(Nested(session, kTagVersion)), 0x01040100u);
    EXPECT_TRUE(FindTlv(session, kTagCommonMedia, &value));

    ASSERT_TRUE(tap.WaitMessages(kConnect, kFinal, false, 1, kWaitMs));
    EXPECT_EQ(BigEndian(Nested(tap.Messages(kConnect, kFinal, false).front().Body(), kTagResult)), 200u);
    ASSERT_TRUE(LogSink::WaitCount("Connect state changed to: 2", 1, kWaitMs));
    EXPECT_TRUE(LogSink::WaitCount("msg: code=20009,", 1, kWaitMs)) << "connected is posted (not forwarded)";

    // What the player hears: the trace note, the version note, the transport start, the edge address.
    const std::string host = "127%2E0%2E0%2E1%3A" + std::to_string(tap.Port());  // the URL's host, encoded
    EXPECT_TRUE(player.WaitMessage(100, 1, kWaitMs, "trace:e2e-" + host + "-harmony-"));
    EXPECT_TRUE(player.WaitMessage(120, 1, kWaitMs, "entry:all,mode:sub"));
    EXPECT_TRUE(player.WaitMessage(122, 1, kWaitMs, "sfu:127.0.0.1,port:" + std::to_string(tap.Port()) +
                                                        ",ip_version:ipv4"));
    EXPECT_TRUE(player.WaitMessage(130, 1, kWaitMs, "ip:127.0.0.1,by:1"));
    EXPECT_TRUE(player.Messages(20009).empty()) << "20009 is not for the player";

    // Heartbeats: at least 1001 ms apart, never more than two seconds.
    constexpr size_t kBeats = 4;
    ASSERT_TRUE(tap.WaitMessages(kHeartBeat, kRequest, true, kBeats, static_cast<int>(kBeats) * 2000 + kWaitMs));
    const std::vector<TapDatagram> beats = tap.Messages(kHeartBeat, kRequest, true);
    for (size_t i = 1; i < beats.size(); ++i) {
        const int64_t gap = beats[i].atMs - beats[i - 1].atMs;
        EXPECT_GE(gap, 1001 - 15) << "beat " << i;  // a little relay jitter on the tap's clock
        EXPECT_LE(gap, 2000) << "beat " << i;  // the engine wakes when a beat is due
        EXPECT_NE(beats[i].msgId, beats[i - 1].msgId);
        EXPECT_EQ(beats[i].clientPort, connect.clientPort) << "one socket for the whole session";
    }
    EXPECT_TRUE(tap.WaitMessages(kHeartBeat, kFinal, false, kBeats, kWaitMs)) << "the edge answers each";

    const int64_t destroyMs = player.Destroy();
    EXPECT_GE(destroyMs, 0);
    EXPECT_LT(destroyMs, 1000);
    const int64_t destroyedAt = osal_get_time_ms();
    EXPECT_EQ(player.Messages(121).size(), 1u) << "destroy tells the player";
    EXPECT_LE(WaitThreadCount(threadsBefore, 1000), threadsBefore) << "threads left behind after destroy";

    // The session said Stop on its way out, and nothing leaves its socket once destroy has
    // returned (a heartbeat would within 2 s).
    const std::vector<TapDatagram> stops = tap.Messages(kStop, kRequest, true);
    ASSERT_FALSE(stops.empty()) << "no Stop on destroy";
    EXPECT_EQ(TlvText(stops.front().Body(), kTagUrl), StreamUrl(tap.Port()));
    osal_sleep_ms(2100);
    for (const TapDatagram& d : tap.Datagrams())
        EXPECT_FALSE(d.up && d.atMs > destroyedAt + 50) << "type " << d.type << " kind " << d.kind << " after destroy";

    EXPECT_TRUE(edge.LogLines("edge: bad").empty()) << edge.Log();
    EXPECT_EQ(edge.Stop(), 0);
    const std::vector<int> connects = SessionCounters(edge.StatsJson(), "Connect.request");
    ASSERT_EQ(connects.size(), 1u) << edge.StatsJson();
    EXPECT_EQ(connects[0], 1);
    EXPECT_EQ(SessionCounters(edge.StatsJson(), "deviations")[0], 0);
}

TEST(SessionLifecycle, ExpiredCookieAndSocketAreNotReused) {
    // The remote configuration's default cookie lifetime is 0 s: a session's cookie and socket
    // are stale as soon as it stops.
    EdgeProcess edge;
    ASSERT_TRUE(edge.Started());
    UdpTap tap(edge.Port());
    ASSERT_TRUE(tap.Started());
    std::string firstCookie;
    uint16_t firstPort = 0;
    {
        PlayerProbe player;
        ASSERT_TRUE(player.Open(EdgeUrl(tap.Port())));
        ASSERT_TRUE(tap.WaitMessages(kConnect, kFinal, false, 1, kWaitMs));
        const TapDatagram answer = tap.Messages(kConnect, kFinal, false).front();
        firstCookie = TlvText(Nested(answer.Body(), kTagSession), kTagCookie);
        firstPort = answer.clientPort;
        ASSERT_FALSE(firstCookie.empty());
        ASSERT_TRUE(LogSink::WaitCount("Connect state changed to: 2", 1, kWaitMs));
    }
    PlayerProbe second;
    ASSERT_TRUE(second.Open(EdgeUrl(tap.Port())));
    ASSERT_TRUE(tap.WaitMessages(kConnect, kRequest, true, 2, kWaitMs)) << "the handshake is not skipped";
    const TapDatagram again = tap.Messages(kConnect, kRequest, true).back();
    std::vector<uint8_t> cookie;
    EXPECT_FALSE(FindTlv(Nested(again.Body(), kTagSession), kTagCookie, &cookie))
        << "stale cookie offered: " << std::string(cookie.begin(), cookie.end());
    EXPECT_NE(again.clientPort, firstPort) << "the stale socket was reused";
    ASSERT_TRUE(LogSink::WaitCount("Connect state changed to: 2", 2, kWaitMs));
    EXPECT_EQ(edge.LogLines(" started").size(), 2u) << edge.Log();
    EXPECT_TRUE(edge.LogLines("edge: bad").empty()) << edge.Log();
}

TEST(SessionLifecycle, ValidCookieAndSocketAreReused) {
    // A cookie lifetime of 30 s from the remote configuration keeps cookie and socket for the next
    // session with the same edge: no second handshake, the same socket, the same cookie.
    EdgeProcess edge({"--play-config", "{\"cfgs\":[{\"cookieExpirationTime\":\"30\"}]}"});
    ASSERT_TRUE(edge.Started());
    UdpTap tap(edge.Port());
    ASSERT_TRUE(tap.Started());
    std::string firstCookie;
    uint16_t firstPort = 0;
    {
        PlayerProbe player;
        ASSERT_TRUE(player.Open(EdgeUrl(tap.Port())));
        ASSERT_TRUE(tap.WaitMessages(kConnect, kFinal, false, 1, kWaitMs));
        const TapDatagram answer = tap.Messages(kConnect, kFinal, false).front();
        firstCookie = TlvText(Nested(answer.Body(), kTagSession), kTagCookie);
        firstPort = answer.clientPort;
        if (!tap.WaitMessages(kSubscribe, kFinal, false, 1, kWaitMs))
            GTEST_SKIP() << "no Subscribe answered: the cookie lifetime arrives with the subscribe answer's "
                            "remote configuration, and this build sends no Subscribe yet";
    }
    PlayerProbe second;
    ASSERT_TRUE(second.Open(EdgeUrl(tap.Port())));
    ASSERT_TRUE(LogSink::WaitCount("Connect state changed to: 2", 2, kWaitMs));
    ASSERT_TRUE(tap.WaitMessages(kSubscribe, kRequest, true, 2, kWaitMs));
    EXPECT_EQ(tap.Messages(kConnect, kRequest, true).size(), 1u) << "the handshake was repeated";
    const TapDatagram sub = tap.Messages(kSubscribe, kRequest, true).back();
    EXPECT_EQ(sub.clientPort, firstPort) << "a new socket although the old one was still valid";
    EXPECT_EQ(TlvText(Nested(sub.Body(), kTagSession), kTagCookie), firstCookie);
    EXPECT_EQ(edge.LogLines(" started").size(), 1u) << edge.Log();
    EXPECT_TRUE(edge.LogLines("edge: bad").empty()) << edge.Log();
}

}  // namespace
}  // namespace e2e
