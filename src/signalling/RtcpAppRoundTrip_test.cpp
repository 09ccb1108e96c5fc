// Every record of the catalogue built into a datagram and read back, the presence rules that drop
// fields on purpose, and the order in which entries are written.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "signalling/CommonMediaParamCodec.h"
#include "signalling/ConnectCodec.h"
#include "signalling/ControlMsgCodec.h"
#include "signalling/DiveRtcpApp.h"
#include "signalling/MiniSdpCodec.h"
#include "signalling/PubSubCodec.h"
#include "signalling/RtcpAppDebugStrings.h"
#include "signalling/SessionParamsCodec.h"
#include "signalling/TrackMediaParamCodec.h"
#include "signalling/UpdateCodec.h"
#include "signalling/test/RecordsEqual.h"
#include "signalling/test/SignallingFixtures.h"

namespace dive {
namespace {

using test::Bytes;
using test::Callback;
using test::FullMiniSdp;
using test::kClientSsrc;
using test::kServerSsrc;
using test::RecordingHandler;
using test::SubscribeCommon;
using test::Text;

RtcpAppMsidCmd Cmd(RtcpAppCmdType c, const char* msid) {
    RtcpAppMsidCmd cmd;
    cmd.Set(c, Text(msid));
    return cmd;
}

RtcpAppRspSessionParams ServerSession() {
    RtcpAppRspSessionParams s;
    s.cookie = Text("cookie-1");
    s.serverText4 = Text("s4");
    s.serverValue5 = 777;
    s.serverText6 = Text("s6");
    s.common = FullMiniSdp(true).common;
    return s;
}

RtcpAppReqSessionParams ClientSession(uint32_t version) {
    RtcpAppReqSessionParams s;
    s.cookie = Text("cookie-1");
    s.clientVersion = version;
    s.common = SubscribeCommon();
    return s;
}

DiveBuffer NotifyData(uint16_t v3, uint16_t v5) {
    TLVWriter w;
    w.Write(3, v3);
    w.Write(5, v5);
    w.Write(9, Text("payload"));
    return w.Buffer();
}

RtcpAppRspResult Result(uint16_t code, const char* reason) {
    RtcpAppRspResult r;
    r.resultCode = code;
    r.reason = Text(reason);
    return r;
}

// --- client-built messages, read back by the server side and, where the client parses them too,
// by a second codec ---------------------------------------------------------------------------------

struct BuiltCase {
    std::string name;
    DiveRtcpAppSubType type;
    DiveRtcpAppMsgType kind;
    std::shared_ptr<void> body;
    std::function<bool(const TLVReader&)> readsBack;  // the entries give the record again
    std::function<bool(const void*)> sameAs;          // a parsed body equals the record
    bool parsedByCodec;                               // ParseRtcpApp accepts this type and kind
};

template <typename Body, typename Read>
BuiltCase Built(std::string name, DiveRtcpAppSubType type, DiveRtcpAppMsgType kind, Body body, Read read,
                bool parsedByCodec = false) {
    auto held = std::make_shared<Body>(std::move(body));
    return {std::move(name),
            type,
            kind,
            held,
            [held, read](const TLVReader& in) {
                Body back;
                read(in, &back);
                return back == *held;
            },
            [held](const void* parsed) { return *static_cast<const Body*>(parsed) == *held; },
            parsedByCodec};
}

std::vector<BuiltCase> ClientBuiltCases() {
    auto connect = [](const TLVReader& in, auto* r) { ConnectCodec::Read(in, r); };
    auto pubsub = [](const TLVReader& in, auto* r) { PubSubCodec::Read(in, r); };
    auto update = [](const TLVReader& in, auto* r) { UpdateCodec::Read(in, r); };
    auto control = [](const TLVReader& in, auto* r) { ControlMsgCodec::Read(in, r); };
    auto temp = [](const TLVReader& in, DiveBuffer* r) { ControlMsgCodec::ReadTempRsp(in, r); };

    RtcpAppReqConnect conn;
    conn.url = Text("zrtc://edge.example/live/stream-1");
    conn.sessionParams = ClientSession(0x01040100);

    RtcpAppReqPublish pub;
    pub.url = Text("zrtc://edge.example/live/push");
    pub.miniSdp = FullMiniSdp(false);
    pub.trackMode = 1;
    pub.sessionParams = ClientSession(1);

    RtcpAppReqSubscribe sub;
    sub.url = Text("zrtc://edge.example/live/stream-1?zeq_cumu_delay_sei=on");
    sub.option = 5;
    sub.miniSdp = FullMiniSdp(false);
    sub.trackMode = 0;
    sub.sessionParams = ClientSession(0);
    sub.msids = {Text("audio-opus"), Text("video-h264")};

    RtcpAppReqUpdate upd;
    upd.url = Text("zrtc://edge.example/live/stream-1");
    upd.miniSdp.videos.push_back(FullMiniSdp(false).videos[1]);
    upd.msidCmds = {Cmd(kRtcpAppCmdAdd, "video-hevc"), Cmd(kRtcpAppCmdDel, "video-h264"),
                    Cmd(kRtcpAppCmdUpdate, "audio-opus")};

    RtcpAppReqStop stop;
    stop.url = Text("zrtc://edge.example/live/stream-1");
    RtcpAppReqStop stopWithReason = stop;
    stopWithReason.reasonCode = 9;
    stopWithReason.reason = Text("bye");

    RtcpAppReqMtuDetect mtu;
    mtu.probeSize = 1200;
    RtcpAppReqMtuDetect mtuEnd;
    mtuEnd.probeSize = 1400;
    mtuEnd.resultFlag = 1;

    RtcpAppRspMediaControl ctrl;
    ctrl.url = Text("zrtc://edge.example/live/stream-1");
    ctrl.controlValue = 0xDEADBEEF;
    ctrl.msidCmds = {Cmd(kRtcpAppCmdDel, "video-h264"), Cmd(kRtcpAppCmdAdd, "video-hevc")};

    RtcpAppReqNotify notify;
    notify.notifyType = 2;
    notify.subValue = 4;
    notify.data = NotifyData(0x0102, 0x0304);
    notify.nestedValue3 = 0x0102;
    notify.nestedValue5 = 0x0304;

    return {
        Built("Connect request", kRtcpAppConnect, kRtcpAppRequest, conn, connect),
        Built("Publish request", kRtcpAppPublish, kRtcpAppRequest, pub, pubsub),
        Built("Subscribe request", kRtcpAppSubscribe, kRtcpAppRequest, sub, pubsub),
        Built("PublishUpdate request", kRtcpAppPublishUpdate, kRtcpAppRequest, upd, update),
        Built("SubscribeUpdate request", kRtcpAppSubscribeUpdate, kRtcpAppRequest, upd, update),
        Built("Stop request", kRtcpAppStop, kRtcpAppRequest, stop, control, true),
        Built("Stop request with reason", kRtcpAppStop, kRtcpAppRequest, stopWithReason, control, true),
        Built("Disconnect request with reason", kRtcpAppDisconnect, kRtcpAppRequest, Result(1, "user"), control,
              true),
        Built("MtuDetect request", kRtcpAppMtuDetect, kRtcpAppRequest, mtu, control),
        Built("MtuDetectEnd request", kRtcpAppMtuDetectEnd, kRtcpAppRequest, mtuEnd, control),
        Built("MediaControl request", kRtcpAppMediaControl, kRtcpAppRequest, ctrl, control, true),
        Built("Notify request", kRtcpAppNotify, kRtcpAppRequest, notify, control, true),
        Built("Stop final", kRtcpAppStop, kRtcpAppFinalRsp, Result(200, ""), control, true),
        Built("Disconnect final", kRtcpAppDisconnect, kRtcpAppFinalRsp, Result(200, "ok"), control, true),
        Built("MediaControl final", kRtcpAppMediaControl, kRtcpAppFinalRsp, Result(500, "no such track"), control),
        Built("Notify final", kRtcpAppNotify, kRtcpAppFinalRsp, Result(200, ""), control, true),
        Built("Connect temporary", kRtcpAppConnect, kRtcpAppTempRsp, Text("trace-1"), temp, true),
        Built("Notify temporary", kRtcpAppNotify, kRtcpAppTempRsp, Text("trace-2"), temp, true),
    };
}

TEST(RtcpAppRoundTrip, EveryClientBuiltMessageReadsBack) {
    for (const BuiltCase& c : ClientBuiltCases()) {
        SCOPED_TRACE(c.name);
        DiveRtcpApp codec(nullptr, kClientSsrc);
        RtcpAppMsg msg;
        msg.type = c.type;
        msg.kind = c.kind;
        msg.msgId = 0x0A0B;
        msg.body = c.body.get();
        std::vector<uint8_t> p(4096);
        p.resize(codec.BuildRtcpApp(msg, p.data(), p.size()));
        ASSERT_GT(p.size(), 16u);
        EXPECT_EQ(p.size() % 4, 0u);

        DiveRtcpAppReader packet;
        ASSERT_TRUE(packet.Read(p.data(), p.size()));
        EXPECT_EQ(packet.SubType(), c.type);
        EXPECT_EQ(packet.Ssrc(), kClientSsrc);
        TLVHeader header;
        ASSERT_TRUE(header.ReadHeader(packet.AppData(), packet.AppDataLength()));
        EXPECT_EQ(header.version, 2);
        EXPECT_EQ(header.kind, c.kind);
        EXPECT_EQ(header.msgId, 0x0A0B);
        EXPECT_TRUE(c.readsBack(TLVReader(packet.AppData() + 4, packet.AppDataLength() - 4)));

        RecordingHandler handler;
        bool same = false;
        handler.inspect = [&](RtcpAppMsg& m) { same = m.body && c.sameAs(m.body); };
        DiveRtcpApp peer(&handler, kServerSsrc);
        EXPECT_EQ(peer.ParseRtcpApp(p.data(), p.size()), c.parsedByCodec);
        EXPECT_EQ(same, c.parsedByCodec);
    }
}

// --- server-built messages, parsed by the codec ------------------------------------------------

struct ParsedCase {
    std::string name;
    DiveRtcpAppSubType type;
    DiveRtcpAppMsgType kind;
    Callback callback;
    std::function<void(TLVWriter*)> write;
    std::function<bool(const void*)> check;
};

template <typename Body, typename Write>
ParsedCase Parsed(std::string name, DiveRtcpAppSubType type, DiveRtcpAppMsgType kind, Callback cb, Body sent,
                  Write write, Body expected) {
    auto held = std::make_shared<Body>(std::move(sent));
    auto want = std::make_shared<Body>(std::move(expected));
    return {std::move(name), type, kind, cb, [held, write](TLVWriter* w) { write(*held, w); },
            [want](const void* body) { return *static_cast<const Body*>(body) == *want; }};
}

template <typename Body, typename Write>
ParsedCase Parsed(std::string name, DiveRtcpAppSubType type, DiveRtcpAppMsgType kind, Callback cb, Body sent,
                  Write write) {
    Body expected = sent;
    return Parsed(std::move(name), type, kind, cb, std::move(sent), write, std::move(expected));
}

std::vector<ParsedCase> ServerBuiltCases() {
    auto write = [](const auto& body, TLVWriter* w) {
        using Body = std::decay_t<decltype(body)>;
        if constexpr (std::is_same_v<Body, RtcpAppRspConnect>) ConnectCodec::Write(body, w);
        if constexpr (std::is_same_v<Body, RtcpAppRspPublish> || std::is_same_v<Body, RtcpAppRspSubscribe>)
            PubSubCodec::Write(body, w);
        if constexpr (std::is_same_v<Body, RtcpAppRspUpdate>) UpdateCodec::Write(body, w);
        if constexpr (std::is_same_v<Body, RtcpAppRspResult> || std::is_same_v<Body, RtcpAppReqStop> ||
                      std::is_same_v<Body, RtcpAppRspMediaControl> || std::is_same_v<Body, RtcpAppReqNotify>)
            ControlMsgCodec::Write(body, w);
        if constexpr (std::is_same_v<Body, DiveBuffer>) ControlMsgCodec::WriteTempRsp(body, w);
    };

    RtcpAppRspConnect conn;
    conn.resultCode = 200;
    conn.reason = Text("OK");
    conn.traceId = Text("trace-connect");
    conn.sessionParams = ServerSession();

    RtcpAppRspPublish pub;
    pub.miniSdp = FullMiniSdp(true);
    pub.resultCode = 200;
    pub.reason = Text("OK");
    pub.traceId = Text("trace-publish");
    pub.serverText14 = Text("publish-info");
    pub.sessionParams = ServerSession();

    RtcpAppRspSubscribe sub;
    sub.miniSdp = FullMiniSdp(true);
    sub.resultCode = 200;
    sub.reason = Text("OK");
    sub.traceId = Text("trace-subscribe");
    sub.playConfig = Text("{\"play\":{\"buffer\":300}}");
    sub.sessionParams = ServerSession();
    sub.serverText51 = Text("server-51");

    RtcpAppRspUpdate upd;
    upd.resultCode = 200;
    upd.reason = Text("OK");
    upd.msidCmds = {Cmd(kRtcpAppCmdAdd, "video-hevc"), Cmd(kRtcpAppCmdUpdate, "audio-aac")};
    upd.miniSdp = FullMiniSdp(true);

    RtcpAppReqStop stop;
    stop.url = Text("zrtc://edge.example/live/stream-1");
    stop.reasonCode = 3;
    stop.reason = Text("kicked");

    RtcpAppRspMediaControl ctrl;
    ctrl.url = Text("zrtc://edge.example/live/stream-1");
    ctrl.controlValue = 0x00010002;
    ctrl.msidCmds = {Cmd(kRtcpAppCmdDel, "audio-aac")};

    RtcpAppReqNotify notify;
    notify.notifyType = 6;
    notify.subValue = 2;
    notify.data = NotifyData(0xFFFF, 0x8000);
    notify.nestedValue3 = 0xFFFF;
    notify.nestedValue5 = 0x8000;

    return {
        Parsed("Connect final", kRtcpAppConnect, kRtcpAppFinalRsp, Callback::kFinal, conn, write),
        Parsed("Publish final", kRtcpAppPublish, kRtcpAppFinalRsp, Callback::kFinal, pub, write),
        Parsed("Subscribe final", kRtcpAppSubscribe, kRtcpAppFinalRsp, Callback::kFinal, sub, write),
        Parsed("PublishUpdate final", kRtcpAppPublishUpdate, kRtcpAppFinalRsp, Callback::kFinal, upd, write),
        Parsed("SubscribeUpdate final", kRtcpAppSubscribeUpdate, kRtcpAppFinalRsp, Callback::kFinal, upd, write),
        Parsed("Stop final", kRtcpAppStop, kRtcpAppFinalRsp, Callback::kFinal, Result(200, "stopped"), write),
        Parsed("Disconnect final", kRtcpAppDisconnect, kRtcpAppFinalRsp, Callback::kFinal, Result(200, ""), write),
        Parsed("HeartBeat final", kRtcpAppHeartBeat, kRtcpAppFinalRsp, Callback::kFinal, Result(403, "who"), write),
        Parsed("MtuDetect final: the code alone", kRtcpAppMtuDetect, kRtcpAppFinalRsp, Callback::kFinal,
               Result(200, "ignored"), write, Result(200, "")),
        Parsed("Notify final", kRtcpAppNotify, kRtcpAppFinalRsp, Callback::kFinal, Result(200, ""), write),
        Parsed("server Stop", kRtcpAppStop, kRtcpAppRequest, Callback::kRequest, stop, write),
        Parsed("server Disconnect", kRtcpAppDisconnect, kRtcpAppRequest, Callback::kRequest,
               Result(1001, "maintenance"), write),
        Parsed("server MediaControl", kRtcpAppMediaControl, kRtcpAppRequest, Callback::kRequest, ctrl, write),
        Parsed("server Notify", kRtcpAppNotify, kRtcpAppRequest, Callback::kRequest, notify, write),
        Parsed("Connect temporary", kRtcpAppConnect, kRtcpAppTempRsp, Callback::kTemp, Text("t-c"), write),
        Parsed("Subscribe temporary", kRtcpAppSubscribe, kRtcpAppTempRsp, Callback::kTemp, Text("t-s"), write),
        Parsed("HeartBeat temporary", kRtcpAppHeartBeat, kRtcpAppTempRsp, Callback::kTemp, Text("t-h"), write),
    };
}

TEST(RtcpAppRoundTrip, EveryServerBuiltMessageParses) {
    for (const ParsedCase& c : ServerBuiltCases()) {
        SCOPED_TRACE(c.name);
        const std::vector<uint8_t> p = test::ServerDatagram(c.type, c.kind, 0x7788, c.write);
        ASSERT_FALSE(p.empty());
        RecordingHandler handler;
        bool same = false;
        handler.inspect = [&](RtcpAppMsg& m) { same = m.body && c.check(m.body); };
        DiveRtcpApp codec(&handler, kClientSsrc);
        ASSERT_TRUE(codec.ParseRtcpApp(p.data(), p.size()));
        ASSERT_EQ(handler.calls.size(), 1u);
        EXPECT_EQ(handler.calls[0].callback, c.callback);
        EXPECT_EQ(handler.calls[0].header.msgId, 0x7788);
        EXPECT_EQ(handler.calls[0].header.ssrc, kServerSsrc);
        EXPECT_TRUE(same);
    }
}

// --- presence rules: fields that are not written on purpose ------------------------------------

template <typename Track>
struct PresenceCase {
    const char* what;
    std::function<void(Track*)> set;   // applied to a full track before writing
    std::function<void(Track*)> drop;  // what the written list does not carry
};

template <typename Track>
void ExpectPresence(const Track& base, const std::vector<PresenceCase<Track>>& cases) {
    for (const PresenceCase<Track>& c : cases) {
        Track sent = base;
        c.set(&sent);
        Track expected = sent;
        c.drop(&expected);
        ASSERT_FALSE(sent == expected) << c.what << ": the case drops nothing";
        TLVWriter w;
        TrackMediaParamCodec::Write(sent, &w);
        Track back;
        TrackMediaParamCodec::Read(TLVReader(w.Buffer()), &back);
        EXPECT_TRUE(back == expected) << c.what;
    }
}

TEST(RtcpAppPresence, AudioEntriesFollowTheCodecAndTransportConfiguration) {
    const RtcpAppMiniSDP sdp = FullMiniSdp(false);
    const RtcpAppMediaParamAudio opus = sdp.audios[0];
    auto transport = [](uint8_t rtx, uint8_t fec, uint8_t red) {
        RtcpAppTransConfig t;
        t.direction = 3;
        t.nack = 1;
        t.rtx = rtx;
        t.fec = fec;
        t.red = red;
        return t.Encode();
    };
    ExpectPresence<RtcpAppMediaParamAudio>(
        opus, {
                  {"AAC configuration with an Opus codec", [](auto* a) { a->aacConfig = Bytes(2); },
                   [](auto* a) { a->aacConfig.Clear(); }},
                  {"Opus configuration with an AAC codec",
                   [](auto* a) {
                       RtcpAppAudioCodecConfig c;
                       c.Decode(a->codecConfig);
                       c.codecId = kAudioCodecAac;
                       a->codecConfig = c.Encode();
                   },
                   [](auto* a) { a->opusConfig.Clear(); }},
                  {"codec 6 carries neither configuration",
                   [](auto* a) {
                       a->codecConfig.Data()[0] = kAudioCodecAacVariant;
                       a->aacConfig = Bytes(2);
                   },
                   [](auto* a) {
                       a->aacConfig.Clear();
                       a->opusConfig.Clear();
                   }},
                  {"codec configuration shorter than 6 bytes",
                   [](auto* a) { a->codecConfig = DiveBuffer(a->codecConfig.Data(), 5); },
                   [](auto* a) { a->opusConfig.Clear(); }},
                  {"FEC off", [&](auto* a) { a->transConfig = transport(1, 0, 1); },
                   [](auto* a) {
                       a->fecAlgos.Clear();
                       a->fecTransConfig.Clear();
                   }},
                  {"RTX off", [&](auto* a) { a->transConfig = transport(0, 1, 1); },
                   [](auto* a) { a->rtxConfig.Clear(); }},
                  {"RED off", [&](auto* a) { a->transConfig = transport(1, 1, 0); },
                   [](auto* a) { a->redConfig.Clear(); }},
                  {"one-byte transport configuration",
                   [](auto* a) { a->transConfig = DiveBuffer(a->transConfig.Data(), 1); },
                   [](auto* a) {
                       a->fecAlgos.Clear();
                       a->fecTransConfig.Clear();
                       a->rtxConfig.Clear();
                       a->redConfig.Clear();
                   }},
              });
}

TEST(RtcpAppPresence, VideoEntriesFollowTheCodecAndTransportConfiguration) {
    const RtcpAppMiniSDP sdp = FullMiniSdp(false);
    ExpectPresence<RtcpAppMediaParamVideo>(
        sdp.videos[0],  // H.264 with everything in use
        {
            {"VPS with H.264", [](auto* v) { v->vps = Bytes(3); }, [](auto* v) { v->vps.Clear(); }},
            {"parameter sets of an unknown codec", [](auto* v) { v->codecId = 3; },
             [](auto* v) {
                 v->sps.Clear();
                 v->pps.Clear();
             }},
            {"no transport configuration", [](auto* v) { v->transConfig.Clear(); },
             [](auto* v) {
                 v->fecAlgos.Clear();
                 v->fecTransConfig.Clear();
                 v->rtxConfig.Clear();
                 v->redConfig.Clear();
             }},
        });
}

TEST(RtcpAppPresence, ListsLeaveOutWhatTheClientDoesNotSend) {
    // Disabled tracks and the mini SDP's common parameters are not written by the client.
    RtcpAppMiniSDP sdp = FullMiniSdp(true);
    sdp.audios[1].enabled = false;
    sdp.videos[0].enabled = false;
    TLVWriter w;
    MiniSdpCodec::Write(sdp, &w);
    RtcpAppMiniSDP back;
    MiniSdpCodec::Read(TLVReader(w.Buffer()), &back);
    EXPECT_FALSE(back.common.present);
    ASSERT_EQ(back.audios.size(), 1u);
    ASSERT_EQ(back.videos.size(), 1u);
    EXPECT_TRUE(back.audios[0] == sdp.audios[0]);
    EXPECT_TRUE(back.videos[0] == sdp.videos[1]);

    // Common parameters: a lone byte of extensions, four bytes of RTX padding and an empty
    // congestion-control type are not written; SDP version and SRTP always are.
    RtcpAppMediaParamCommon common;
    common.present = true;
    common.rtpExt.Append(static_cast<uint8_t>(10));
    common.rtxPadding = Bytes(4);
    TLVWriter c;
    CommonMediaParamCodec::Write(common, &c);
    EXPECT_EQ(std::vector<uint8_t>(c.Data(), c.Data() + c.Length()),
              (std::vector<uint8_t>{1, 0, 1, 0, 3, 0, 4, 2, 0, 1, 0}));

    // Session parameters without cookie, version or present common parameters are empty, so the
    // message carries no tag 23 at all.
    RtcpAppReqSessionParams session;
    session.common = SubscribeCommon();
    session.common.present = false;
    TLVWriter s;
    SessionParamsCodec::Write(session, &s);
    EXPECT_EQ(s.Length(), 0u);
}

// --- write order -------------------------------------------------------------------------------

std::vector<int> Tags(const TLVWriter& w) {
    std::vector<int> tags;
    const uint8_t* p = w.Data();
    for (size_t pos = 0; pos + 3 <= w.Length();) {
        tags.push_back(p[pos]);
        pos += 3 + ((p[pos + 1] << 8) | p[pos + 2]);
    }
    return tags;
}

template <typename Fn>
std::vector<int> TagsOf(Fn write) {
    TLVWriter w;
    write(&w);
    return Tags(w);
}

TEST(RtcpAppWriteOrder, EntriesAreWrittenInTheCatalogueOrder) {
    const RtcpAppMiniSDP sdp = FullMiniSdp(true);
    RtcpAppReqSubscribe sub;
    sub.url = Text("u");
    sub.miniSdp = sdp;
    sub.sessionParams = ClientSession(0);
    sub.msids = {Text("a"), Text("v")};
    RtcpAppReqPublish pub;
    pub.url = Text("u");
    pub.miniSdp = sdp;
    pub.sessionParams = ClientSession(1);
    RtcpAppReqUpdate upd;
    upd.url = Text("u");
    upd.miniSdp = sdp;
    upd.msidCmds = {Cmd(kRtcpAppCmdAdd, "a"), Cmd(kRtcpAppCmdDel, "b")};
    RtcpAppRspMediaControl ctrl;
    ctrl.url = Text("u");
    ctrl.msidCmds = {Cmd(kRtcpAppCmdAdd, "a"), Cmd(kRtcpAppCmdDel, "b")};
    RtcpAppReqNotify notify;
    notify.data = Text("d");
    RtcpAppReqStop stop;
    stop.url = Text("u");
    stop.reason = Text("r");

    struct Case {
        const char* what;
        std::vector<int> tags;
        std::vector<int> expected;
    } cases[] = {
        {"audio with Opus", TagsOf([&](TLVWriter* w) { TrackMediaParamCodec::Write(sdp.audios[0], w); }),
         {1, 2, 3, 4, 6, 7, 8, 10, 9, 11}},
        {"audio with AAC", TagsOf([&](TLVWriter* w) { TrackMediaParamCodec::Write(sdp.audios[1], w); }),
         {1, 2, 3, 4, 5}},
        {"video H.264", TagsOf([&](TLVWriter* w) { TrackMediaParamCodec::Write(sdp.videos[0], w); }),
         {1, 2, 3, 4, 5, 6, 11, 7, 12, 8, 9, 23}},
        {"video HEVC", TagsOf([&](TLVWriter* w) { TrackMediaParamCodec::Write(sdp.videos[1], w); }),
         {1, 2, 3, 4, 8, 9, 10, 23}},
        {"common", TagsOf([&](TLVWriter* w) { CommonMediaParamCodec::Write(sdp.common, w); }), {1, 2, 3, 4, 5}},
        {"SRTP", TagsOf([&](TLVWriter* w) { CommonMediaParamCodec::Write(sdp.common.srtp, w); }),
         {1, 2, 3, 4, 5, 6}},
        {"mini SDP (server side)", TagsOf([&](TLVWriter* w) { MiniSdpCodec::Write(sdp, w, true); }),
         {1, 2, 2, 3, 3}},
        {"client session", TagsOf([&](TLVWriter* w) { SessionParamsCodec::Write(ClientSession(1), w); }),
         {1, 3, 7}},
        {"server session", TagsOf([&](TLVWriter* w) { SessionParamsCodec::Write(ServerSession(), w); }),
         {1, 4, 5, 6, 7}},
        {"Subscribe request", TagsOf([&](TLVWriter* w) { PubSubCodec::Write(sub, w); }),
         {3, 4, 12, 24, 23, 22, 22, 51}},
        {"Publish request", TagsOf([&](TLVWriter* w) { PubSubCodec::Write(pub, w); }), {3, 4, 12, 23}},
        {"update request", TagsOf([&](TLVWriter* w) { UpdateCodec::Write(upd, w); }), {3, 4, 5, 5}},
        {"Stop request", TagsOf([&](TLVWriter* w) { ControlMsgCodec::Write(stop, w); }), {3, 1, 2}},
        {"MediaControl request", TagsOf([&](TLVWriter* w) { ControlMsgCodec::Write(ctrl, w); }), {3, 18, 22, 22}},
        {"Notify request", TagsOf([&](TLVWriter* w) { ControlMsgCodec::Write(notify, w); }), {19, 20, 21}},
        {"MtuDetectEnd request",
         TagsOf([&](TLVWriter* w) { ControlMsgCodec::Write(RtcpAppReqMtuDetect(), true, w); }), {10, 11}},
    };
    for (const Case& c : cases) EXPECT_EQ(c.tags, c.expected) << c.what;
}

}  // namespace
}  // namespace dive
