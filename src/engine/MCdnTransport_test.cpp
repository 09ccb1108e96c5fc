// The transport with a test double of the edge engine: connection states, demultiplexing by SSRC
// with the early-packet cache, result routing by invoke id.
#include "engine/MCdnTransport.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "engine/EngineServiceContext.h"
#include "osal/TestClock.h"
#include "store/CrossSessionCache.h"
#include "store/DatabaseManager.h"
#include "store/db_helpers.h"

namespace zeqmcdn {
namespace {

// The edge engine as the transport sees it: records commands, answers properties.
class FakeEngine : public ZeqMediaCdn {
public:
    static FakeEngine* last;
    static std::vector<uint32_t> commands;  // every command id queued, across engines
    static int destroyed;
    FakeEngine() { last = this; }
    ~FakeEngine() override {
        ++destroyed;
        if (last == this) last = nullptr;
    }
    bool QueueCommand(const SigCmdParam* cmd) override {
        commands.push_back(cmd->mCmdId);
        return true;
    }
    int QueueRtpPacket(const uint8_t*, int) override { return 0; }
    int GetProperty(const char* name, char* buffer, int size) override {
        std::string v = std::string(name) == "sfu_ip" ? "127.0.0.1" : std::string(name) == "sfu_port" ? "20003" : "ipv4";
        snprintf(buffer, static_cast<size_t>(size), "%s", v.c_str());
        return 1;
    }
    static ZeqMediaCdn* Make(void*, ZeqMediaCdnListener*, const SfuUrl&) { return new FakeEngine(); }
};
FakeEngine* FakeEngine::last = nullptr;
std::vector<uint32_t> FakeEngine::commands;
int FakeEngine::destroyed = 0;

// A session context that keeps its engine messages and a statistics database.
class TestContext : public EngineServiceContext {
public:
    TestContext() : EngineServiceContext("transport-test") {
        auto* db = new NetBit::DatabaseManager();
        db->CreateTablesFor(0);
        SetUserData(db, [](void* p) { delete static_cast<NetBit::DatabaseManager*>(p); });
        SetMsgHandler(&TestContext::OnEngineMessage, this);
    }
    ~TestContext() override { ShutdownMessageThread(); }
    void NotifyUnlock() override { ++unlocks; }
    static int OnEngineMessage(void* user, int code, void* text, long long) {
        auto* self = static_cast<TestContext*>(user);
        std::lock_guard<std::mutex> guard(self->m);
        self->messages.emplace_back(code, static_cast<const char*>(text));
        return 0;
    }
    // Waits (bounded) until message `code` arrived; returns its text or "".
    std::string WaitFor(int code) {
        for (int i = 0; i < 2000; ++i) {
            {
                std::lock_guard<std::mutex> guard(m);
                for (auto& msg : messages)
                    if (msg.first == code) return msg.second;
            }
            osal_sleep_ms(1);
        }
        return "";
    }
    std::vector<int> Codes() {
        std::lock_guard<std::mutex> guard(m);
        std::vector<int> codes;
        for (auto& msg : messages) codes.push_back(msg.first);
        return codes;
    }
    std::mutex m;
    std::vector<std::pair<int, std::string>> messages;
    std::atomic<int> unlocks{0};
};

class RecordingListener : public ZeqMediaCdnListener {
public:
    void OnMessage(const MsgParam* msg) override { messages.push_back(msg->mMsgId); }
    void OnRtpRtcpPacket(const uint8_t* data, int len) override { packets.emplace_back(data, data + len); }
    std::vector<uint32_t> messages;
    std::vector<std::vector<uint8_t>> packets;
};

std::vector<uint8_t> Rtp(uint32_t ssrc) {
    std::vector<uint8_t> p = {0x80, 96, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0xde, 0xad};
    p[8] = ssrc >> 24, p[9] = ssrc >> 16, p[10] = ssrc >> 8, p[11] = ssrc & 0xff;
    return p;
}

std::vector<uint8_t> Rtcp(uint8_t pt, uint32_t at4, uint32_t at8) {
    std::vector<uint8_t> p(16, 0);
    p[0] = 0x81, p[1] = pt;
    for (int i = 0; i < 4; ++i) p[4 + i] = static_cast<uint8_t>(at4 >> (24 - 8 * i));
    for (int i = 0; i < 4; ++i) p[8 + i] = static_cast<uint8_t>(at8 >> (24 - 8 * i));
    return p;
}

class TransportTest : public testing::Test {
protected:
    void SetUp() override {
        previous = ZeqMediaCdn::SetFactory(&FakeEngine::Make);
        FakeEngine::commands.clear();
        FakeEngine::destroyed = 0;
    }
    void TearDown() override {
        transport.StopTransport();
        ZeqMediaCdn::SetFactory(previous);
    }
    void Feed(const std::vector<uint8_t>& p) { transport.OnRtpRtcpPacket(p.data(), static_cast<int>(p.size())); }
    std::vector<MCdnTransport::ConnState> Drain() {
        std::vector<MCdnTransport::ConnState> states;
        MCdnTransport::ConnState s;
        while (transport.RetrieveConnStateChangeMsg(s)) states.push_back(s);
        return states;
    }
    void Start(bool handshake = true, const char* url = "zrtc://edge.test:1106/live/s") {
        MCdnTransportConfig cfg;
        cfg.connectHandshake = handshake;
        cfg.signallingTimeoutMs = 10000;
        ASSERT_EQ(transport.StartTransport(url, "", "", cfg), 0);
    }
    void Result(uint32_t code) {
        MsgConnResult r(String("0"));
        r.mResult = code;
        transport.OnMessage(&r);
    }

    osal::SimulatedClock clock{1700000000000LL};
    ZeqMediaCdn::Factory previous = nullptr;
    TestContext ctx;
    MCdnTransport transport{&ctx};
};

TEST_F(TransportTest, ConnectSentAndAnsweredMovesToConnected) {
    Start();
    EXPECT_EQ(FakeEngine::commands, (std::vector<uint32_t>{SigCmdConnParam::kId}));
    EXPECT_EQ(transport.GetConnState(), MCdnTransport::CONN_CONNECTING);
    EXPECT_EQ(ctx.WaitFor(122), "code=122,when=1700000000000,where=MCdnTransport,who=0,desc=\"sfu:127.0.0.1,port:20003,ip_version:ipv4\"");
    Result(200);
    EXPECT_EQ(transport.GetConnState(), MCdnTransport::CONN_CONNECTED);
    EXPECT_EQ(Drain(), (std::vector<MCdnTransport::ConnState>{MCdnTransport::CONN_CONNECTING, MCdnTransport::CONN_CONNECTED}));
    EXPECT_EQ(ctx.unlocks.load(), 1);
    EXPECT_NE(ctx.WaitFor(20009), "");
    transport.StopTransport();
    EXPECT_EQ(FakeEngine::commands.back(), SigCmdStopParam::kId);
    EXPECT_EQ(FakeEngine::destroyed, 1);
    EXPECT_EQ(Drain(), (std::vector<MCdnTransport::ConnState>{MCdnTransport::CONN_STOPPING, MCdnTransport::CONN_IDLE}));
    EXPECT_EQ(transport.Lock(), nullptr);
}

TEST_F(TransportTest, ConnectResultCodes) {
    struct Case {
        uint32_t code;
        MCdnTransport::ConnState state;
        std::vector<int> posts;
    } cases[] = {
        {601, MCdnTransport::CONN_CONNECTED, {30001}},
        {404, MCdnTransport::CONN_FAIL, {20013, 20010}},
        {403, MCdnTransport::CONN_FAIL, {20002, 20010}},
        {405, MCdnTransport::CONN_FAIL, {20054, 20010}},
        {302, MCdnTransport::CONN_FAIL, {20010}},
        {409, MCdnTransport::CONN_FAIL, {20010}},
        {0xffffffffu, MCdnTransport::CONN_CONNECTING, {}},
    };
    for (const Case& c : cases) {
        transport.StopTransport();
        {
            std::lock_guard<std::mutex> guard(ctx.m);
            ctx.messages.clear();
        }
        Start(true, ("zrtc://edge" + std::to_string(c.code) + ".test/live/s").c_str());
        Result(c.code);
        EXPECT_EQ(transport.GetConnState(), c.state) << c.code;
        std::vector<int> expected = {122};
        expected.insert(expected.end(), c.posts.begin(), c.posts.end());
        if (!c.posts.empty()) ctx.WaitFor(c.posts.back());
        osal_sleep_ms(10);
        EXPECT_EQ(ctx.Codes(), expected) << c.code;
        if (c.code == 404) {
            EXPECT_NE(ctx.WaitFor(20010).find("desc=\"code:404\""), std::string::npos);
        }
    }
    bool immediate = true;
    transport.StopTransport();
    Start(true, "zrtc://edge-fail.test/live/s");
    Result(403);
    EXPECT_TRUE(transport.NeedReconnect(immediate));
    EXPECT_FALSE(immediate);
}

TEST_F(TransportTest, WithoutHandshakeOrWithAValidCookieNoConnectIsSent) {
    Start(false);
    EXPECT_TRUE(FakeEngine::commands.empty());
    EXPECT_EQ(transport.GetConnState(), MCdnTransport::CONN_CONNECTED);
    transport.StopTransport();
    FakeEngine::commands.clear();

    const std::string url = "zrtc://cookie.test/live/s";
    CrossSessionCache::Inst()->UpdateDns(url, "127.0.0.1", "20003");
    CrossSessionCache::Inst()->UpdateCookie(url, "c00k1e");
    CrossSessionCache::Inst()->UpdateCookieExpirationTime(url, clock.Now() + 1000);
    Start(true, url.c_str());
    EXPECT_TRUE(FakeEngine::commands.empty());
    EXPECT_EQ(transport.GetConnState(), MCdnTransport::CONN_CONNECTED);
    transport.StopTransport();
    FakeEngine::commands.clear();

    clock.Advance(1000);  // the cookie has expired
    Start(true, url.c_str());
    EXPECT_EQ(FakeEngine::commands, (std::vector<uint32_t>{SigCmdConnParam::kId}));
}

TEST_F(TransportTest, UnansweredConnectNeedsAReconnectAfterTheSignallingTimeout) {
    Start();
    bool immediate = false;
    clock.Advance(10000);
    EXPECT_FALSE(transport.NeedReconnect(immediate));
    clock.Advance(1);
    EXPECT_TRUE(transport.NeedReconnect(immediate));
    EXPECT_TRUE(immediate);
    EXPECT_NE(ctx.WaitFor(20011).find("desc=\"cost:10001\""), std::string::npos);

    MsgErrorWarning dead(String("0-rtcpapp-0-0"));
    dead.mCategory = 2;
    dead.mSubCode = 0x10000001;
    transport.OnMessage(&dead);
    immediate = false;
    EXPECT_EQ(transport.GetConnState(), MCdnTransport::CONN_RETRY);
    EXPECT_TRUE(transport.NeedReconnect(immediate));
    EXPECT_TRUE(immediate);
}

TEST_F(TransportTest, DemultiplexingBySsrc) {
    Start(false);
    RecordingListener a, b;
    transport.RegisterReceiver(1, "zrtc://e/a", &a);
    transport.RegisterReceiver(2, "zrtc://e/b", &b);
    const uint32_t ssrcA = 0x11111111, ssrcB = 0x22222222;
    transport.SetSsrcFilter(1, &ssrcA, 1);
    transport.SetSsrcFilter(2, &ssrcB, 1);
    Feed(Rtp(ssrcA));
    Feed(Rtp(ssrcB));
    Feed(Rtcp(200, ssrcB, 0));      // sender report: SSRC in bytes 4-7
    Feed(Rtcp(205, 0, ssrcA));      // NACK: media SSRC in bytes 8-11
    Feed(Rtcp(201, ssrcA, ssrcA));  // receiver report: never delivered
    Feed(Rtcp(204, ssrcA, ssrcA));  // APP: not media
    Feed(Rtp(0x33333333));          // nobody's: dropped
    Feed(std::vector<uint8_t>(11, 0x80));  // too short
    EXPECT_EQ(a.packets.size(), 2u);
    EXPECT_EQ(b.packets.size(), 2u);
    EXPECT_EQ(transport.GetTotalPackeRx(), 8);
    EXPECT_NE(ctx.WaitFor(132), "");
    transport.DeregisterReceiver(1);
    Feed(Rtp(ssrcA));
    EXPECT_EQ(a.packets.size(), 2u);
}

TEST_F(TransportTest, EarlyDatagramsWaitHalfASecondForTheirParticipant) {
    Start(false);
    RecordingListener a;
    transport.RegisterReceiver(1, "zrtc://e/a", &a);
    const uint32_t ssrc = 0x0a0b0c0d;
    Feed(Rtp(ssrc));
    clock.Advance(499);
    Feed(Rtp(ssrc));
    clock.Advance(1);
    Feed(Rtp(ssrc));  // 500 ms after the first: too late to be kept
    Feed(Rtp(0x99));  // another SSRC inside no window: dropped as well
    transport.SetSsrcFilter(1, &ssrc, 1);
    EXPECT_EQ(a.packets.size(), 2u);

    // With a participant registered, an unknown SSRC is dropped at once.
    Feed(Rtp(0x77777777));
    const uint32_t other = 0x77777777;
    RecordingListener b;
    transport.RegisterReceiver(2, "zrtc://e/b", &b);
    transport.SetSsrcFilter(2, &other, 1);
    EXPECT_TRUE(b.packets.empty());
}

TEST_F(TransportTest, ResultsAreRoutedByInvokeId) {
    Start(false);
    RecordingListener a, one;
    transport.RegisterReceiver(0x1a, "zrtc://e/a", &a);
    transport.RegisterReceiver(1, "zrtc://e/one", &one);
    MsgSubResult sub(String("1a-sub-0-abcdef"));
    transport.OnMessage(&sub);
    MsgSubResult bad(String("xyz"));
    transport.OnMessage(&bad);
    MsgNotifyUpstreamInfo upstream(String("0"));
    transport.OnMessage(&upstream);
    MsgOnStreamStop stop(String("0"));
    stop.mStreamUrl = "zrtc://e/a";
    transport.OnMessage(&stop);
    EXPECT_EQ(a.messages, (std::vector<uint32_t>{MsgSubResult::kId, MsgOnStreamStop::kId}));
    EXPECT_EQ(one.messages, (std::vector<uint32_t>{MsgNotifyUpstreamInfo::kId}));
}

TEST_F(TransportTest, TraceIdChangesBecomeTraceMessages) {
    Start(false);
    auto* db = static_cast<NetBit::DatabaseManager*>(ctx.GetUserData());
    {
        NetBit::DbTableLock t(db, 0, true);
        db_update(db, t.get(), "help_support_id", "app-edge-harmony-1-r");
    }
    MsgTraceIDChanged sub(String("0"));
    sub.mCommand = "subscribe";
    sub.mResponseKind = "final";
    sub.mTraceId = "T42";
    transport.OnMessage(&sub);
    EXPECT_NE(ctx.WaitFor(104).find("desc=\"trace:app-edge-harmony-1-r-sub-T42\""), std::string::npos);
    NetBit::DbTableLock t(db, 0, true);
    EXPECT_EQ(db_query(db, t.get(), "traceid", ""), "T42");
}

}  // namespace
}  // namespace zeqmcdn
