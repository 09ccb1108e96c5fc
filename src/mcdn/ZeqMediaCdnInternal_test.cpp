// The engine against a scripted edge on loopback, on a simulated clock (kernel waits stay real):
// address choice, properties, connect, keep-alive, dead link, late answers, queue bound.
#include "mcdn/ZeqMediaCdnInternal.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "engine/EngineServiceContext.h"
#include "store/db_helpers.h"
#include "osal/Mutex.h"
#include "osal/TestClock.h"
#include "signalling/channel/test/ScriptedServer.h"
#include "vrio/osal.h"

namespace zeqmcdn {
namespace {

using sigchannel_test::Decode;
using sigchannel_test::ResultBody;
using sigchannel_test::ScriptedServer;
using sigchannel_test::SentMessage;
using sigchannel_test::ServerDatagram;

// Thread safety: the message list is guarded by its mutex; engine threads append, the test reads.
class Listener : public ZeqMediaCdnListener {
public:
    void OnMessage(const MsgParam* msg) override {
        osal::lock_guard<osal::mutex> lock(mLock);
        mMsgs.emplace_back(msg->Duplicate());
        while (mBlockErrors && msg->mMsgId == MsgErrorWarning::kId) {
            mLock.unlock();
            osal_sleep_ms(5);
            mLock.lock();
        }
    }
    void OnRtpRtcpPacket(const uint8_t*, int len) override {
        osal::lock_guard<osal::mutex> lock(mLock);
        mPackets += len;
    }
    size_t Count(uint32_t id) {
        osal::lock_guard<osal::mutex> lock(mLock);
        size_t n = 0;
        for (auto& m : mMsgs) n += m->mMsgId == id ? 1 : 0;
        return n;
    }
    // The last message of `id` as a copy (nullptr when none).
    template <typename T>
    std::unique_ptr<T> Last() {
        osal::lock_guard<osal::mutex> lock(mLock);
        for (auto it = mMsgs.rbegin(); it != mMsgs.rend(); ++it) {
            if ((*it)->mMsgId == T::kId) return std::unique_ptr<T>(static_cast<T*>((*it)->Duplicate()));
        }
        return nullptr;
    }
    bool WaitFor(uint32_t id, size_t n, int ms = 2500) {
        for (int waited = 0; waited < ms; waited += 5) {
            if (Count(id) >= n) return true;
            osal_sleep_ms(5);
        }
        return Count(id) >= n;
    }
    void BlockErrors(bool on) {
        osal::lock_guard<osal::mutex> lock(mLock);
        mBlockErrors = on;
    }

private:
    osal::mutex mLock;
    std::vector<std::unique_ptr<MsgParam>> mMsgs;  // guarded by mLock
    int mPackets = 0;                              // guarded by mLock
    bool mBlockErrors = false;                     // guarded by mLock
};

class TestContext : public EngineServiceContext {
public:
    TestContext() : EngineServiceContext("mcdn") {}
    void NotifyUnlock() override {}
};

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.Ok());
        setenv("SFUIP", "127.0.0.1", 1);
        setenv("SFUPORT", std::to_string(server.Port()).c_str(), 1);
    }
    void TearDown() override {
        engine.reset();
        unsetenv("SFUIP");
        unsetenv("SFUPORT");
    }
    void Start(const SfuUrl& url, EngineServiceContext* context = nullptr) {
        engine.reset(new ZeqMediaCdnInternal(context, &listener, url));
    }
    static SfuUrl Url() {
        SfuUrl u;
        u.url = "zrtc://edge.example.test/live/stream";
        return u;
    }
    // The next request of `type` the edge receives within `ms` (other datagrams are skipped).
    // Requests with ids up to `skipId` (resends of earlier ones) are skipped too.
    SentMessage NextOf(uint8_t type, int ms = 2500, int skipId = -1) {
        const int64_t end = RealNow() + ms;
        std::vector<uint8_t> d;
        while (RealNow() < end) {
            if (!server.Receive(&d, static_cast<int>(end - RealNow()))) break;
            SentMessage m = Decode(d);
            if (m.ok && m.type == type && m.kind == dive::kRtcpAppRequest && static_cast<int>(m.msgId) > skipId) return m;
        }
        return SentMessage();
    }
    static int64_t RealNow() {
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
    }
    void ConnectOk() {
        SigCmdConnParam cmd;
        cmd.mStreamUrl = Url().url;
        ASSERT_TRUE(engine->QueueCommand(&cmd));
        SentMessage m = NextOf(dive::kRtcpAppConnect);
        ASSERT_TRUE(m.ok);
        ASSERT_TRUE(server.Reply(ServerDatagram(dive::kRtcpAppConnect, dive::kRtcpAppFinalRsp, m.msgId,
                                                ResultBody(200, "ok", "trace-1"))));
        ASSERT_TRUE(listener.WaitFor(MsgConnResult::kId, 1));
    }

    osal::SimulatedClock clock;
    ScriptedServer server;
    Listener listener;
    std::unique_ptr<ZeqMediaCdnInternal> engine;
};

TEST_F(EngineTest, EnvironmentAddressAndProperties) {
    Start(Url());
    EXPECT_EQ(engine->AddressSource(), 5);
    char buf[64];
    ASSERT_EQ(engine->GetProperty("sfu_ip", buf, sizeof(buf)), 1);
    EXPECT_STREQ(buf, "127.0.0.1");
    ASSERT_EQ(engine->GetProperty("sfu_port", buf, sizeof(buf)), 1);
    EXPECT_EQ(std::string(buf), std::to_string(server.Port()));
    ASSERT_EQ(engine->GetProperty("ip_version", buf, sizeof(buf)), 1);
    EXPECT_STREQ(buf, "ipv4");
    ASSERT_EQ(engine->GetProperty("sfu_ip", buf, 4), 1);
    EXPECT_STREQ(buf, "127");  // cut to size - 1
    EXPECT_EQ(engine->GetProperty("sfu_ip", buf, 1), 0);
    EXPECT_EQ(engine->GetProperty("other", buf, sizeof(buf)), 0);
    EXPECT_EQ(engine->GetProperty(nullptr, buf, sizeof(buf)), 0);
    EXPECT_EQ(engine->GetProperty("sfu_ip", nullptr, 8), 0);
}

std::string Stat(NetBit::DatabaseManager* db, const char* key) {
    NetBit::DbTableLock table(db, 0, true);
    return db_query(db, table.get(), key, "missing");
}

TEST_F(EngineTest, StartUpStatisticsGoToTableZero) {
    NetBit::DatabaseManager db;
    db_create(&db, 0);
    TestContext context;
    context.SetUserData(&db, nullptr);
    Start(Url(), &context);
    EXPECT_EQ(Stat(&db, "start_up_retry_times"), "0");  // a missing count reads as -1
    EXPECT_EQ(Stat(&db, "start_up_dns_request"), std::to_string(clock.Now()));
    EXPECT_EQ(Stat(&db, "start_up_dns_return"), std::to_string(clock.Now()));
    engine.reset();
    Start(Url(), &context);
    EXPECT_EQ(Stat(&db, "start_up_retry_times"), "1");
    engine.reset();
    context.SetUserData(nullptr, nullptr);
}

TEST_F(EngineTest, ForcedAddressWinsOverEnvironment) {
    SfuUrl u = Url();
    u.sfuIp = "::1";
    u.sfuPort = "20010";
    Start(u);
    EXPECT_EQ(engine->AddressSource(), 1);
    char buf[64];
    ASSERT_EQ(engine->GetProperty("ip_version", buf, sizeof(buf)), 1);
    EXPECT_STREQ(buf, "ipv6");
    ASSERT_EQ(engine->GetProperty("sfu_port", buf, sizeof(buf)), 1);
    EXPECT_STREQ(buf, "20010");
}

TEST_F(EngineTest, FailedLookupWarnsAndFallsBack) {
    unsetenv("SFUIP");
    unsetenv("SFUPORT");
    TestContext context;
    context.SetParameter("dns_query_cancel", "1");  // the lookup gives up at once
    SfuUrl u;
    u.url = "zrtc://edge.invalid/live/stream";
    Start(u, &context);
    ASSERT_EQ(listener.Count(MsgErrorWarning::kId), 1u);
    auto warn = listener.Last<MsgErrorWarning>();
    EXPECT_EQ(warn->mCategory, 4);
    EXPECT_EQ(warn->mSubCode, 0x20000001u);
    EXPECT_STREQ(warn->mInvokeId.c_str(), "0-na-0-0");
    char buf[64];
    ASSERT_EQ(engine->GetProperty("sfu_ip", buf, sizeof(buf)), 1);
    EXPECT_STREQ(buf, VRIO_MCDN_FALLBACK_IP);
    ASSERT_EQ(engine->GetProperty("sfu_port", buf, sizeof(buf)), 1);
    EXPECT_STREQ(buf, "20003");
    engine.reset();
}

TEST_F(EngineTest, ConnectResultReachesListenerWithInvokeId) {
    Start(Url());
    ConnectOk();
    auto res = listener.Last<MsgConnResult>();
    ASSERT_TRUE(res);
    EXPECT_EQ(res->mResult, 200u);
    EXPECT_STREQ(res->mTraceId.c_str(), "trace-1");
    EXPECT_EQ(std::string(res->mInvokeId.c_str()).rfind("0-conn-0-", 0), 0u) << res->mInvokeId.c_str();
    EXPECT_EQ(res->mInvokeId.size(), std::string("0-conn-0-").size() + 12);
    EXPECT_TRUE(engine->LinkEstablished());
}

TEST_F(EngineTest, HeartBeatsAtLeast1001MsApartThenDeadLinkRaisedOnce) {
    Start(Url());
    ConnectOk();
    // The first heartbeat goes out at once, the next only once 1001 ms have passed.
    SentMessage first = NextOf(dive::kRtcpAppHeartBeat);
    ASSERT_TRUE(first.ok);
    clock.Advance(1000);
    EXPECT_FALSE(NextOf(dive::kRtcpAppHeartBeat, 1300, first.msgId).ok);
    clock.Advance(1);
    SentMessage second = NextOf(dive::kRtcpAppHeartBeat, 2500, first.msgId);
    EXPECT_TRUE(second.ok);
    // Nothing heard for more than 4 s: one dead-link error, and the heartbeats stop.
    clock.Advance(3000);
    ASSERT_TRUE(listener.WaitFor(MsgErrorWarning::kId, 1));
    auto err = listener.Last<MsgErrorWarning>();
    EXPECT_EQ(err->mSubCode, 0x10000001u);
    EXPECT_EQ(err->mCategory, 2);
    EXPECT_FALSE(engine->LinkEstablished());
    clock.Advance(5000);
    SentMessage after = NextOf(dive::kRtcpAppHeartBeat, 1300, second.msgId);
    EXPECT_FALSE(after.ok) << first.msgId << " " << second.msgId << " " << after.msgId;
    EXPECT_EQ(listener.Count(MsgErrorWarning::kId), 1u);
}

TEST_F(EngineTest, AnswerAfter4000MsIsLateAndRepeatedAnswerIgnored) {
    Start(Url());
    SigCmdStopParam stop;
    stop.mStreamUrl = Url().url;
    ASSERT_TRUE(engine->QueueCommand(&stop));
    SentMessage late = NextOf(dive::kRtcpAppStop);
    ASSERT_TRUE(late.ok);
    clock.Advance(5000);
    ASSERT_TRUE(server.Reply(ServerDatagram(dive::kRtcpAppStop, dive::kRtcpAppFinalRsp, late.msgId, ResultBody(200))));
    ASSERT_TRUE(engine->QueueCommand(&stop));
    SentMessage onTime = NextOf(dive::kRtcpAppStop);
    ASSERT_TRUE(onTime.ok);
    ASSERT_TRUE(server.Reply(ServerDatagram(dive::kRtcpAppStop, dive::kRtcpAppFinalRsp, onTime.msgId, ResultBody(201))));
    ASSERT_TRUE(listener.WaitFor(MsgStopResult::kId, 1));
    ASSERT_TRUE(server.Reply(ServerDatagram(dive::kRtcpAppStop, dive::kRtcpAppFinalRsp, onTime.msgId, ResultBody(202))));
    osal_sleep_ms(200);
    EXPECT_EQ(listener.Count(MsgStopResult::kId), 1u);
    EXPECT_EQ(listener.Last<MsgStopResult>()->mResult, 201u);
}

TEST_F(EngineTest, SameTraceIdTwiceGivesOneMessage) {
    Start(Url());
    engine->onTraceIDChanged("connect", "temp", "t1");
    engine->onTraceIDChanged("connect", "temp", "t1");
    engine->onTraceIDChanged("connect", "final", "t1");
    engine->onTraceIDChanged("connect", "temp", "t2");
    EXPECT_EQ(listener.Count(MsgTraceIDChanged::kId), 3u);
}

TEST_F(EngineTest, HundredAndFirstPendingCommandIsRefused) {
    Start(Url());
    ConnectOk();
    // Hold the command thread inside the dead-link report so that nothing is taken off the queue.
    listener.BlockErrors(true);
    clock.Advance(4001);
    ASSERT_TRUE(listener.WaitFor(MsgErrorWarning::kId, 1));
    SigCmdDisconnParam cmd;
    for (int i = 0; i < 100; ++i) ASSERT_TRUE(engine->QueueCommand(&cmd)) << i;
    EXPECT_FALSE(engine->QueueCommand(&cmd));
    listener.BlockErrors(false);
}

TEST_F(EngineTest, NetInfoNotifyOverLimitIsDropped) {
    Start(Url());
    dive::RtcpAppReqNotify n;
    n.notifyType = 6;
    std::vector<uint8_t> big(2049, 1);
    n.data.Assign(big.data(), big.size());
    engine->OnNetInfoNotify(&n);
    EXPECT_EQ(listener.Count(MsgNotifyKeyInfo::kId), 0u);
    n.data.Assign(big.data(), 2048);
    engine->OnNetInfoNotify(&n);
    EXPECT_EQ(listener.Count(MsgNotifyKeyInfo::kId), 1u);
}

}  // namespace
}  // namespace zeqmcdn

namespace zeqmcdn {
namespace {

TEST_F(EngineTest, SubscribeAndPublishAnswersBecomeResultsAndEstablishTheLink) {
    Start(Url());
    SigCmdSubscribeParam sub(String("1a"));
    sub.mStreamUrl = Url().url;
    sub.mVideo.push_back(SubscribeTrack{String("v0")});
    ASSERT_TRUE(engine->QueueCommand(&sub));
    SentMessage m = NextOf(dive::kRtcpAppSubscribe);
    ASSERT_TRUE(m.ok);
    EXPECT_FALSE(engine->LinkEstablished());
    ASSERT_TRUE(server.Reply(ServerDatagram(dive::kRtcpAppSubscribe, dive::kRtcpAppFinalRsp, m.msgId,
                                            ResultBody(200, "", "tr-s"))));
    ASSERT_TRUE(listener.WaitFor(MsgSubResult::kId, 1));
    auto res = listener.Last<MsgSubResult>();
    EXPECT_EQ(res->mResult, 200);
    EXPECT_STREQ(res->mTraceId.c_str(), "tr-s");
    EXPECT_EQ(std::string(res->mInvokeId.c_str()).rfind("1a-sub-0-", 0), 0u) << res->mInvokeId.c_str();
    EXPECT_TRUE(engine->LinkEstablished());

    SigCmdPublishParam pub;
    pub.mStreamUrl = Url().url;
    PublishAudioTrack a;
    a.msid = "a0";
    a.codec = 1;
    a.sampleRate = 48000;
    a.channels = 2;
    pub.mAudio.push_back(a);
    ASSERT_TRUE(engine->QueueCommand(&pub));
    SentMessage p = NextOf(dive::kRtcpAppPublish);
    ASSERT_TRUE(p.ok);
    ASSERT_TRUE(server.Reply(ServerDatagram(dive::kRtcpAppPublish, dive::kRtcpAppFinalRsp, p.msgId,
                                            ResultBody(403, "denied"))));
    ASSERT_TRUE(listener.WaitFor(MsgPubResult::kId, 1));
    auto pr = listener.Last<MsgPubResult>();
    EXPECT_EQ(pr->mResult, 403);
    EXPECT_STREQ(pr->mReason.c_str(), "denied");
}

}  // namespace
}  // namespace zeqmcdn
