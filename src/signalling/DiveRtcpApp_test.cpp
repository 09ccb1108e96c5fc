// The codec: golden datagrams, what it accepts and dispatches, and the reading rules on whole
// messages.
#include "signalling/DiveRtcpApp.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "signalling/MessageBodies.h"
#include "signalling/test/SignallingFixtures.h"

namespace dive {
namespace {

using test::Callback;
using test::kClientSsrc;
using test::kServerSsrc;
using test::RecordingHandler;
using test::ServerDatagram;
using test::Text;

std::vector<uint8_t> Build(DiveRtcpApp& codec, DiveRtcpAppSubType type, DiveRtcpAppMsgType kind, uint16_t id,
                           void* body) {
    RtcpAppMsg msg;
    msg.type = type;
    msg.kind = kind;
    msg.msgId = id;
    msg.ssrc = 0x99999999;  // ignored: the codec writes its own
    msg.body = body;
    std::vector<uint8_t> out(4096);
    out.resize(codec.BuildRtcpApp(msg, out.data(), out.size()));
    return out;
}

RtcpAppMediaParamCommon EngineCommon() {
    RtcpAppMediaParamCommon c;
    c.present = true;
    c.sdpVersion = 1;
    c.rtpExt.AddExt(kRtpExtGlobalDelay, 14);
    c.rtpExt.AddExt(kRtpExtTransportSequence, 5);
    c.rtpExt.AddExt(kRtpExtCts, 12);
    c.srtp.version = Text("20");
    c.ccType.Append(static_cast<uint8_t>(0x80));
    return c;
}

TEST(DiveRtcpAppGolden, HeartBeatRequestIsExactlySixteenBytes) {
    DiveRtcpApp codec(nullptr, kClientSsrc);
    const std::vector<uint8_t> expected = {0x87, 204, 0x00, 0x03, 0x11, 0x22, 0x33, 0x44,
                                           'H',  'E', 'B',  'T',  0x02, 0x00, 0x01, 0x02};
    EXPECT_EQ(Build(codec, kRtcpAppHeartBeat, kRtcpAppRequest, 0x0102, nullptr), expected);
    RtcpAppRspResult ignored;  // HeartBeat requests carry no entries even with a body
    ignored.resultCode = 200;
    EXPECT_EQ(Build(codec, kRtcpAppHeartBeat, kRtcpAppRequest, 0x0102, &ignored), expected);
}

TEST(DiveRtcpAppGolden, ConnectRequestAsTheEngineSendsIt) {
    DiveRtcpApp codec(nullptr, kClientSsrc);
    RtcpAppReqConnect req;
    req.url = Text("zrtc://a/b");
    req.sessionParams.clientVersion = 0x01040100;
    req.sessionParams.common = EngineCommon();
    const std::vector<uint8_t> expected = {
        0x80, 204, 0x00, 0x11, 0x11, 0x22, 0x33, 0x44, 'C', 'O', 'N', 0x00,  // APP header, 72 bytes
        0x02, 0x00, 0x00, 0x2A,                                              // request, id 42
        3, 0, 10, 'z', 'r', 't', 'c', ':', '/', '/', 'a', '/', 'b',          // URL
        23, 0, 39,                                                           // session parameters
        3, 0, 4, 0x01, 0x04, 0x01, 0x00,                                     //   client version
        7, 0, 29,                                                            //   common parameters
        1, 0, 1, 1,                                                          //     SDP version 1
        2, 0, 6, 10, 14, 1, 5, 2, 12,                                        //     extensions
        3, 0, 9, 1, 0, 2, '2', '0', 2, 0, 1, 0,                              //     SRTP "20", off
        4, 0, 1, 0x80,                                                       //     sender-side cc
        0xFF};                                                               // padding
    EXPECT_EQ(Build(codec, kRtcpAppConnect, kRtcpAppRequest, 42, &req), expected) << test::Hex(expected);
}

TEST(DiveRtcpAppGolden, ConnectWithoutCookieAndVersionCarriesOnlyTheCommonParameters) {
    DiveRtcpApp codec(nullptr, kClientSsrc);
    RtcpAppReqConnect req;
    req.url = Text("zrtc://a/b");
    req.sessionParams.common = EngineCommon();
    const std::vector<uint8_t> p = Build(codec, kRtcpAppConnect, kRtcpAppRequest, 1, &req);
    ASSERT_FALSE(p.empty());
    const TLVReader body(p.data() + 16, p.size() - 16);
    const TLVReader session = body.Nested(23);
    ASSERT_EQ(session.Length(), 32u);
    EXPECT_EQ(session.Data()[0], 7);
    EXPECT_EQ(session.TagNum(1) + session.TagNum(3), 0u);
}

TEST(DiveRtcpAppGolden, FiveBytesOfEntriesArePaddedWithThreeFF) {
    // The client's answer to a server Stop: code 200, empty reason.
    DiveRtcpApp codec(nullptr, kClientSsrc);
    RtcpAppRspResult rsp;
    rsp.resultCode = 200;
    const std::vector<uint8_t> expected = {0x85, 204, 0x00, 0x05, 0x11, 0x22, 0x33, 0x44, 'S',  'T',  'O',  'P',
                                           0x02, 0x01, 0x00, 0x07, 1,    0,    2,    0,    0xC8, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(Build(codec, kRtcpAppStop, kRtcpAppFinalRsp, 7, &rsp), expected);
}

TEST(DiveRtcpAppGolden, AcksAndBodylessMessagesAreTheHeaderAlone) {
    DiveRtcpApp codec(nullptr, kClientSsrc);
    const std::vector<uint8_t> ack = {0x80, 204, 0x00, 0x03, 0x11, 0x22, 0x33, 0x44,
                                      'C',  'O', 'N',  0x00, 0x02, 0x03, 0xFF, 0xFE};
    RtcpAppRspConnect ignored;
    ignored.resultCode = 200;
    EXPECT_EQ(Build(codec, kRtcpAppConnect, kRtcpAppFinalRspAck, 0xFFFE, &ignored), ack);
    // A final response the client never answers carries no entries.
    EXPECT_EQ(Build(codec, kRtcpAppConnect, kRtcpAppFinalRsp, 1, &ignored).size(), 16u);
    EXPECT_EQ(Build(codec, kRtcpAppDisconnect, kRtcpAppRequest, 1, nullptr).size(), 16u);
}

TEST(DiveRtcpApp, BuildRefusesWhatDoesNotFitOrCannotBeEncoded) {
    DiveRtcpApp codec(nullptr, kClientSsrc);
    RtcpAppMsg msg;
    msg.type = kRtcpAppHeartBeat;
    uint8_t out[16];
    EXPECT_EQ(codec.BuildRtcpApp(msg, out, 16), 16u);
    EXPECT_EQ(codec.BuildRtcpApp(msg, out, 15), 0u);
    EXPECT_EQ(codec.BuildRtcpApp(msg, nullptr, 16), 0u);
    msg.type = static_cast<DiveRtcpAppSubType>(32);
    EXPECT_EQ(codec.BuildRtcpApp(msg, out, 16), 0u);
    msg.type = kRtcpAppHeartBeat;
    msg.kind = static_cast<DiveRtcpAppMsgType>(16);
    EXPECT_EQ(codec.BuildRtcpApp(msg, out, 16), 0u);

    RtcpAppReqStop stop;  // a URL the 16-bit length cannot describe
    std::vector<uint8_t> huge(70000, 'u');
    stop.url = DiveBuffer(huge.data(), huge.size());
    msg.type = kRtcpAppStop;
    msg.kind = kRtcpAppRequest;
    msg.body = &stop;
    std::vector<uint8_t> big(300000);
    EXPECT_EQ(codec.BuildRtcpApp(msg, big.data(), big.size()), 0u);
}

TEST(DiveRtcpApp, UpdateMsgIdRewritesBytesFourteenAndFifteen) {
    DiveRtcpApp codec(nullptr, kClientSsrc);
    std::vector<uint8_t> p = Build(codec, kRtcpAppHeartBeat, kRtcpAppRequest, 1, nullptr);
    ASSERT_TRUE(codec.UpdateRtcAppMsgId(p.data(), p.size(), 0xABCD));
    EXPECT_EQ(p, Build(codec, kRtcpAppHeartBeat, kRtcpAppRequest, 0xABCD, nullptr));
    EXPECT_FALSE(codec.UpdateRtcAppMsgId(p.data(), 15, 1));
    EXPECT_FALSE(codec.UpdateRtcAppMsgId(nullptr, 16, 1));
    EXPECT_EQ(p[14], 0xAB);
}

TEST(DiveRtcpApp, SsrcIsRandomNonZeroAndFixedPerCodec) {
    auto a = DiveRtcpAppInterface::Create();
    auto b = DiveRtcpAppInterface::Create();
    EXPECT_NE(a->LocalSsrc(), 0u);
    EXPECT_NE(a->LocalSsrc(), b->LocalSsrc());
    EXPECT_EQ(a->RemoteSsrc(), 0u);
    DiveRtcpApp fixed(nullptr, 0x0BADF00D);
    EXPECT_EQ(fixed.LocalSsrc(), 0x0BADF00Du);
    const std::vector<uint8_t> p = Build(fixed, kRtcpAppStop, kRtcpAppFinalRspAck, 1, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(p.begin() + 4, p.begin() + 8), (std::vector<uint8_t>{0x0B, 0xAD, 0xF0, 0x0D}));
}

TEST(DiveRtcpApp, NamesOfTypesAndKinds) {
    EXPECT_STREQ(DiveRtcpAppInterface::GetSubTypeName(0), "CON");
    EXPECT_STREQ(DiveRtcpAppInterface::GetSubTypeName(11), "NOTI");
    EXPECT_STREQ(DiveRtcpAppInterface::GetSubTypeName(12), "UNKNOWN");
    EXPECT_STREQ(DiveRtcpAppInterface::GetSubTypeName(13), "UNKNOWN");
    EXPECT_STREQ(DiveRtcpAppInterface::GetMsgTypeName(0), "Request");
    EXPECT_STREQ(DiveRtcpAppInterface::GetMsgTypeName(3), "FinalRspAck");
    EXPECT_STREQ(DiveRtcpAppInterface::GetMsgTypeName(4), "Notify");
    EXPECT_STREQ(DiveRtcpAppInterface::GetMsgTypeName(5), "UNKNOWN");
}

// Which (type, kind) pairs reach which callback, for datagrams with a message header and no entries.
TEST(DiveRtcpAppDispatch, OnlyTheCataloguedTypeAndKindPairsAreHandedOn) {
    const std::set<int> finalTypes = {0, 1, 2, 3, 4, 5, 6, 7, 8, 11};
    const std::set<int> requestTypes = {5, 6, 10, 11};  // Stop, Disconnect, MediaControl, Notify
    for (int type = 0; type <= 14; ++type) {
        for (int kind : {0, 1, 2, 3, 4, 7, 15}) {
            RecordingHandler handler;
            DiveRtcpApp codec(&handler, kClientSsrc);
            const std::vector<uint8_t> p =
                ServerDatagram(static_cast<DiveRtcpAppSubType>(type), static_cast<uint8_t>(kind), 0x4242, nullptr);
            bool accepted = true;
            Callback expected = Callback::kMobility;
            if (type == 13) {
                expected = Callback::kMobility;
            } else if (kind == 2) {
                expected = Callback::kTemp;
            } else if (kind == 1 && finalTypes.count(type)) {
                expected = Callback::kFinal;
            } else if (kind == 0 && requestTypes.count(type)) {
                expected = Callback::kRequest;
            } else {
                accepted = false;
            }
            SCOPED_TRACE("type " + std::to_string(type) + " kind " + std::to_string(kind));
            EXPECT_EQ(codec.ParseRtcpApp(p.data(), p.size()), accepted);
            ASSERT_EQ(handler.calls.size(), accepted ? 1u : 0u);
            if (!accepted) continue;
            EXPECT_EQ(handler.calls[0].callback, expected);
            if (expected == Callback::kMobility) continue;
            EXPECT_EQ(handler.calls[0].header.msgId, 0x4242);
            EXPECT_EQ(handler.calls[0].header.ssrc, kServerSsrc);
            EXPECT_EQ(handler.calls[0].header.type, type);
            EXPECT_EQ(handler.calls[0].header.kind, kind);
        }
    }
}

TEST(DiveRtcpAppDispatch, MobilityIsRecognisedByTheSubTypeAlone) {
    struct Case {
        const char* what;
        std::vector<uint8_t> datagram;
        bool mobility;
    } cases[] = {
        {"one byte", {0x8D}, true},
        {"version 0, garbage after", {0x0D, 0xFF, 0xFF}, true},
        {"padding bit set", {0xAD, 204}, true},
        {"sub type 12", {0x8C, 204, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0}, false},
        {"empty", {}, false},
    };
    for (const Case& c : cases) {
        RecordingHandler handler;
        DiveRtcpApp codec(&handler, kClientSsrc);
        EXPECT_EQ(codec.ParseRtcpApp(c.datagram.data(), c.datagram.size()), c.mobility) << c.what;
        EXPECT_EQ(handler.calls.size(), c.mobility ? 1u : 0u) << c.what;
    }
}

TEST(DiveRtcpAppDispatch, TemporaryResponseOfAnyTypeCarriesTheTraceId) {
    for (int type : {0, 2, 9, 12}) {
        for (bool withTrace : {true, false}) {
            RecordingHandler handler;
            std::string seen = "unset";
            handler.inspect = [&](RtcpAppMsg& m) { seen = static_cast<DiveBuffer*>(m.body)->ToString(); };
            DiveRtcpApp codec(&handler, kClientSsrc);
            const std::vector<uint8_t> p =
                ServerDatagram(static_cast<DiveRtcpAppSubType>(type), kRtcpAppTempRsp, 5, [&](TLVWriter* w) {
                    w->Write(1, static_cast<uint16_t>(100));
                    if (withTrace) w->Write(6, Text("trace-77"));
                });
            ASSERT_TRUE(codec.ParseRtcpApp(p.data(), p.size()));
            ASSERT_EQ(handler.calls.size(), 1u);
            EXPECT_EQ(seen, withTrace ? "trace-77" : "") << type;
        }
    }
}

TEST(DiveRtcpAppDispatch, WithoutHandlerMessagesAreRecognisedButGoNowhere) {
    RecordingHandler handler;
    DiveRtcpApp codec(&handler, kClientSsrc);
    const std::vector<uint8_t> p = ServerDatagram(kRtcpAppHeartBeat, kRtcpAppFinalRsp, 1, nullptr);
    codec.DeRegisterHandler();
    EXPECT_TRUE(codec.ParseRtcpApp(p.data(), p.size()));
    const uint8_t mobility = 0x8D;
    EXPECT_TRUE(codec.ParseRtcpApp(&mobility, 1));
    EXPECT_TRUE(handler.calls.empty());
    codec.RegisterHandler(&handler);
    EXPECT_TRUE(codec.ParseRtcpApp(p.data(), p.size()));
    EXPECT_EQ(handler.calls.size(), 1u);
}

TEST(DiveRtcpAppDispatch, AHandlerMayBuildFromInsideItsCallback) {
    RecordingHandler handler;
    DiveRtcpApp codec(&handler, kClientSsrc);
    size_t ackLen = 0;
    handler.inspect = [&](RtcpAppMsg& m) {
        RtcpAppMsg ack;
        ack.msgId = m.msgId;
        ack.type = m.type;
        ack.kind = kRtcpAppFinalRspAck;
        uint8_t out[64];
        ackLen = codec.BuildRtcpApp(ack, out, sizeof(out));
    };
    const std::vector<uint8_t> p = ServerDatagram(kRtcpAppConnect, kRtcpAppFinalRsp, 9, nullptr);
    ASSERT_TRUE(codec.ParseRtcpApp(p.data(), p.size()));
    EXPECT_EQ(ackLen, 16u);
}

TEST(DiveRtcpAppDispatch, AppDataShorterThanTheMessageHeaderIsARequestWithIdZero) {
    // SSRC and name only: kind 0 and id 0; a Stop request with no entries is still a Stop request.
    RecordingHandler handler;
    DiveRtcpApp codec(&handler, kClientSsrc);
    const uint8_t p[] = {0x85, 204, 0, 2, 1, 2, 3, 4, 'S', 'T', 'O', 'P'};
    ASSERT_TRUE(codec.ParseRtcpApp(p, sizeof(p)));
    ASSERT_EQ(handler.calls.size(), 1u);
    EXPECT_EQ(handler.calls[0].callback, Callback::kRequest);
    EXPECT_EQ(handler.calls[0].header.msgId, 0);
    EXPECT_EQ(handler.calls[0].header.ssrc, 0x01020304u);
}

// --- reading rules on whole messages -------------------------------------------------------------

// Parses one server datagram and hands the body to `check` while it is alive.
template <typename Body, typename Check>
void ParseFinal(DiveRtcpAppSubType type, const std::function<void(TLVWriter*)>& entries, Check check) {
    RecordingHandler handler;
    bool checked = false;
    handler.inspect = [&](RtcpAppMsg& m) {
        ASSERT_NE(m.body, nullptr);
        check(*static_cast<Body*>(m.body));
        checked = true;
    };
    DiveRtcpApp codec(&handler, kClientSsrc);
    const std::vector<uint8_t> p = ServerDatagram(type, kRtcpAppFinalRsp, 1, entries);
    ASSERT_TRUE(codec.ParseRtcpApp(p.data(), p.size()));
    EXPECT_TRUE(checked);
}

void Video(TLVWriter* sdp, uint32_t ssrc, bool withCodec, uint8_t codec = 2) {
    TLVWriter v;
    v.Write(1, static_cast<uint8_t>(96));
    v.Write(3, ssrc);
    if (withCodec) v.Write(4, codec);
    v.Write(10, Text("vps"));
    sdp->Write(3, v);
}

TEST(DiveRtcpAppReadingRules, RepeatedVideoEntriesComeInOrderAndMissingCodecMeansH264) {
    ParseFinal<RtcpAppRspSubscribe>(
        kRtcpAppSubscribe,
        [](TLVWriter* w) {
            TLVWriter sdp;
            Video(&sdp, 1, true);
            Video(&sdp, 2, false);
            Video(&sdp, 3, true, 1);
            w->Write(4, sdp);
            w->Write(1, static_cast<uint16_t>(200));
        },
        [](const RtcpAppRspSubscribe& rsp) {
            EXPECT_EQ(rsp.resultCode, 200);
            ASSERT_EQ(rsp.miniSdp.videos.size(), 3u);
            EXPECT_EQ(rsp.miniSdp.videos[0].ssrc, 1u);
            EXPECT_EQ(rsp.miniSdp.videos[0].codecId, kVideoCodecHevc);
            EXPECT_EQ(rsp.miniSdp.videos[0].vps.ToString(), "vps");
            EXPECT_EQ(rsp.miniSdp.videos[1].ssrc, 2u);
            EXPECT_EQ(rsp.miniSdp.videos[1].codecId, kVideoCodecH264);
            EXPECT_TRUE(rsp.miniSdp.videos[1].vps.Empty());  // VPS is read for HEVC only
            EXPECT_EQ(rsp.miniSdp.videos[2].ssrc, 3u);
            EXPECT_TRUE(rsp.miniSdp.videos[2].vps.Empty());
            EXPECT_TRUE(rsp.miniSdp.videos[0].enabled && rsp.miniSdp.videos[2].enabled);
            EXPECT_FALSE(rsp.miniSdp.common.present);
        });
}

TEST(DiveRtcpAppReadingRules, AnEmptyMediaEntryYieldsATrackWithDefaults) {
    ParseFinal<RtcpAppRspPublish>(
        kRtcpAppPublish,
        [](TLVWriter* w) {
            // tag 4 holding an audio entry (tag 2) of length 0 and a video entry of length 0
            const uint8_t sdp[] = {2, 0, 0, 3, 0, 0};
            w->Write(4, sdp, sizeof(sdp));
        },
        [](const RtcpAppRspPublish& rsp) {
            ASSERT_EQ(rsp.miniSdp.audios.size(), 1u);
            ASSERT_EQ(rsp.miniSdp.videos.size(), 1u);
            EXPECT_TRUE(rsp.miniSdp.audios[0].enabled);
            EXPECT_EQ(rsp.miniSdp.audios[0].ssrc, 0u);
            EXPECT_TRUE(rsp.miniSdp.videos[0].enabled);
            EXPECT_EQ(rsp.miniSdp.videos[0].codecId, kVideoCodecH264);
        });
}

TEST(DiveRtcpAppReadingRules, UpdateResponseMsidCommandsInOrderEmptyOnesSkipped) {
    ParseFinal<RtcpAppRspUpdate>(
        kRtcpAppSubscribeUpdate,
        [](TLVWriter* w) {
            w->Write(1, static_cast<uint16_t>(200));
            const uint8_t add[] = {0, 'v', '1'};
            const uint8_t del[] = {1, 'a', '1'};
            w->Write(22, add, sizeof(add));
            const uint8_t empty[] = {22, 0, 0};
            w->Buffer().Append(empty, sizeof(empty));
            w->Write(22, del, sizeof(del));
        },
        [](const RtcpAppRspUpdate& rsp) {
            ASSERT_EQ(rsp.msidCmds.size(), 2u);
            DiveBuffer msid;
            EXPECT_EQ(rsp.msidCmds[0].Cmd(), kRtcpAppCmdAdd);
            ASSERT_TRUE(rsp.msidCmds[0].GetCmdMsid(&msid));
            EXPECT_EQ(msid.ToString(), "v1");
            EXPECT_EQ(rsp.msidCmds[1].Cmd(), kRtcpAppCmdDel);
            ASSERT_TRUE(rsp.msidCmds[1].GetCmdMsid(&msid));
            EXPECT_EQ(msid.ToString(), "a1");
        });
}

TEST(DiveRtcpAppReadingRules, ANestedEntryOverrunningItsListYieldsOnlyTheEntriesBeforeIt) {
    ParseFinal<RtcpAppRspSubscribe>(
        kRtcpAppSubscribe,
        [](TLVWriter* w) {
            TLVWriter sdp;
            Video(&sdp, 1, true);
            DiveBuffer cut = sdp.Buffer();
            const uint8_t overrun[] = {3, 0, 50, 1, 0, 1, 96};  // declares 50 bytes, 4 remain
            cut.Append(overrun, sizeof(overrun));
            w->Write(4, cut);
            w->Write(1, static_cast<uint16_t>(404));
        },
        [](const RtcpAppRspSubscribe& rsp) {
            ASSERT_EQ(rsp.miniSdp.videos.size(), 1u);
            EXPECT_EQ(rsp.miniSdp.videos[0].ssrc, 1u);
            EXPECT_EQ(rsp.resultCode, 404);  // the outer list is intact
        });
    // At the top level an overrunning entry hides nothing but itself: it is the last one.
    ParseFinal<RtcpAppRspConnect>(
        kRtcpAppConnect,
        [](TLVWriter* w) {
            w->Write(1, static_cast<uint16_t>(200));
            const uint8_t overrun[] = {2, 0x10, 0x00, 'r'};
            w->Buffer().Append(overrun, sizeof(overrun));
        },
        [](const RtcpAppRspConnect& rsp) {
            EXPECT_EQ(rsp.resultCode, 200);
            EXPECT_TRUE(rsp.reason.Empty());
        });
}

TEST(DiveRtcpAppReadingRules, ScalarWidthsOnWholeMessages) {
    struct Case {
        const char* what;
        std::vector<uint8_t> codeEntry;
        uint16_t code;
    } cases[] = {
        {"natural width", {1, 0, 2, 0x01, 0x94}, 404},
        {"longer entry: the first two bytes", {1, 0, 4, 0x00, 0xC8, 0xAA, 0xBB}, 200},
        {"shorter entry: not taken", {1, 0, 1, 0xC8}, 0},
        {"no entry: zero", {}, 0},
    };
    for (const Case& c : cases) {
        ParseFinal<RtcpAppRspResult>(
            kRtcpAppHeartBeat, [&](TLVWriter* w) { w->Buffer().Append(c.codeEntry.data(), c.codeEntry.size()); },
            [&](const RtcpAppRspResult& rsp) { EXPECT_EQ(rsp.resultCode, c.code) << c.what; });
    }
}

TEST(DiveRtcpAppReadingRules, NotifyDataIsAlsoReadAsANestedList) {
    struct Case {
        const char* what;
        std::vector<uint8_t> data;
        uint16_t v3, v5;
    } cases[] = {
        {"both values", {3, 0, 2, 0x12, 0x34, 5, 0, 2, 0xAB, 0xCD}, 0x1234, 0xABCD},
        {"not a list", {0xDE, 0xAD, 0xBE, 0xEF, 0x01}, 0, 0},
    };
    for (const Case& c : cases) {
        RecordingHandler handler;
        bool checked = false;
        handler.inspect = [&](RtcpAppMsg& m) {
            const RtcpAppReqNotify& n = *static_cast<RtcpAppReqNotify*>(m.body);
            EXPECT_EQ(n.notifyType, 6);
            EXPECT_EQ(n.subValue, 1);
            EXPECT_EQ(std::vector<uint8_t>(n.data.Data(), n.data.Data() + n.data.Length()), c.data);
            EXPECT_EQ(n.nestedValue3, c.v3) << c.what;
            EXPECT_EQ(n.nestedValue5, c.v5) << c.what;
            checked = true;
        };
        DiveRtcpApp codec(&handler, kClientSsrc);
        const std::vector<uint8_t> p = ServerDatagram(kRtcpAppNotify, kRtcpAppRequest, 3, [&](TLVWriter* w) {
            w->Write(19, static_cast<uint8_t>(6));
            w->Write(20, static_cast<uint8_t>(1));
            w->Write(21, c.data.data(), c.data.size());
        });
        ASSERT_TRUE(codec.ParseRtcpApp(p.data(), p.size()));
        EXPECT_TRUE(checked) << c.what;
    }
}

TEST(DiveRtcpAppReadingRules, BadEnvelopesAreDroppedWithoutDispatch) {
    RecordingHandler handler;
    DiveRtcpApp codec(&handler, kClientSsrc);
    std::vector<uint8_t> good = ServerDatagram(kRtcpAppHeartBeat, kRtcpAppFinalRsp, 1, [](TLVWriter* w) {
        w->Write(1, static_cast<uint16_t>(200));
    });
    ASSERT_TRUE(codec.ParseRtcpApp(good.data(), good.size()));
    std::vector<std::vector<uint8_t>> bad = {
        std::vector<uint8_t>(good.begin(), good.end() - 1),  // truncated
        {0x87, 204, 0, 1, 1, 2, 3, 4},                       // too small for APP
        {0x87, 205, 0, 2, 1, 2, 3, 4, 'H', 'E', 'B', 'T'},   // not APP
        {0x47, 204, 0, 2, 1, 2, 3, 4, 'H', 'E', 'B', 'T'},   // version 1
        {0xA7, 204, 0, 3, 1, 2, 3, 4, 'H', 'E', 'B', 'T', 2, 1, 0, 3},  // 9 bytes after padding: misaligned
    };
    for (const auto& p : bad) EXPECT_FALSE(codec.ParseRtcpApp(p.data(), p.size())) << test::Hex(p);
    EXPECT_EQ(handler.calls.size(), 1u);
}

}  // namespace
}  // namespace dive
