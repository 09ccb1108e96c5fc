// A session after a session with the same edge: the real edge engine against a scripted edge on
// loopback. A cookie that is still valid skips the handshake and keeps the socket; without a cookie
// lifetime both are fresh.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "api/McdnContext1.h"
#include "signalling/ConnectCodec.h"
#include "signalling/channel/test/ScriptedServer.h"
#include "vrio/osal.h"

namespace {

using sigchannel_test::Decode;
using sigchannel_test::ScriptedServer;
using sigchannel_test::SentMessage;
using sigchannel_test::ServerDatagram;

// The next request of `type` within `ms`; other datagrams are skipped.
bool NextRequest(ScriptedServer* server, uint8_t type, int ms, SentMessage* out) {
    std::vector<uint8_t> d;
    for (int waited = 0; waited < ms; waited += 50) {
        if (!server->Receive(&d, 50)) continue;
        SentMessage m = Decode(d);
        if (m.ok && m.type == type && m.kind == dive::kRtcpAppRequest) {
            *out = m;
            return true;
        }
    }
    return false;
}

template <typename F>
bool WaitUntil(F done) {
    for (int i = 0; i < 3000 && !done(); ++i) osal_sleep_ms(1);
    return done();
}

struct ReuseCase {
    const char* cookieLifetime;  // "cookieExpirationTime" of the remote configuration, seconds
    bool reused;
};

class SessionReuseTest : public testing::TestWithParam<ReuseCase> {};

TEST_P(SessionReuseTest, SecondSessionWithTheSameEdge) {
    ScriptedServer server;
    ASSERT_TRUE(server.Ok());
    auto ctx = std::make_unique<McdnContext1>("reuse-test");
    ctx->GetConfigDataCenter()->Parse("cookieExpirationTime", GetParam().cookieLifetime);
    zeqmcdn::CdnSettings settings = ctx->GetSetting();
    std::snprintf(settings.edgeIp, sizeof(settings.edgeIp), "127.0.0.1");
    std::snprintf(settings.edgePort, sizeof(settings.edgePort), "%d", server.Port());
    settings.edgeAddressGiven = true;
    // One cache entry per case: the cross-session cache is keyed by the stream URL.
    const std::string url = std::string("zrtc://reuse-") + GetParam().cookieLifetime + ".test/live/s";

    ctx->Start(url.c_str(), settings);
    SentMessage connect;
    ASSERT_TRUE(NextRequest(&server, dive::kRtcpAppConnect, 3000, &connect));
    const int firstPort = server.PeerPort();
    ASSERT_TRUE(server.Reply(ServerDatagram(dive::kRtcpAppConnect, dive::kRtcpAppFinalRsp, connect.msgId,
                                            [](dive::TLVWriter* w) {
                                                dive::RtcpAppRspConnect rsp;
                                                rsp.resultCode = 200;
                                                rsp.traceId = dive::DiveBuffer(std::string("trace-r"));
                                                rsp.sessionParams.cookie = dive::DiveBuffer(std::string("cookie-1"));
                                                dive::ConnectCodec::Write(rsp, w);
                                            })));
    ASSERT_TRUE(WaitUntil([&] { return ctx->GetConnState() == zeqmcdn::MCdnTransport::CONN_CONNECTED; }));

    ctx->Stop();
    ASSERT_TRUE(WaitUntil([&] { return ctx->CommandsRun() == 2; }));
    SentMessage stop;
    ASSERT_TRUE(NextRequest(&server, dive::kRtcpAppStop, 3000, &stop));

    ctx->Start(url.c_str());
    ASSERT_TRUE(WaitUntil([&] { return ctx->CommandsRun() == 3; }));
    SentMessage second;
    const bool connectAgain = NextRequest(&server, dive::kRtcpAppConnect, 500, &second);
    EXPECT_EQ(connectAgain, !GetParam().reused);
    if (!connectAgain) {
        EXPECT_EQ(ctx->GetConnState(), zeqmcdn::MCdnTransport::CONN_CONNECTED) << "no handshake needed";
    }
    // The session's Stop shows which socket it used.
    ctx->Stop();
    ASSERT_TRUE(NextRequest(&server, dive::kRtcpAppStop, 3000, &stop));
    if (GetParam().reused) {
        EXPECT_EQ(server.PeerPort(), firstPort) << "the kept socket";
    } else {
        EXPECT_NE(server.PeerPort(), firstPort) << "a fresh socket";
    }
    ctx.reset();
}

INSTANTIATE_TEST_SUITE_P(CookieLifetime, SessionReuseTest,
                         testing::Values(ReuseCase{"30", true}, ReuseCase{"0", false}));

}  // namespace
