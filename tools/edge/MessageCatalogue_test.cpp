#include "MessageCatalogue.h"

#include <gtest/gtest.h>

#include "signalling/TLV.h"
#include "test/ScriptedClient.h"

namespace zrtc {
namespace edge {
namespace {

using test::BuildClient;

std::vector<std::string> Check(const Bytes& datagram) {
    WireMessage msg;
    std::string why;
    EXPECT_TRUE(ParseWireMessage(datagram.data(), datagram.size(), &msg, &why)) << why;
    return CheckAgainstCatalogue(msg);
}

// A datagram with a hand-written body, for faults the client codec cannot make.
Bytes Raw(uint8_t type, uint8_t kind, const dive::TLVWriter& body) {
    WireWriter w(0x01020304);
    return w.Build(type, kind, 7, &body);
}

TEST(MessageCatalogueTest, EverythingTheClientCodecWritesConforms) {
    dive::DiveRtcpApp codec(nullptr, 0xABCD);
    auto connect = test::ConnectRequest("zrtc://edge/app/live", "");
    auto subscribe = test::SubscribeRequest("zrtc://edge/app/live", "c00k1e", true, true);
    auto publish = test::PublishRequest("zrtc://edge/app/live", "c00k1e");
    dive::RtcpAppReqUpdate update;
    update.url = dive::DiveBuffer(std::string("zrtc://edge/app/live"));
    dive::RtcpAppMsidCmd cmd;
    cmd.Set(dive::kRtcpAppCmdAdd, dive::DiveBuffer(std::string("vrio audio")));
    update.msidCmds.push_back(cmd);
    dive::RtcpAppReqStop stop;
    stop.url = update.url;
    dive::RtcpAppRspResult ok;
    ok.resultCode = 200;
    struct Case {
        uint8_t type, kind;
        void* body;
    } cases[] = {{0, 0, &connect}, {2, 0, &subscribe}, {1, 0, &publish}, {4, 0, &update}, {5, 0, &stop},
                 {6, 0, nullptr},  {7, 0, nullptr},    {0, 3, nullptr},  {2, 3, nullptr}, {5, 1, &ok},
                 {11, 1, &ok}};
    for (const Case& c : cases) {
        const Bytes d = BuildClient(codec, c.type, c.kind, 3, c.body);
        ASSERT_FALSE(d.empty());
        EXPECT_TRUE(Check(d).empty()) << TypeName(c.type) << " " << KindName(c.kind) << ": " << Check(d).front();
    }
}

TEST(MessageCatalogueTest, FaultsAreNamed) {
    dive::TLVWriter subscribeNoSdp;  // URL, track mode, option, session, 51: no mini SDP
    subscribeNoSdp.Write(3, dive::DiveBuffer(std::string("zrtc://e/live")));
    subscribeNoSdp.Write(12, uint8_t{1});
    subscribeNoSdp.Write(24, uint8_t{0});
    dive::TLVWriter session;
    session.Write(1, dive::DiveBuffer(std::string("cookie")));
    subscribeNoSdp.Write(23, session);
    subscribeNoSdp.Write(51, uint8_t{1});

    dive::TLVWriter wideTrackMode;
    wideTrackMode.Write(3, dive::DiveBuffer(std::string("u")));
    dive::TLVWriter sdp;
    dive::TLVWriter audio;  // no SSRC
    audio.Write(1, uint8_t{111});
    sdp.Write(2, audio);
    wideTrackMode.Write(4, sdp);
    wideTrackMode.Write(12, uint16_t{1});
    wideTrackMode.Write(23, session);

    dive::TLVWriter connectTwice;
    connectTwice.Write(3, dive::DiveBuffer(std::string("a")));
    connectTwice.Write(3, dive::DiveBuffer(std::string("b")));
    connectTwice.Write(23, session);
    connectTwice.Write(9, uint8_t{1});

    dive::TLVWriter heartbeatBody;
    heartbeatBody.Write(1, uint16_t{200});

    dive::TLVWriter empty;
    struct Case {
        uint8_t type, kind;
        const dive::TLVWriter* body;
        std::vector<std::string> expected;
    } cases[] = {
        {2, 0, &subscribeNoSdp, {"tag 4 missing"}},
        {1, 0, &wideTrackMode, {"in tag 4: in tag 2 #0: tag 3 missing", "tag 12 has 2 bytes, expected 1"}},
        {0, 0, &connectTwice, {"unexpected tag 9", "tag 3 appears 2 times"}},
        {7, 0, &heartbeatBody, {"unexpected tag 1"}},
        {0, 2, &empty, {"a client never sends a temporary response"}},
        {7, 3, &empty, {"no ack is due for HeartBeat"}},
        {0, 1, &empty, {"a client does not answer Connect"}},
        {12, 0, &empty, {"no such request type 12"}},
        {5, 1, &empty, {"tag 1 missing"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> got = Check(Raw(c.type, c.kind, *c.body));
        // The name check passes for these (the writer names the type); drop nothing else.
        EXPECT_EQ(got, c.expected) << TypeName(c.type) << " " << KindName(c.kind);
    }
}

TEST(MessageCatalogueTest, EnvelopeFaultsAndOverruns) {
    dive::DiveRtcpApp codec(nullptr, 1);
    Bytes hb = BuildClient(codec, 7, 0, 9, nullptr);
    hb[8] = 'X';       // name field
    hb[12] = 1;        // header version
    auto got = Check(hb);
    EXPECT_EQ(got, (std::vector<std::string>{"header version 1, expected 2", "name field does not match the type"}));

    // An entry that claims more than the list holds ends the check without reading past it.
    dive::TLVWriter body;
    body.Write(3, dive::DiveBuffer(std::string("abcd")));
    Bytes d = Raw(5, 0, body);
    d[17] = 0x01;  // length high byte of the first entry: 260 bytes claimed, 5 there
    got = Check(d);
    ASSERT_GE(got.size(), 1u);
    EXPECT_EQ(got[0], "tag 3 overruns its list by 255 bytes");

    std::string why;
    WireMessage msg;
    const uint8_t rtp[12] = {0x80, 96, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1};
    EXPECT_FALSE(ParseWireMessage(rtp, sizeof(rtp), &msg, &why));
    const uint8_t shortApp[8] = {0x80, 204, 0, 1, 0, 0, 0, 1};
    EXPECT_FALSE(ParseWireMessage(shortApp, sizeof(shortApp), &msg, &why));
}

}  // namespace
}  // namespace edge
}  // namespace zrtc
