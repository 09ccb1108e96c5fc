// The real zrtc-edge process, driven over UDP on loopback by a scripted client.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "test/ScriptedClient.h"
#include "vrio/osal.h"

namespace zrtc {
namespace edge {
namespace {

using test::Control;
using test::EdgeProcess;
using test::Received;
using test::ScriptedClient;

// Long enough for a loaded machine under a sanitizer; a working edge answers within milliseconds.
constexpr int kWaitMs = 3000;

auto Is(uint8_t type, uint8_t kind) {
    return [type, kind](const Received& r) { return r.type == type && r.kind == kind; };
}

// Connects and returns the cookie.
std::string Connect(ScriptedClient& c, uint16_t id) {
    auto req = test::ConnectRequest("zrtc://127.0.0.1/app/live", "");
    c.Send(0, 0, id, &req);
    Received r;
    EXPECT_TRUE(c.Wait(Is(0, 1), kWaitMs, &r));
    EXPECT_EQ(r.code, 200);
    c.Send(0, 3, id, nullptr);
    return r.cookie;
}

TEST(EdgeProcessTest, HelpDocumentsTheSwitches) {
    const std::string cmd = std::string(ZRTC_EDGE_PATH) + " --help";
    FILE* p = popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    char buf[512];
    while (size_t n = fread(buf, 1, sizeof(buf), p)) out.append(buf, n);
    EXPECT_EQ(pclose(p), 0);
    for (const char* sw : {"--port", "--control-port", "--stream", "--switches", "--stats-json", "refuse-subscribe"})
        EXPECT_NE(out.find(sw), std::string::npos) << sw;
    const std::string bad = std::string(ZRTC_EDGE_PATH) + " --port 1 --nonsense 2>/dev/null";
    EXPECT_EQ(WEXITSTATUS(std::system(bad.c_str())), 2);
}

TEST(EdgeProcessTest, DialogueOverIpv4AndIpv6WithStatistics) {
    const std::string stats = "/tmp/edge_test_stats_" + std::to_string(getpid()) + ".json";
    EdgeProcess edge({"--port", "0", "--stream", "live=opus+hevc@1280x720", "--play-config", "{\"k\":1}",
                      "--stats-json", stats});
    ASSERT_TRUE(edge.Started());
    for (bool ipv6 : {false, true}) {
        ScriptedClient c(edge.Port(), ipv6);
        const std::string cookie = Connect(c, 10);
        EXPECT_FALSE(cookie.empty());
        auto sub = test::SubscribeRequest("zrtc://127.0.0.1/app/live", cookie, true, true);
        c.Send(2, 0, 11, &sub);
        Received r;
        ASSERT_TRUE(c.Wait(Is(2, 1), kWaitMs, &r)) << (ipv6 ? "IPv6" : "IPv4");
        EXPECT_EQ(r.code, 200);
        EXPECT_EQ(r.playConfig, "{\"k\":1}");
        ASSERT_EQ(r.sdp.videos.size(), 1u);
        EXPECT_EQ(r.sdp.videos[0].codecId, 2);
        EXPECT_FALSE(r.sdp.videos[0].vps.Empty());
        c.Send(2, 3, 11, nullptr);
        c.Send(7, 0, 12, nullptr);
        ASSERT_TRUE(c.Wait(Is(7, 1), kWaitMs, &r));
        c.Send(7, 0, 12, nullptr);  // a resent heartbeat is answered again
        ASSERT_TRUE(c.Wait(Is(7, 1), kWaitMs, &r));
        c.Send(6, 0, 13, nullptr);
        ASSERT_TRUE(c.Wait(Is(6, 1), kWaitMs, &r));
        EXPECT_TRUE(edge.WaitLog("ended (disconnected)", kWaitMs));
    }
    EXPECT_EQ(edge.Log().find("bad "), std::string::npos) << edge.Log();
    EXPECT_EQ(edge.Stop(), 0);
    std::ifstream in(stats);
    std::stringstream json;
    json << in.rdbuf();
    EXPECT_NE(json.str().find("\"peer\":\"127.0.0.1:"), std::string::npos) << json.str();
    EXPECT_NE(json.str().find("\"peer\":\"[::1]:"), std::string::npos) << json.str();
    EXPECT_NE(json.str().find("\"HeartBeat.request\":2"), std::string::npos) << json.str();
    EXPECT_NE(json.str().find("\"retransmissions_seen\":1"), std::string::npos) << json.str();
    std::remove(stats.c_str());
}

TEST(EdgeProcessTest, CommandLineSwitchesApplyToEveryNewSession) {
    EdgeProcess edge({"--port", "0", "--switches", "refuse-connect=601,temp-first=on"});
    ASSERT_TRUE(edge.Started());
    ScriptedClient c(edge.Port());
    auto req = test::ConnectRequest("zrtc://127.0.0.1/app/live", "");
    c.Send(0, 0, 1, &req);
    Received r;
    ASSERT_TRUE(c.Wait(Is(0, 2), kWaitMs, &r));
    EXPECT_EQ(r.traceId, "edge-1-1");
    ASSERT_TRUE(c.Wait(Is(0, 1), kWaitMs, &r));
    EXPECT_EQ(r.code, 601);
}

TEST(EdgeProcessTest, ControlChannelDrivesOneSession) {
    EdgeProcess edge({"--port", "0", "--control-port", "0"});
    ASSERT_TRUE(edge.Started());
    ASSERT_NE(edge.ControlPort(), 0);
    ScriptedClient c(edge.Port());
    ScriptedClient other(edge.Port());
    const std::string cookie = Connect(c, 1);
    Connect(other, 1);
    EXPECT_EQ(Control(edge.ControlPort(), "bogus"), "error unknown command 'bogus'");
    EXPECT_EQ(Control(edge.ControlPort(), "stop 1.2.3.4:5"), "error no session 1.2.3.4:5");
    const std::string sessions = Control(edge.ControlPort(), "sessions");
    EXPECT_NE(sessions.find(c.Peer()), std::string::npos) << sessions;

    // Refuse this client's subscribe; the other client is untouched.
    EXPECT_EQ(Control(edge.ControlPort(), "set " + c.Peer() + " refuse-subscribe=403"), "ok 1 session(s)");
    auto sub = test::SubscribeRequest("zrtc://127.0.0.1/app/live", cookie, true, true);
    c.Send(2, 0, 2, &sub);
    Received r;
    ASSERT_TRUE(c.Wait(Is(2, 1), kWaitMs, &r));
    EXPECT_EQ(r.code, 403);
    other.Send(2, 0, 2, &sub);
    ASSERT_TRUE(other.Wait(Is(2, 1), kWaitMs, &r));
    EXPECT_EQ(r.code, 200);

    // A server Stop is resent until answered.
    EXPECT_EQ(Control(edge.ControlPort(), "stop " + c.Peer() + " 5 gone"), "ok 1 session(s)");
    ASSERT_TRUE(c.Wait(Is(5, 0), kWaitMs, &r));
    EXPECT_EQ(r.code, 5);
    EXPECT_EQ(r.reason, "gone");
    ASSERT_TRUE(c.Wait(Is(5, 0), kWaitMs, &r));  // the resend: not answered yet
    dive::RtcpAppRspResult ok;
    ok.resultCode = 200;
    c.Send(5, 1, r.msgId, &ok);
    c.Collect(400);  // whatever was in flight
    for (const Received& late : c.Collect(300))
        ADD_FAILURE() << "after the answer: type " << int{late.type} << " kind " << int{late.kind} << " id " << late.msgId;

    EXPECT_EQ(Control(edge.ControlPort(), "notify " + c.Peer() + " 6 0 0300020007"), "ok 1 session(s)");
    ASSERT_TRUE(c.Wait(Is(11, 0), kWaitMs, &r));
    EXPECT_EQ(r.notify.notifyType, 6);
    EXPECT_EQ(r.notify.nestedValue3, 7);
    c.Send(11, 1, r.msgId, &ok);

    EXPECT_EQ(Control(edge.ControlPort(), "mobility " + c.Peer()), "ok 1 session(s)");
    ASSERT_TRUE(c.Wait(Is(13, 13), kWaitMs, &r));
    EXPECT_EQ(Control(edge.ControlPort(), "disconnect " + c.Peer() + " 0 bye"), "ok 1 session(s)");
    ASSERT_TRUE(c.Wait(Is(6, 0), kWaitMs, &r));
    EXPECT_EQ(r.reason, "bye");
    // No client answers a Disconnect: it goes out four times in all.
    size_t resends = 0;
    for (const Received& more : c.Collect(500)) resends += more.type == 6 && more.msgId == r.msgId;
    EXPECT_EQ(resends, 3u);

    // Heartbeats unanswered, then silence.
    EXPECT_EQ(Control(edge.ControlPort(), "set " + c.Peer() + " heartbeat=off"), "ok 1 session(s)");
    c.Send(7, 0, 3, nullptr);
    EXPECT_FALSE(c.Wait(Is(7, 1), 300, &r));
    EXPECT_EQ(Control(edge.ControlPort(), "set " + c.Peer() + " silent=on"), "ok 1 session(s)");
    c.Send(0, 0, 4, nullptr);
    for (const Received& late : c.Collect(300))
        ADD_FAILURE() << "while silent: type " << int{late.type} << " kind " << int{late.kind} << " id " << late.msgId;

    // Restart: the next Connect brings a new cookie; drop: a fresh session starts.
    EXPECT_EQ(Control(edge.ControlPort(), "set " + c.Peer() + " silent=off"), "ok 1 session(s)");
    EXPECT_EQ(Control(edge.ControlPort(), "restart " + c.Peer()), "ok 1 session(s)");
    EXPECT_NE(Connect(c, 5), cookie);
    EXPECT_EQ(Control(edge.ControlPort(), "drop " + c.Peer()), "ok 1 session(s)");
    EXPECT_TRUE(edge.WaitLog("session " + c.Peer() + " ended (dropped)", kWaitMs));
    Connect(c, 6);
    EXPECT_TRUE(edge.WaitLog("session " + c.Peer() + " started", kWaitMs));
    EXPECT_EQ(edge.Stop(), 0);
    EXPECT_NE(edge.Log().find("ended (edge exit)"), std::string::npos);
}

TEST(EdgeProcessTest, LinkEmulatorSitsBetweenSocketAndSessions) {
    EdgeProcess edge({"--port", "0", "--link-up", "delay=150ms", "--link-down", "delay=100ms"});
    ASSERT_TRUE(edge.Started());
    ScriptedClient c(edge.Port());
    auto req = test::ConnectRequest("zrtc://127.0.0.1/app/live", "");
    const int64_t sent = osal_get_time_ms();
    c.Send(0, 0, 1, &req);
    Received r;
    ASSERT_TRUE(c.Wait(Is(0, 1), kWaitMs, &r));
    EXPECT_GE(r.atMs - sent, 250);
    EXPECT_EQ(edge.Stop(), 0);
    EXPECT_NE(edge.Log().find("link: up in=1 out=1"), std::string::npos) << edge.Log();

    EdgeProcess lossy({"--port", "0", "--link-down", "loss=100%"});
    ASSERT_TRUE(lossy.Started());
    ScriptedClient d(lossy.Port());
    d.Send(0, 0, 1, &req);
    EXPECT_FALSE(d.Wait(Is(0, 1), 300, &r));
    EXPECT_TRUE(lossy.WaitLog("session " + d.Peer() + " started", kWaitMs));

    // Changed at run time through the control channel.
    EdgeProcess live({"--port", "0", "--control-port", "0"});
    ASSERT_TRUE(live.Started());
    ScriptedClient e(live.Port());
    Connect(e, 1);
    EXPECT_EQ(Control(live.ControlPort(), "link " + e.Peer() + " down loss=100%"), "ok 1 session(s)");
    e.Send(7, 0, 2, nullptr);
    EXPECT_FALSE(e.Wait(Is(7, 1), 300, &r));
    EXPECT_EQ(Control(live.ControlPort(), "link " + e.Peer() + " down loss=0%"), "ok 1 session(s)");
    e.Send(7, 0, 3, nullptr);
    EXPECT_TRUE(e.Wait(Is(7, 1), kWaitMs, &r));
    EXPECT_EQ(Control(live.ControlPort(), "link * up bogus=1").rfind("error ", 0), 0u);
    EXPECT_EQ(live.Stop(), 0);
    EXPECT_NE(live.Log().find("down in=2 out=1 lost=1"), std::string::npos) << live.Log();

    const std::string bad = std::string(ZRTC_EDGE_PATH) + " --port 0 --link-up loss=lots >/dev/null 2>&1";
    EXPECT_EQ(WEXITSTATUS(std::system(bad.c_str())), 1);
}

TEST(EdgeProcessTest, DeviationsAreLoggedAsOneLine) {
    EdgeProcess edge({"--port", "0"});
    ASSERT_TRUE(edge.Started());
    ScriptedClient c(edge.Port());
    Connect(c, 1);
    // A Subscribe without its mini SDP, as a broken client would send it.
    dive::TLVWriter body;
    body.Write(3, dive::DiveBuffer(std::string("zrtc://127.0.0.1/app/live")));
    body.Write(12, uint8_t{1});
    body.Write(24, uint8_t{0});
    dive::TLVWriter session;
    session.Write(3, uint32_t{1});
    body.Write(23, session);
    body.Write(51, uint8_t{1});
    dive::TLVHeader header;
    header.msgId = 2;
    dive::DiveBuffer app;
    header.WriteHeader(&app);
    app.Append(body.Data(), body.Length());
    dive::DiveRtcpAppWriter writer(0x42);
    const dive::DiveBuffer* packet = writer.Write(2, app);
    c.SendRaw(std::vector<uint8_t>(packet->Data(), packet->Data() + packet->Length()));
    EXPECT_TRUE(edge.WaitLog("edge: bad Subscribe from " + c.Peer() + ": tag 4 missing\n", kWaitMs)) << edge.Log();
    EXPECT_TRUE(edge.WaitLog("edge: bad Subscribe from " + c.Peer() + ": no cookie", kWaitMs)) << edge.Log();
}

}  // namespace
}  // namespace edge
}  // namespace zrtc
