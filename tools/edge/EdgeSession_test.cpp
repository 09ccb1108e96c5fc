#include "EdgeSession.h"

#include <gtest/gtest.h>

#include "test/ScriptedClient.h"

namespace zrtc {
namespace edge {
namespace {

using test::BuildClient;
using test::Received;

class FakeChannel : public ClientChannel {
public:
    void SendToClient(const uint8_t* data, size_t len) override {
        EXPECT_TRUE(capture.Feed(data, len)) << "the client codec refused a datagram of " << len << " bytes";
        ++datagrams;
    }
    test::Capture capture;
    int datagrams = 0;
};

// One session driven by hand, on a clock the test moves.
class EdgeSessionTest : public ::testing::Test {
protected:
    void Make(SessionSwitches switches = {}) {
        session = std::make_unique<EdgeSession>("127.0.0.1:40000", 1, &catalogue, config, switches, &channel, nullptr,
                                                now);
    }
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(catalogue.Add("live=opus+h264@1280x720", &error)) << error;
        ASSERT_TRUE(catalogue.Add("cam=aac@44100/1+hevc", &error)) << error;
        Make();
    }
    void Feed(uint8_t type, uint8_t kind, uint16_t id, void* body) {
        const Bytes d = BuildClient(client, type, kind, id, body);
        session->OnDatagram(d.data(), d.size(), now);
    }
    void Advance(int64_t ms) {
        for (int64_t i = 0; i < ms; ++i) {
            ++now;
            session->Poll(now);
        }
    }
    std::vector<Received> Take() {
        std::vector<Received> out;
        out.swap(channel.capture.Messages());
        return out;
    }
    // Connect and return its answer.
    Received Connect(uint16_t id = 1) {
        auto req = test::ConnectRequest("zrtc://edge/app/live", "");
        Feed(0, 0, id, &req);
        auto got = Take();
        EXPECT_EQ(got.size(), 1u);
        return got.empty() ? Received{} : got.back();
    }

    int64_t now = 1000000;
    StreamCatalogue catalogue;
    SessionConfig config;
    FakeChannel channel;
    dive::DiveRtcpApp client{nullptr, 0x1234};
    std::unique_ptr<EdgeSession> session;
};

TEST_F(EdgeSessionTest, ConnectSubscribeHeartbeatDisconnect) {
    const Received c = Connect(5);
    EXPECT_EQ(c.type, 0);
    EXPECT_EQ(c.kind, 1);
    EXPECT_EQ(c.msgId, 5);
    EXPECT_EQ(c.code, 200);
    EXPECT_EQ(c.cookie, session->Cookie());
    EXPECT_FALSE(c.cookie.empty());
    EXPECT_EQ(c.traceId, "edge-1-5");
    Feed(0, 3, 5, nullptr);  // the ack, sent four times by the client: none answered
    Feed(0, 3, 5, nullptr);
    EXPECT_TRUE(Take().empty());
    EXPECT_EQ(session->Stats().retransmissionsSeen, 1u);

    auto sub = test::SubscribeRequest("zrtc://edge/app/live?x=1", c.cookie, true, true);
    Feed(2, 0, 6, &sub);
    auto got = Take();
    ASSERT_EQ(got.size(), 1u);
    const Received& s = got[0];
    EXPECT_EQ(s.code, 200);
    ASSERT_EQ(s.sdp.audios.size(), 1u);
    ASSERT_EQ(s.sdp.videos.size(), 1u);
    EXPECT_EQ(s.sdp.audios[0].msid.ToString(), "vrio audio");
    EXPECT_EQ(s.sdp.audios[0].payloadType, StreamCatalogue::kOpusPayloadType);
    EXPECT_EQ(s.sdp.audios[0].ssrc, catalogue.Streams()[0].audioSsrc);
    dive::RtcpAppAudioCodecConfig codec;
    ASSERT_TRUE(codec.Decode(s.sdp.audios[0].codecConfig));
    EXPECT_EQ(codec.codecId, dive::kAudioCodecOpus);
    EXPECT_EQ(codec.sampleRate, 48000u);
    EXPECT_EQ(codec.channels, 2);
    EXPECT_FALSE(s.sdp.audios[0].opusConfig.Empty());
    EXPECT_EQ(s.sdp.videos[0].codecId, dive::kVideoCodecH264);
    EXPECT_EQ(s.sdp.videos[0].payloadType, StreamCatalogue::kH264PayloadType);
    EXPECT_EQ(s.sdp.videos[0].ssrc, catalogue.Streams()[0].videoSsrc);
    EXPECT_EQ(s.sdp.videos[0].sps[0], 0x67);
    EXPECT_EQ(s.sdp.videos[0].pps[0], 0x68);
    EXPECT_TRUE(s.sdp.common.present);
    EXPECT_EQ(session->Stats().deviations, 0u);

    Feed(7, 0, 7, nullptr);
    got = Take();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].type, 7);
    EXPECT_EQ(got[0].code, 200);

    Feed(6, 0, 8, nullptr);
    got = Take();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].type, 6);
    std::string why;
    EXPECT_FALSE(session->Ended(now, &why));
    Advance(EdgeSession::kLingerMs);
    EXPECT_TRUE(session->Ended(now, &why));
    EXPECT_EQ(why, "disconnected");
    EXPECT_EQ(session->Stats().received[0][0], 1u);
    EXPECT_EQ(session->Stats().received[0][3], 2u);
}

TEST_F(EdgeSessionTest, ResentRequestIsAnsweredAgainNotTwiceProcessed) {
    Connect(1);
    auto sub = test::SubscribeRequest("zrtc://edge/app/cam", session->Cookie(), true, true);
    Feed(2, 0, 2, &sub);
    Feed(2, 0, 2, &sub);  // the client did not hear the first answer
    auto got = Take();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].msgId, got[1].msgId);
    EXPECT_EQ(session->Stats().retransmissionsSeen, 1u);
    EXPECT_EQ(session->Stats().received[2][0], 2u);
    // The second stream: AAC with its configuration, HEVC with all three parameter sets.
    ASSERT_EQ(got[0].sdp.audios.size(), 1u);
    EXPECT_EQ(got[0].sdp.audios[0].payloadType, StreamCatalogue::kAacPayloadType);
    EXPECT_EQ(got[0].sdp.audios[0].aacConfig.Length(), 2u);
    ASSERT_EQ(got[0].sdp.videos.size(), 1u);
    EXPECT_EQ(got[0].sdp.videos[0].codecId, dive::kVideoCodecHevc);
    EXPECT_EQ(got[0].sdp.videos[0].vps[0], 0x40);
    EXPECT_EQ(got[0].sdp.videos[0].sps[0], 0x42);
    EXPECT_EQ(got[0].sdp.videos[0].pps[0], 0x44);

    // The same id with other content is a new request, not a copy.
    auto other = test::SubscribeRequest("zrtc://edge/app/live", session->Cookie(), true, true);
    Feed(2, 0, 2, &other);
    got = Take();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].sdp.videos[0].codecId, dive::kVideoCodecH264);
    EXPECT_EQ(session->Stats().retransmissionsSeen, 1u);
}

TEST_F(EdgeSessionTest, SwitchesShapeTheAnswers) {
    struct Case {
        const char* switches;
        uint8_t type;
        std::vector<std::pair<uint8_t, uint16_t>> expected;  // (kind, code) in order; code 0 for temp
    } cases[] = {
        {"refuse-connect=403", 0, {{1, 403}}},
        {"refuse-connect=302,reason=go elsewhere", 0, {{1, 302}}},
        {"refuse-subscribe=404", 2, {{1, 404}}},
        {"refuse-subscribe=611", 2, {{1, 611}}},
        {"refuse-publish=409", 1, {{1, 409}}},
        {"temp-first=on", 0, {{2, 0}, {1, 200}}},
        {"temp-only=on", 2, {{2, 0}}},
        {"twice=on", 2, {{1, 200}, {1, 200}}},
        {"heartbeat=off", 7, {}},
        {"silent=on", 0, {}},
    };
    for (const Case& c : cases) {
        SessionSwitches sw;
        std::string error;
        ASSERT_TRUE(sw.Apply(c.switches, &error)) << error;
        Make(sw);
        auto connect = test::ConnectRequest("zrtc://edge/app/live", "");
        auto sub = test::SubscribeRequest("zrtc://edge/app/live", "", true, true);
        auto pub = test::PublishRequest("zrtc://edge/app/live", "");
        void* body = c.type == 0 ? static_cast<void*>(&connect)
                                 : c.type == 2 ? static_cast<void*>(&sub) : c.type == 1 ? static_cast<void*>(&pub) : nullptr;
        Feed(c.type, 0, 40, body);
        const auto got = Take();
        ASSERT_EQ(got.size(), c.expected.size()) << c.switches;
        uint64_t finals = 0;
        for (const Received& r : got) finals += r.kind == 1;
        EXPECT_EQ(session->Stats().answersSent, finals) << c.switches;
        EXPECT_EQ(session->Stats().tempSent, got.size() - finals) << c.switches;
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].type, c.type) << c.switches;
            EXPECT_EQ(got[i].kind, c.expected[i].first) << c.switches;
            if (got[i].kind == 1) {
                EXPECT_EQ(got[i].code, c.expected[i].second) << c.switches;
            } else {
                EXPECT_EQ(got[i].traceId, "edge-1-40") << c.switches;
            }
        }
        if (std::string(c.switches).find("reason") != std::string::npos) {
            EXPECT_EQ(got[0].reason, "go elsewhere");
        }
    }
}

TEST_F(EdgeSessionTest, DelayHoldsTheFinalAnswerButNotTheTemporaryOne) {
    SessionSwitches sw;
    std::string error;
    ASSERT_TRUE(sw.Apply("delay=300,temp-first=on", &error));
    Make(sw);
    auto connect = test::ConnectRequest("zrtc://edge/app/live", "");
    Feed(0, 0, 1, &connect);
    auto got = Take();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].kind, 2);
    EXPECT_EQ(session->NextWakeMs(), now + 300);
    Feed(0, 0, 1, &connect);  // resent while the answer is held: it is on its way, nothing more
    Advance(299);
    EXPECT_TRUE(Take().empty());
    EXPECT_EQ(session->Stats().retransmissionsSeen, 1u);
    Advance(1);
    got = Take();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].kind, 1);
    EXPECT_EQ(got[0].code, 200);
}

TEST_F(EdgeSessionTest, ServerStopIsResentUntilAnswered) {
    Connect();
    auto sub = test::SubscribeRequest("zrtc://edge/app/live", session->Cookie(), true, false);
    Feed(2, 0, 2, &sub);
    Take();
    session->SendStop(33, "over", now);
    std::vector<int64_t> times;
    for (int i = 0; i < 400; ++i) {
        for (const Received& r : Take()) {
            EXPECT_EQ(r.type, 5);
            EXPECT_EQ(r.kind, 0);
            EXPECT_EQ(r.code, 33);
            EXPECT_EQ(r.reason, "over");
            EXPECT_EQ(r.url, "zrtc://edge/app/live");
            times.push_back(now);
        }
        Advance(1);
    }
    // Four sends, 90 ms apart, then given up on.
    const int64_t t0 = times.empty() ? 0 : times[0];
    EXPECT_EQ(times, (std::vector<int64_t>{t0, t0 + 90, t0 + 180, t0 + 270}));
    EXPECT_EQ(session->Stats().serverUnanswered, 1u);
    EXPECT_EQ(session->Stats().serverResends, 3u);

    // Answered after the second send: no more sends; the client's own copies of the answer are
    // recognised.
    session->SendStop(0, "", now);
    Advance(90);
    ASSERT_EQ(Take().size(), 2u);
    dive::RtcpAppRspResult ok;
    ok.resultCode = 200;
    Feed(5, 1, 2, &ok);  // server ids count from 1; the first Stop took 1
    Feed(5, 1, 2, &ok);
    Advance(400);
    EXPECT_TRUE(Take().empty());
    EXPECT_EQ(session->Stats().serverAnswered, 1u);
    EXPECT_EQ(session->Stats().retransmissionsSeen, 1u);
    EXPECT_EQ(session->Stats().deviations, 0u);
}

TEST_F(EdgeSessionTest, NotifyDisconnectAndMobilityReachTheClientCodec) {
    Connect();
    session->SendNotify(2, 7, Bytes{0x03, 0x00, 0x02, 0x01, 0x02}, now);
    session->SendDisconnect(403, "kicked", now);
    session->SendMobility();
    auto got = Take();
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].type, 11);
    EXPECT_EQ(got[0].notify.notifyType, 2);
    EXPECT_EQ(got[0].notify.subValue, 7);
    EXPECT_EQ(got[0].notify.nestedValue3, 0x0102);
    EXPECT_EQ(got[1].type, 6);
    EXPECT_EQ(got[1].kind, 0);
    EXPECT_EQ(got[1].code, 403);
    EXPECT_EQ(got[1].reason, "kicked");
    EXPECT_EQ(got[2].type, 13);
    // A Disconnect gets no answer from a client: it is sent four times and not reported missing.
    Advance(1000);
    EXPECT_EQ(session->Stats().serverUnanswered, 1u);  // the Notify only
}

TEST_F(EdgeSessionTest, DialogueFaultsAreLoggedAndCounted) {
    auto sub = test::SubscribeRequest("zrtc://edge/app/live", "", true, true);
    Feed(2, 0, 1, &sub);  // before Connect
    EXPECT_EQ(session->Stats().deviations, 1u);
    Take();
    Connect(2);
    auto sub2 = test::SubscribeRequest("zrtc://edge/app/live", "not-it", true, true);
    Feed(2, 0, 3, &sub2);  // foreign cookie
    EXPECT_EQ(session->Stats().deviations, 2u);
    Feed(7, 3, 99, nullptr);  // ack of nothing, and for a type that takes none
    EXPECT_EQ(session->Stats().deviations, 3u);
    Feed(0, 3, 77, nullptr);  // ack of an answer never sent
    EXPECT_EQ(session->Stats().deviations, 4u);
    dive::RtcpAppRspResult ok;
    ok.resultCode = 200;
    Feed(11, 1, 50, &ok);  // answer to a request the edge never sent
    EXPECT_EQ(session->Stats().deviations, 5u);
    const uint8_t junk[8] = {0x80, 204, 0, 1, 0, 0, 0, 1};
    session->OnDatagram(junk, sizeof(junk), now);
    EXPECT_EQ(session->Stats().malformed, 1u);
    const uint8_t rtp[12] = {0x80, 96, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1};
    session->OnDatagram(rtp, sizeof(rtp), now);
    EXPECT_EQ(session->Stats().media, 1u);
}

TEST_F(EdgeSessionTest, StrictCatalogueRefusesUnknownStreamAndRestartChangesCookie) {
    config.fallbackStream = false;
    Make();
    const std::string first = Connect().cookie;
    auto sub = test::SubscribeRequest("zrtc://edge/app/nosuch", first, true, true);
    Feed(2, 0, 2, &sub);
    auto got = Take();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].code, 404);
    session->Restart();
    const std::string second = Connect(3).cookie;
    EXPECT_NE(first, second);
    EXPECT_EQ(second, session->Cookie());
    std::string why;
    EXPECT_FALSE(session->Ended(now, &why));
    Advance(config.idleTimeoutMs + 1);
    EXPECT_TRUE(session->Ended(now, &why));
    EXPECT_EQ(why, "idle");
}

TEST_F(EdgeSessionTest, PublishGrantsWhatIsOffered) {
    Connect();
    auto pub = test::PublishRequest("zrtc://edge/app/mine", session->Cookie());
    Feed(1, 0, 2, &pub);
    auto got = Take();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].code, 200);
    ASSERT_EQ(got[0].sdp.audios.size(), 1u);
    ASSERT_EQ(got[0].sdp.videos.size(), 1u);
    EXPECT_EQ(got[0].sdp.audios[0].payloadType, StreamCatalogue::kOpusPayloadType);
    EXPECT_EQ(got[0].sdp.videos[0].payloadType, StreamCatalogue::kHevcPayloadType);
    EXPECT_NE(got[0].sdp.audios[0].ssrc, 0u);
    EXPECT_NE(got[0].sdp.audios[0].ssrc, got[0].sdp.videos[0].ssrc);
    EXPECT_EQ(session->StreamUrl(), "zrtc://edge/app/mine");

    dive::RtcpAppReqUpdate update;
    update.url = dive::DiveBuffer(std::string("zrtc://edge/app/live"));
    dive::RtcpAppMsidCmd add;
    add.Set(dive::kRtcpAppCmdAdd, dive::DiveBuffer(std::string("vrio video")));
    update.msidCmds.push_back(add);
    Feed(4, 0, 3, &update);
    got = Take();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].type, 4);
    EXPECT_EQ(got[0].code, 200);
    ASSERT_EQ(got[0].msidCmds.size(), 1u);
    ASSERT_EQ(got[0].sdp.videos.size(), 1u);
    EXPECT_EQ(got[0].sdp.videos[0].msid.ToString(), "vrio video");
}

}  // namespace
}  // namespace edge
}  // namespace zrtc
