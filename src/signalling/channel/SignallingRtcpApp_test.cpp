// The channel against a scripted server on loopback: schedules on a simulated clock, answers and
// acks, server requests with duplicate suppression, the datagram split, addressing.
#include "signalling/channel/SignallingRtcpApp.h"

#include <arpa/inet.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "engine/EngineServiceContext.h"
#include "osal/TestClock.h"
#include "platform/TestLogCapture.h"
#include "signalling/channel/test/RecordingChannel.h"
#include "signalling/channel/test/ScriptedServer.h"

namespace sigchannel_test {
namespace {

using Events = std::vector<std::string>;

// Long enough for the reader to make several idle passes; nothing is due on a frozen clock.
constexpr int kSilenceMs = 60;

class TestContext : public zeqmcdn::EngineServiceContext {
public:
    TestContext() : EngineServiceContext("sigchannel") {}
    void NotifyUnlock() override {}
};

std::vector<uint8_t> Rtp(size_t len, uint8_t b1 = 96) {
    std::vector<uint8_t> v(len, 0xAB);
    v[0] = 0x80;
    v[1] = b1;
    return v;
}

class ChannelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.Ok());
        const int fd = BoundClientSocket(&clientPort);
        ASSERT_NE(fd, -1);
        channel.SetServerIp("127.0.0.1");
        channel.SetServerPort(server.Port());
        ASSERT_TRUE(channel.SetSfuAddrFamily());
        ASSERT_EQ(channel.CreateSoket(fd), 0);
        channel.SetReady(true);
    }

    SentMessage Next() {
        std::vector<uint8_t> d;
        if (!server.Receive(&d, 2000)) return SentMessage();
        return Decode(d);
    }
    bool Silent(int ms = kSilenceMs) {
        std::vector<uint8_t> d;
        return !server.Receive(&d, ms);
    }
    void Deliver(const std::vector<uint8_t>& datagram) { ASSERT_TRUE(server.SendToPort(clientPort, datagram)); }
    // Events once the reader has handled everything delivered so far: a media marker goes last.
    Events SettledEvents() {
        const size_t before = channel.Events().size();
        Deliver(Rtp(12));
        EXPECT_TRUE(WaitUntil([&] {
            const Events e = channel.Events();
            return e.size() > before && e.back() == "data 12";
        }));
        Events e = channel.Events();
        e.pop_back();
        return e;
    }
    bool SendRequest(dive::DiveRtcpAppSubType type, uint16_t id) {
        dive::RtcpAppReqStop stop;
        stop.url = dive::DiveBuffer(std::string("zrtc://edge/live"));
        dive::RtcpAppReqConnect connect;
        connect.url = stop.url;
        dive::RtcpAppMsg msg;
        msg.msgId = id;
        msg.type = type;
        msg.kind = dive::kRtcpAppRequest;
        if (type == dive::kRtcpAppStop) msg.body = &stop;
        if (type == dive::kRtcpAppConnect) msg.body = &connect;
        return channel.SendMessage(msg);
    }
    // Expects copies 2..`sends` of a datagram at `interval` steps of the simulated clock, and
    // silence (and an empty list) after the last.
    void ExpectResends(uint16_t id, int sends, int interval) {
        for (int i = 2; i <= sends; ++i) {
            clock.Advance(interval - 1);
            EXPECT_TRUE(Silent(30)) << "copy " << i << " came early";
            clock.Advance(1);
            const SentMessage m = Next();
            EXPECT_TRUE(m.ok) << "copy " << i << " missing";
            EXPECT_EQ(m.msgId, id);
        }
        clock.Advance(10 * interval);
        EXPECT_TRUE(Silent());
        EXPECT_TRUE(WaitUntil([&] { return channel.PendingRetransmissions() == 0; }));
    }

    osal::SimulatedClock clock;  // first in, last out: the reader never sees the real clock
    ScriptedServer server;
    RecordingChannel channel;
    int clientPort = 0;
};

// --- retransmission schedule --------------------------------------------------------------------

TEST_F(ChannelTest, UnansweredRequestIsSentFourTimesNinetyMsApart) {
    ASSERT_TRUE(SendRequest(dive::kRtcpAppStop, 17));
    const SentMessage first = Next();
    ASSERT_TRUE(first.ok);
    EXPECT_EQ(first.type, dive::kRtcpAppStop);
    EXPECT_EQ(first.kind, dive::kRtcpAppRequest);
    EXPECT_EQ(first.msgId, 17);
    ExpectResends(17, 4, 90);
    EXPECT_TRUE(channel.Events().empty());
}

TEST_F(ChannelTest, UnansweredHeartBeatIsSentTwiceFourHundredMsApart) {
    ASSERT_TRUE(SendRequest(dive::kRtcpAppHeartBeat, 40));
    ASSERT_EQ(Next().type, dive::kRtcpAppHeartBeat);
    ExpectResends(40, 2, 400);
}

TEST_F(ChannelTest, TemporaryResponseStopsResendsAndReportsTraceId) {
    ASSERT_TRUE(SendRequest(dive::kRtcpAppConnect, 21));
    ASSERT_TRUE(Next().ok);
    clock.Advance(50);
    Deliver(ServerDatagram(dive::kRtcpAppConnect, dive::kRtcpAppTempRsp, 21,
                           [](dive::TLVWriter* w) { w->Write(6, dive::DiveBuffer(std::string("tr-temp"))); }));
    ASSERT_TRUE(channel.WaitForEvents(1));
    EXPECT_EQ(channel.Events(), (Events{"trace connect temp tr-temp"}));
    EXPECT_TRUE(WaitUntil([&] { return channel.PendingRetransmissions() == 0; }));
    clock.Advance(1000);
    EXPECT_TRUE(Silent());
}

TEST_F(ChannelTest, TemporaryResponseOfOtherTypesOnlyStopsResends) {
    ASSERT_TRUE(SendRequest(dive::kRtcpAppStop, 22));
    ASSERT_TRUE(Next().ok);
    Deliver(ServerDatagram(dive::kRtcpAppStop, dive::kRtcpAppTempRsp, 22));
    EXPECT_TRUE(WaitUntil([&] { return channel.PendingRetransmissions() == 0; }));
    EXPECT_TRUE(SettledEvents().empty());
}

// --- final responses ------------------------------------------------------------------------------

TEST_F(ChannelTest, ConnectAnswerIsReportedAndAckedAndRepeatedAnswerStopsTheFirstAck) {
    ASSERT_TRUE(SendRequest(dive::kRtcpAppConnect, 30));
    ASSERT_TRUE(Next().ok);
    Deliver(ServerDatagram(dive::kRtcpAppConnect, dive::kRtcpAppFinalRsp, 30, ResultBody(200, "", "tr-f")));
    SentMessage ack = Next();
    ASSERT_TRUE(ack.ok);
    EXPECT_EQ(ack.type, dive::kRtcpAppConnect);
    EXPECT_EQ(ack.kind, dive::kRtcpAppFinalRspAck);
    EXPECT_EQ(ack.msgId, 30);
    EXPECT_EQ(channel.Events(), (Events{"trace connect final tr-f", "connect id=30 code=200"}));

    // The same answer again: reported again, one more ack, and the first ack's schedule ends.
    Deliver(ServerDatagram(dive::kRtcpAppConnect, dive::kRtcpAppFinalRsp, 30, ResultBody(200, "", "tr-f")));
    ack = Next();
    EXPECT_EQ(ack.kind, dive::kRtcpAppFinalRspAck);
    // The ack leaves before it is recorded: the marker behind it proves the reader is done.
    EXPECT_EQ(SettledEvents().size(), 4u);
    EXPECT_TRUE(WaitUntil([&] { return channel.PendingRetransmissions() == 1; }));
    ExpectResends(30, 4, 90);  // only the second ack is resent
}

struct FinalCase {
    const char* what;
    dive::DiveRtcpAppSubType type;
    uint16_t code;
    Events events;
    bool acked;
};

TEST_F(ChannelTest, FinalResponsesByTypeAndConflictCode) {
    const FinalCase cases[] = {
        {"connect 409", dive::kRtcpAppConnect, 409, {"trace connect final tr"}, true},
        {"publish 200", dive::kRtcpAppPublish, 200, {"trace publish final tr", "publish id=%d code=200"}, true},
        {"publish 409", dive::kRtcpAppPublish, 409, {"trace publish final tr"}, true},
        {"subscribe 404", dive::kRtcpAppSubscribe, 404, {"trace subscribe final tr", "subscribe id=%d code=404"}, true},
        {"subscribe 409", dive::kRtcpAppSubscribe, 409, {"trace subscribe final tr"}, true},
        {"pubupdate 200", dive::kRtcpAppPublishUpdate, 200, {"pubupdate id=%d code=200"}, false},
        {"pubupdate 409", dive::kRtcpAppPublishUpdate, 409, {}, false},
        {"subupdate 200", dive::kRtcpAppSubscribeUpdate, 200, {"subupdate id=%d code=200"}, false},
        {"subupdate 409", dive::kRtcpAppSubscribeUpdate, 409, {}, false},
        {"stop 200", dive::kRtcpAppStop, 200, {"stop id=%d code=200"}, false},
        {"stop 409", dive::kRtcpAppStop, 409, {}, false},
        {"disconnect 200", dive::kRtcpAppDisconnect, 200, {"disconnect id=%d code=200"}, false},
        {"disconnect 409", dive::kRtcpAppDisconnect, 409, {}, false},
        {"heartbeat 409", dive::kRtcpAppHeartBeat, 409, {"heartbeat id=%d code=409"}, false},
        {"mtudetect", dive::kRtcpAppMtuDetect, 200, {}, false},
    };
    uint16_t id = 100;
    for (const FinalCase& c : cases) {
        ++id;
        const size_t before = channel.Events().size();
        Deliver(ServerDatagram(c.type, dive::kRtcpAppFinalRsp, id, ResultBody(c.code, "why", "tr")));
        Events events = SettledEvents();
        events.erase(events.begin(), events.begin() + static_cast<long>(before));
        Events expected;
        for (const std::string& e : c.events) {
            const size_t at = e.find("%d");
            expected.push_back(at == std::string::npos ? e : e.substr(0, at) + std::to_string(id) + e.substr(at + 2));
        }
        EXPECT_EQ(events, expected) << c.what;
        if (c.acked) {
            const SentMessage ack = Next();
            EXPECT_EQ(ack.kind, dive::kRtcpAppFinalRspAck) << c.what;
            EXPECT_EQ(ack.type, c.type) << c.what;
            EXPECT_EQ(ack.msgId, id) << c.what;
        }
        EXPECT_TRUE(Silent(20)) << c.what;
    }
}

TEST_F(ChannelTest, LateAnswerAfterScheduleEndedStillReachesTheEngine) {
    ASSERT_TRUE(SendRequest(dive::kRtcpAppStop, 50));
    ASSERT_TRUE(Next().ok);
    ExpectResends(50, 4, 90);
    clock.Advance(5000);
    Deliver(ServerDatagram(dive::kRtcpAppStop, dive::kRtcpAppFinalRsp, 50, ResultBody(200)));
    EXPECT_EQ(SettledEvents(), (Events{"stop id=50 code=200"}));
}

TEST_F(ChannelTest, ResponseOfAnotherKindIsRefusedByTheResponsePath) {
    dive::RtcpAppRspResult body;
    dive::RtcpAppMsg msg;
    msg.type = dive::kRtcpAppStop;
    msg.kind = dive::kRtcpAppRequest;
    msg.body = &body;
    testing::internal::CaptureStderr();
    channel.OnFinalResponse(msg);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("ASSERT FAIL ProcessClientData:"), std::string::npos) << err;
    EXPECT_TRUE(channel.Events().empty());
}

// --- server requests ------------------------------------------------------------------------------

std::vector<uint8_t> ServerStop(uint16_t id) {
    return ServerDatagram(dive::kRtcpAppStop, dive::kRtcpAppRequest, id, [](dive::TLVWriter* w) {
        w->Write(3, dive::DiveBuffer(std::string("zrtc://edge/live")));
        w->Write(1, static_cast<uint16_t>(3));
        w->Write(2, dive::DiveBuffer(std::string("bye")));
    });
}

TEST_F(ChannelTest, ServerStopIsReportedAndAnsweredOnceWithinEightSeconds) {
    Deliver(ServerStop(300));
    const SentMessage answer = Next();
    ASSERT_TRUE(answer.ok);
    EXPECT_EQ(answer.type, dive::kRtcpAppStop);
    EXPECT_EQ(answer.kind, dive::kRtcpAppFinalRsp);
    EXPECT_EQ(answer.msgId, 300);
    EXPECT_EQ(answer.resultCode, 200);
    EXPECT_EQ(channel.Events(), (Events{"server stop zrtc://edge/live 3 bye"}));

    Deliver(ServerStop(300));  // a repeated copy at once: neither reported nor answered again
    EXPECT_EQ(SettledEvents(), (Events{"server stop zrtc://edge/live 3 bye"}));
    ExpectResends(300, 4, 90);  // the one answer runs its own schedule, nothing more
    clock.Advance(3000);
    Deliver(ServerStop(300));  // still inside the window of the last copy
    EXPECT_TRUE(Silent());
    const Events afterRepeat = channel.Events();
    EXPECT_EQ(std::count(afterRepeat.begin(), afterRepeat.end(), "server stop zrtc://edge/live 3 bye"), 1);

    // 8 s after the last copy the record is gone and the same id is new again.
    clock.Advance(8001);
    EXPECT_TRUE(WaitUntil([&] { return channel.RememberedServerRequests() == 0; }));
    Deliver(ServerStop(300));
    EXPECT_EQ(Next().msgId, 300);
    const Events e = channel.Events();
    EXPECT_EQ(std::count(e.begin(), e.end(), "server stop zrtc://edge/live 3 bye"), 2);
}

TEST_F(ChannelTest, ServerNotifyIsReportedWithItsBodyAndAnswered) {
    Deliver(ServerDatagram(dive::kRtcpAppNotify, dive::kRtcpAppRequest, 301, [](dive::TLVWriter* w) {
        w->Write(19, static_cast<uint8_t>(2));
        w->Write(21, dive::DiveBuffer(std::string("abc")));
    }));
    const SentMessage answer = Next();
    EXPECT_EQ(answer.type, dive::kRtcpAppNotify);
    EXPECT_EQ(answer.kind, dive::kRtcpAppFinalRsp);
    EXPECT_EQ(answer.msgId, 301);
    EXPECT_EQ(answer.resultCode, 200);
    EXPECT_EQ(channel.Events(), (Events{"notify type=2 data=abc"}));
}

TEST_F(ChannelTest, ServerDisconnectIsReportedWithoutAnswer) {
    platform_test::LogCapture log;
    Deliver(ServerDatagram(dive::kRtcpAppDisconnect, dive::kRtcpAppRequest, 302, ResultBody(5, "kicked")));
    EXPECT_EQ(SettledEvents(), (Events{"server disconnect kicked 5"}));
    EXPECT_TRUE(Silent());
    EXPECT_TRUE(log.Has("Neglect server notification disconnect @"));
}

TEST_F(ChannelTest, OtherServerRequestIsLoggedAndNeitherReportedNorAnswered) {
    platform_test::LogCapture log;
    Deliver(ServerDatagram(dive::kRtcpAppMediaControl, dive::kRtcpAppRequest, 303, [](dive::TLVWriter* w) {
        w->Write(18, static_cast<uint32_t>(1));
    }));
    EXPECT_TRUE(SettledEvents().empty());
    EXPECT_TRUE(Silent());
    EXPECT_TRUE(log.Has("Neglect server notification 10 @"));
    EXPECT_EQ(channel.RememberedServerRequests(), 1u);
}

TEST_F(ChannelTest, MobilityNoticeIsReported) {
    platform_test::LogCapture log;
    Deliver(ServerDatagram(dive::kRtcpAppMobility, dive::kRtcpAppRequest, 0));
    EXPECT_EQ(SettledEvents(), (Events{"wan switched"}));
    EXPECT_TRUE(log.Has("Receive WanIpPortSwitched from server @"));
}

// --- datagram split and the reader --------------------------------------------------------------

TEST_F(ChannelTest, MediaGoesToTheEngineAndBadDatagramsAreDropped) {
    std::vector<uint8_t> shortRtcpRange(11, 0);
    shortRtcpRange[0] = 0x80;
    shortRtcpRange[1] = 0x60;
    std::vector<uint8_t> brokenApp = Rtp(16, 204);  // claims 0xABAB words: the codec drops it
    Deliver(Rtp(12));
    Deliver(Rtp(28, 200));  // a sender report is media, not signalling
    Deliver(shortRtcpRange);
    Deliver({0x80});
    Deliver(brokenApp);
    Deliver(Rtp(3000));  // cut to the receive buffer
    EXPECT_EQ(SettledEvents(), (Events{"data 12", "data 28", "data 2048"}));
}

TEST_F(ChannelTest, BurstIsDrainedInOrder) {
    for (int i = 0; i < 200; ++i) Deliver(Rtp(12 + static_cast<size_t>(i % 7)));
    ASSERT_TRUE(channel.WaitForEvents(200));
    const Events e = channel.Events();
    for (int i = 0; i < 200; ++i) EXPECT_EQ(e[static_cast<size_t>(i)], "data " + std::to_string(12 + i % 7));
}

TEST_F(ChannelTest, NothingIsSentOrRecordedBeforeReady) {
    channel.SetReady(false);
    EXPECT_FALSE(SendRequest(dive::kRtcpAppConnect, 60));
    const uint8_t bytes[12] = {0x80, 96};
    EXPECT_EQ(channel.SendData(bytes, sizeof(bytes)), -1);
    EXPECT_TRUE(Silent());
    EXPECT_EQ(channel.PendingRetransmissions(), 0u);
    channel.SetReady(true);
    EXPECT_EQ(channel.SendData(bytes, sizeof(bytes)), 12);
    std::vector<uint8_t> got;
    ASSERT_TRUE(server.Receive(&got, 2000));
    EXPECT_EQ(got, std::vector<uint8_t>(bytes, bytes + 12));
}

TEST_F(ChannelTest, ReaderQuitsOnDestroyAndDestroyIsRepeatable) {
    platform_test::LogCapture log;
    channel.DestorySocket();
    EXPECT_TRUE(log.Has("SocketReaderThread quit @"));
    channel.DestorySocket();
}

// --- addressing -----------------------------------------------------------------------------------

TEST(ChannelAddressTest, FamilyFromServerIpText) {
    struct Case {
        const char* ip;
        bool ok;
        int family;
    } cases[] = {{"10.1.2.3", true, AF_INET}, {"::1", true, AF_INET6}, {"fe80::1", true, AF_INET6},
                 {"1.2.3", false, AF_INET6}, {"edge.example", false, AF_INET6}, {"127.0.0.1", true, AF_INET}};
    RecordingChannel channel;
    platform_test::LogCapture log;
    // Each case starts from the family the previous one left.
    channel.SetServerIp("::2");
    ASSERT_TRUE(channel.SetSfuAddrFamily());
    for (const Case& c : cases) {
        channel.SetServerIp(c.ip);
        EXPECT_EQ(channel.SetSfuAddrFamily(), c.ok) << c.ip;
        EXPECT_EQ(channel.GetAddrFamily(), c.family) << c.ip;
    }
    EXPECT_TRUE(log.Has("Invalid IP Address: edge.example"));
}

TEST(ChannelAddressTest, PeerStorageHoldsFamilyAddressAndPort) {
    RecordingChannel channel;
    channel.SetServerIp("::1");
    channel.SetServerPort(1106);
    ASSERT_TRUE(channel.SetSfuAddrFamily());
    sockaddr_storage s;
    std::memset(&s, 0x5A, sizeof(s));
    ASSERT_TRUE(channel.SetPeerSockAddrStorage(s));
    const auto* a6 = reinterpret_cast<const sockaddr_in6*>(&s);
    EXPECT_EQ(a6->sin6_family, AF_INET6);
    EXPECT_EQ(ntohs(a6->sin6_port), 1106);
    EXPECT_EQ(std::memcmp(&a6->sin6_addr, &in6addr_loopback, sizeof(in6_addr)), 0);
    EXPECT_EQ(a6->sin6_scope_id, 0u);

    channel.SetServerIp("192.0.2.7");
    ASSERT_TRUE(channel.SetSfuAddrFamily());
    ASSERT_TRUE(channel.SetPeerSockAddrStorage(s));
    const auto* a4 = reinterpret_cast<const sockaddr_in*>(&s);
    EXPECT_EQ(a4->sin_family, AF_INET);
    EXPECT_EQ(ntohs(a4->sin_port), 1106);
    EXPECT_EQ(a4->sin_addr.s_addr, inet_addr("192.0.2.7"));
}

TEST(ChannelAddressTest, IpV6ServerIsReachedOnlyWithTheForcedFlag) {
    osal::SimulatedClock clock;
    ScriptedServer server(true);
    if (!server.Ok()) GTEST_SKIP() << "no IPv6 loopback here";
    TestContext context;
    RecordingChannel channel(&context);
    channel.SetServerIp("::1");
    channel.SetServerPort(server.Port());
    ASSERT_TRUE(channel.SetSfuAddrFamily());
    ASSERT_EQ(channel.CreateSoket(-1), 0);
    channel.SetReady(true);
    const uint8_t bytes[12] = {0x80, 96, 1, 2};
    std::vector<uint8_t> got;

    EXPECT_FALSE(channel.GetIpv6Forced());
    EXPECT_EQ(channel.SendData(bytes, sizeof(bytes)), -1);
    EXPECT_FALSE(server.Receive(&got, kSilenceMs));

    context.SetForceIpv6(true);
    EXPECT_TRUE(channel.GetIpv6Forced());
    EXPECT_EQ(channel.SendData(bytes, sizeof(bytes)), 12);
    ASSERT_TRUE(server.Receive(&got, 2000));
    EXPECT_EQ(got, std::vector<uint8_t>(bytes, bytes + 12));

    // The answer path works over the channel's own IPv6 socket too.
    dive::RtcpAppMsg hb;
    hb.msgId = 9;
    hb.type = dive::kRtcpAppHeartBeat;
    ASSERT_TRUE(channel.SendMessage(hb));
    ASSERT_TRUE(server.Receive(&got, 2000));
    ASSERT_TRUE(server.Reply(ServerDatagram(dive::kRtcpAppHeartBeat, dive::kRtcpAppFinalRsp, 9, ResultBody(200))));
    ASSERT_TRUE(channel.WaitForEvents(1));
    EXPECT_EQ(channel.Events(), (Events{"heartbeat id=9 code=200"}));
}

TEST(ChannelSocketTest, NewSocketCarriesTheDialogue) {
    osal::SimulatedClock clock;
    ScriptedServer server;
    ASSERT_TRUE(server.Ok());
    RecordingChannel channel;
    channel.SetServerIp("127.0.0.1");
    channel.SetServerPort(server.Port());
    ASSERT_EQ(channel.CreateSoket(-1), 0);
    EXPECT_TRUE(channel.GetSocket().IsOpen());
    EXPECT_FALSE(channel.GetSocket().IsAdopted());
    channel.SetReady(true);
    dive::RtcpAppMsg hb;
    hb.msgId = 77;
    hb.type = dive::kRtcpAppHeartBeat;
    ASSERT_TRUE(channel.SendMessage(hb));
    std::vector<uint8_t> got;
    ASSERT_TRUE(server.Receive(&got, 2000));
    ASSERT_TRUE(server.Reply(ServerDatagram(dive::kRtcpAppHeartBeat, dive::kRtcpAppFinalRsp, 77, ResultBody(500))));
    ASSERT_TRUE(channel.WaitForEvents(1));
    EXPECT_EQ(channel.Events(), (Events{"heartbeat id=77 code=500"}));
    // A socket without need-close stays open after the reader stops: the engine hands it on.
    const int fd = channel.GetSocket().GetFd();
    channel.DestorySocket();
    EXPECT_TRUE(channel.GetSocket().IsOpen());
    channel.GetSocket().SetNeedClose(true);
    channel.GetSocket().Close();
    EXPECT_FALSE(channel.GetSocket().IsOpen());
    EXPECT_NE(fd, -1);
}

}  // namespace
}  // namespace sigchannel_test
