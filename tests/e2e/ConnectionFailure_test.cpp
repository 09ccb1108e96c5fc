// How a session meets a refusing, silent or dying edge, server requests and reloads, with
// "AutoReconnect" off (the player hears of the lost connection once per failure) and on (the
// session reloads by itself). Each test runs in its own process: the options are process-wide.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "EdgeProcess.h"
#include "PlayerProbe.h"
#include "UdpTap.h"
#include "vrio/osal.h"
#include "vrio/zeq_net_api.h"

namespace e2e {
namespace {

constexpr int kWaitMs = 3000;
// The session waits this long after its start (or its last reload) before acting on a failure
// that is not urgent.
constexpr int64_t kHoldOffMs = 6000;
// Without any sign of life for this long the engine declares the link dead; it checks once per
// second at least, so the verdict comes 4–5 s after the last answer.
constexpr int64_t kDeadLinkMs = 4000;
constexpr int kConnect = 0, kHeartBeat = 7, kRequest = 0;
const char* const kConnLost = "msg: code=20055,";
const char* const kConnected = "Connect state changed to: 2";

void SetAutoReconnect(bool on) { ASSERT_EQ(SetProcessOption("AutoReconnect", on ? "true" : "false"), 0); }

// The peer name of the edge's only session.
std::string OnlyPeer(const EdgeProcess& edge) {
    const std::vector<std::string> peers = edge.Sessions();
    return peers.size() == 1 ? peers[0] : "";
}

struct Refusal {
    int code;
    int forwarded;  // the engine message the player hears about it, 0 for none
    bool reported;  // false: the channel swallows the answer (409) and the Connect times out
};

TEST(ConnectionFailure, EachRefusalIsOneConnectionLostWithoutAutoReconnect) {
    SetAutoReconnect(false);
    constexpr int64_t kSigTimeoutMs = 2000;
    ASSERT_EQ(SetProcessOption("SigTimeoutMs", std::to_string(kSigTimeoutMs).c_str()), 0);
    const std::vector<Refusal> table = {{302, 0, true},   {403, 20002, true}, {404, 20013, true}, {405, 0, true},
                                        {409, 20011, false}, {500, 0, true},   {611, 0, true}};
    size_t reported = 0;
    for (const Refusal& r : table) reported += r.reported;
    std::vector<std::unique_ptr<EdgeProcess>> edges;
    std::vector<std::unique_ptr<PlayerProbe>> players;
    const int64_t openedAt = osal_get_time_ms();
    for (const Refusal& r : table) {
        edges.push_back(std::make_unique<EdgeProcess>(
            std::vector<std::string>{"--switches", "refuse-connect=" + std::to_string(r.code)}));
        ASSERT_TRUE(edges.back()->Started());
        players.push_back(std::make_unique<PlayerProbe>());
        ASSERT_TRUE(players.back()->Open(EdgeUrl(edges.back()->Port())));
    }
    for (size_t i = 0; i < table.size(); ++i) {
        const std::string desc = "desc=\"code:" + std::to_string(table[i].code) + "\"";
        if (table[i].reported) {
            EXPECT_TRUE(LogSink::WaitCount(desc, 1, kWaitMs)) << "no 20010 for " << table[i].code;
        } else {
            EXPECT_EQ(LogSink::Count(desc), 0u) << table[i].code;
        }
        if (table[i].forwarded != 0) {
            EXPECT_TRUE(players[i]->WaitMessage(table[i].forwarded, 1, static_cast<int>(kSigTimeoutMs) + kWaitMs))
                << table[i].code;
        }
    }
    EXPECT_EQ(LogSink::Count("Connect state changed to: 5"), reported);

    // A refusal is not urgent: the player hears of it once the hold-off since the start has
    // passed. The swallowed answer times out, which is urgent.
    ASSERT_TRUE(LogSink::WaitCount(kConnLost, table.size(), static_cast<int>(kHoldOffMs) + kWaitMs));
    const std::vector<LogLine> lost = LogSink::Lines(kConnLost);
    EXPECT_GE(lost[0].atMs - openedAt, kSigTimeoutMs);
    EXPECT_LT(lost[0].atMs - openedAt, kHoldOffMs - 100) << "the time-out waited for the hold-off";
    for (size_t i = 1; i < lost.size(); ++i) EXPECT_GE(lost[i].atMs - openedAt, kHoldOffMs - 100) << lost[i].text;
    osal_sleep_ms(1500);  // the failure lasts: no second notice, no reload
    EXPECT_EQ(LogSink::Count(kConnLost), table.size());
    for (size_t i = 0; i < table.size(); ++i) {
        EXPECT_TRUE(players[i]->Messages(123).empty()) << table[i].code;
        for (int code : {20002, 20013})
            EXPECT_EQ(players[i]->Messages(code).size(), table[i].forwarded == code ? 1u : 0u) << table[i].code;
        EXPECT_EQ(edges[i]->LogLines(" started").size(), 1u) << table[i].code;
        EXPECT_TRUE(edges[i]->LogLines("edge: bad").empty()) << edges[i]->Log();
    }
}

TEST(ConnectionFailure, ConnectAnsweredWith601CountsAsConnected) {
    SetAutoReconnect(false);
    EdgeProcess edge({"--switches", "refuse-connect=601"});
    ASSERT_TRUE(edge.Started());
    PlayerProbe player;
    ASSERT_TRUE(player.Open(EdgeUrl(edge.Port())));
    EXPECT_TRUE(LogSink::WaitCount(kConnected, 1, kWaitMs));
    EXPECT_EQ(LogSink::Count("msg: code=20010,"), 0u);
}

TEST(ConnectionFailure, RefusalReloadsNoMoreOftenThanTheHoldOffWithAutoReconnect) {
    SetAutoReconnect(true);
    EdgeProcess edge({"--switches", "refuse-connect=404"});
    ASSERT_TRUE(edge.Started());
    PlayerProbe player;
    const int64_t openedAt = osal_get_time_ms();
    ASSERT_TRUE(player.Open(EdgeUrl(edge.Port())));
    ASSERT_TRUE(player.WaitMessage(123, 2, 2 * static_cast<int>(kHoldOffMs) + kWaitMs, "reason:connectionlost"));
    const std::vector<PlayerMessage> reloads = player.Messages(123);
    EXPECT_GE(reloads[0].atMs - openedAt, kHoldOffMs - 100);
    EXPECT_LE(reloads[0].atMs - openedAt, kHoldOffMs + kWaitMs);
    EXPECT_GE(reloads[1].atMs - reloads[0].atMs, kHoldOffMs - 100);
    EXPECT_TRUE(edge.WaitLogCount(" started", 3, kWaitMs)) << "each reload connects afresh\n" << edge.Log();
    EXPECT_EQ(LogSink::Count(kConnLost), 0u);
}

TEST(ConnectionFailure, UnansweredConnectIsOneConnectionLostWithoutAutoReconnect) {
    SetAutoReconnect(false);
    ASSERT_EQ(SetProcessOption("SigTimeoutMs", "1000"), 0);
    EdgeProcess edge({"--switches", "silent=on"});
    ASSERT_TRUE(edge.Started());
    PlayerProbe player;
    const int64_t openedAt = osal_get_time_ms();
    ASSERT_TRUE(player.Open(EdgeUrl(edge.Port())));
    // The time-out is urgent: no hold-off.
    ASSERT_TRUE(player.WaitMessage(20011, 1, 1000 + kWaitMs, "cost:"));
    EXPECT_GE(player.Messages(20011)[0].atMs - openedAt, 1000);
    ASSERT_TRUE(LogSink::WaitCount(kConnLost, 1, kWaitMs));
    EXPECT_LT(LogSink::Lines(kConnLost)[0].atMs - openedAt, kHoldOffMs);
    osal_sleep_ms(1500);
    EXPECT_EQ(LogSink::Count(kConnLost), 1u);
    EXPECT_TRUE(player.Messages(123).empty());
    EXPECT_EQ(edge.LogLines(" started").size(), 1u);
}

TEST(ConnectionFailure, UnansweredConnectReloadsAtOnceWithAutoReconnect) {
    SetAutoReconnect(true);
    ASSERT_EQ(SetProcessOption("SigTimeoutMs", "1000"), 0);
    EdgeProcess edge({"--switches", "silent=on"});
    ASSERT_TRUE(edge.Started());
    PlayerProbe player;
    const int64_t openedAt = osal_get_time_ms();
    ASSERT_TRUE(player.Open(EdgeUrl(edge.Port())));
    ASSERT_TRUE(player.WaitMessage(123, 1, 1000 + kWaitMs, "reason:connectionlost"));
    const int64_t firstReload = player.Messages(123)[0].atMs - openedAt;
    EXPECT_GE(firstReload, 1000);
    EXPECT_LT(firstReload, 1000 + 1000);
    EXPECT_TRUE(edge.WaitLogCount(" started", 2, kWaitMs)) << edge.Log();
    EXPECT_EQ(LogSink::Count(kConnLost), 0u);
}

TEST(ConnectionFailure, EachFailureEpisodeIsOneConnectionLost) {
    // The player hears once per episode; after a reload that connects, a new failure is a new one.
    SetAutoReconnect(false);
    EdgeProcess edge;
    ASSERT_TRUE(edge.Started());
    PlayerProbe player;
    ASSERT_TRUE(player.Open(EdgeUrl(edge.Port())));
    const int deadMs = static_cast<int>(kDeadLinkMs) + 1000 + kWaitMs;
    std::vector<std::string> seen;
    for (size_t episode = 1; episode <= 2; ++episode) {
        ASSERT_TRUE(LogSink::WaitCount(kConnected, episode, kWaitMs)) << "episode " << episode;
        std::string fresh;  // the session of the latest socket
        for (const std::string& peer : edge.Sessions())
            if (std::find(seen.begin(), seen.end(), peer) == seen.end()) fresh = peer;
        ASSERT_FALSE(fresh.empty()) << "episode " << episode;
        seen.push_back(fresh);
        EXPECT_EQ(edge.Control("set " + fresh + " heartbeat=off"), "ok 1 session(s)");
        ASSERT_TRUE(LogSink::WaitCount(kConnLost, episode, deadMs)) << "episode " << episode;
        osal_sleep_ms(1000);
        EXPECT_EQ(LogSink::Count(kConnLost), episode) << "one notice per episode";
        if (episode == 1) {
            EXPECT_EQ(zeq_net_reload(player.Handle()), 0);
        }
    }
}

class DeadLink : public ::testing::TestWithParam<bool> {};

TEST_P(DeadLink, UnansweredHeartbeatsEndTheSession) {
    const bool autoReconnect = GetParam();
    SetAutoReconnect(autoReconnect);
    EdgeProcess edge({"--switches", "heartbeat=off"});
    ASSERT_TRUE(edge.Started());
    UdpTap tap(edge.Port());
    ASSERT_TRUE(tap.Started());
    PlayerProbe player;
    ASSERT_TRUE(player.Open(EdgeUrl(tap.Port())));
    ASSERT_TRUE(LogSink::WaitCount(kConnected, 1, kWaitMs));
    const int64_t connectedAt = LogSink::Lines(kConnected)[0].atMs;
    const int waitMs = static_cast<int>(kDeadLinkMs) + 1000 + kWaitMs;
    if (autoReconnect) {
        ASSERT_TRUE(player.WaitMessage(123, 1, waitMs, "reason:connectionlost"));
        const int64_t after = player.Messages(123)[0].atMs - connectedAt;
        EXPECT_GE(after, kDeadLinkMs - 100);
        EXPECT_LE(after, kDeadLinkMs + 1000 + 500);
        EXPECT_TRUE(tap.WaitMessages(kConnect, kRequest, true, 2, kWaitMs)) << "the reload connects again";
        EXPECT_EQ(LogSink::Count(kConnLost), 0u);
    } else {
        ASSERT_TRUE(LogSink::WaitCount(kConnLost, 1, waitMs));
        const int64_t after = LogSink::Lines(kConnLost)[0].atMs - connectedAt;
        EXPECT_GE(after, kDeadLinkMs - 100);
        EXPECT_LE(after, kDeadLinkMs + 1000 + 500);
        const size_t beats = tap.Messages(kHeartBeat, kRequest, true).size();
        osal_sleep_ms(2100);
        EXPECT_EQ(LogSink::Count(kConnLost), 1u);
        EXPECT_TRUE(player.Messages(123).empty());
        EXPECT_EQ(tap.Messages(kHeartBeat, kRequest, true).size(), beats) << "heartbeats go on over a dead link";
        EXPECT_EQ(tap.Messages(kConnect, kRequest, true).size(), 1u);
    }
}

INSTANTIATE_TEST_SUITE_P(AutoReconnect, DeadLink, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& i) { return i.param ? "On" : "Off"; });

// A server Stop and a mobility notice are no connection failures: the session answers and stays.
class ServerEvents : public ::testing::TestWithParam<bool> {};

TEST_P(ServerEvents, StopAndMobilityLeaveTheSessionRunning) {
    SetAutoReconnect(GetParam());
    EdgeProcess edge;
    ASSERT_TRUE(edge.Started());
    UdpTap tap(edge.Port());
    ASSERT_TRUE(tap.Started());
    PlayerProbe player;
    ASSERT_TRUE(player.Open(EdgeUrl(tap.Port())));
    ASSERT_TRUE(LogSink::WaitCount(kConnected, 1, kWaitMs));
    const std::string peer = OnlyPeer(edge);
    ASSERT_FALSE(peer.empty());

    EXPECT_EQ(edge.Control("stop " + peer + " 5 gone"), "ok 1 session(s)");
    EXPECT_TRUE(LogSink::WaitCount("recv stop request, url:", 1, kWaitMs));
    EXPECT_TRUE(LogSink::WaitCount("code:5, msg:gone", 1, kWaitMs));

    EXPECT_EQ(edge.Control("mobility " + peer), "ok 1 session(s)");
    EXPECT_TRUE(LogSink::WaitCount("Receive WanIpPortSwitched from server", 1, kWaitMs));
    EXPECT_TRUE(LogSink::WaitCount("msg: code=20059,", 1, kWaitMs)) << "the address switch is posted";
    EXPECT_EQ(edge.Control("mobility " + peer), "ok 1 session(s)");
    EXPECT_TRUE(LogSink::WaitCount("Receive WanIpPortSwitched from server", 2, kWaitMs));

    // Heartbeats keep flowing on the same socket; no reload, no lost connection.
    const size_t beats = tap.Messages(kHeartBeat, kRequest, true).size();
    EXPECT_TRUE(tap.WaitMessages(kHeartBeat, kRequest, true, beats + 2, 2 * 2000 + kWaitMs));
    EXPECT_EQ(LogSink::Count("msg: code=20059,"), 1u) << "one switch notice until the next Connect result";
    EXPECT_EQ(LogSink::Count(kConnLost), 0u);
    EXPECT_TRUE(player.Messages(123).empty());
    EXPECT_EQ(tap.Messages(kConnect, kRequest, true).size(), 1u);

    EXPECT_EQ(edge.Stop(), 0);
    EXPECT_TRUE(edge.LogLines("edge: bad").empty()) << edge.Log();
    EXPECT_TRUE(edge.LogLines("did not answer").empty()) << "the server Stop is answered\n" << edge.Log();
    EXPECT_EQ(SessionCounters(edge.StatsJson(), "server_answered"), std::vector<int>{1}) << edge.StatsJson();
}

INSTANTIATE_TEST_SUITE_P(AutoReconnect, ServerEvents, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& i) { return i.param ? "On" : "Off"; });

TEST(Reload, PlayerReloadRestartsTheSessionOnAFreshConnect) {
    SetAutoReconnect(false);
    EdgeProcess edge;
    ASSERT_TRUE(edge.Started());
    UdpTap tap(edge.Port());
    ASSERT_TRUE(tap.Started());
    PlayerProbe player;
    ASSERT_TRUE(player.Open(EdgeUrl(tap.Port())));
    ASSERT_TRUE(LogSink::WaitCount(kConnected, 1, kWaitMs));

    EXPECT_EQ(zeq_net_reload(player.Handle()), 0);
    EXPECT_TRUE(player.WaitMessage(123, 1, kWaitMs, "reason:connectionlost"));
    EXPECT_TRUE(tap.WaitMessages(kConnect, kRequest, true, 2, kWaitMs));
    EXPECT_TRUE(LogSink::WaitCount(kConnected, 2, kWaitMs));

    // The ioctl form does the same; its command note is not forwarded.
    EXPECT_EQ(zeq_net_ioctl(player.Handle(), 1, "reload", nullptr), 0);
    EXPECT_TRUE(player.WaitMessage(123, 2, kWaitMs, "reason:connectionlost"));
    EXPECT_TRUE(tap.WaitMessages(kConnect, kRequest, true, 3, kWaitMs));
    EXPECT_TRUE(LogSink::WaitCount(kConnected, 3, kWaitMs));
    EXPECT_TRUE(player.Messages(170).empty());
    EXPECT_TRUE(LogSink::WaitCount("reload:1", 1, kWaitMs));

    // The reloaded session is a live one: it beats.
    const std::vector<TapDatagram> connects = tap.Messages(kConnect, kRequest, true);
    EXPECT_TRUE(tap.WaitMessages(kHeartBeat, kRequest, true, 1, kWaitMs));
    bool beatOnLast = false;
    const int64_t end = osal_get_time_ms() + 2000 + kWaitMs;
    while (!beatOnLast && osal_get_time_ms() < end) {
        for (const TapDatagram& d : tap.Messages(kHeartBeat, kRequest, true))
            beatOnLast = beatOnLast || d.clientPort == connects.back().clientPort;
        osal_sleep_ms(20);
    }
    EXPECT_TRUE(beatOnLast);
    EXPECT_EQ(LogSink::Count(kConnLost), 0u);
    EXPECT_TRUE(edge.LogLines("edge: bad").empty()) << edge.Log();
}

}  // namespace
}  // namespace e2e
