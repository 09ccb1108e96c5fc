#include "EdgeSession.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <limits>

#include "EdgeLog.h"
#include "MessageCatalogue.h"
#include "signalling/ConnectCodec.h"
#include "signalling/ControlMsgCodec.h"
#include "signalling/DiveRtcpApp.h"
#include "signalling/PubSubCodec.h"
#include "signalling/UpdateCodec.h"
#include "vrio/osal.h"

namespace zrtc {
namespace edge {

namespace {

constexpr uint8_t kConnect = 0, kPublish = 1, kSubscribe = 2, kPublishUpdate = 3, kSubscribeUpdate = 4,
                  kStop = 5, kDisconnect = 6, kHeartBeat = 7, kMtuDetect = 8, kMtuDetectEnd = 9,
                  kMediaControl = 10, kNotify = 11, kMobility = 13;
constexpr uint8_t kRequest = 0, kFinal = 1, kTemp = 2, kAck = 3;
constexpr uint16_t kOk = 200;

uint32_t Key(uint8_t type, uint16_t id) { return (uint32_t{type} << 16) | id; }

bool HasTraceId(uint8_t type) { return type == kConnect || type == kPublish || type == kSubscribe; }

dive::DiveBuffer Text(const std::string& s) { return dive::DiveBuffer(s); }

// The common media parameters the edge answers with: the offered header extensions, SRTP off.
dive::RtcpAppMediaParamCommon GrantCommon(const dive::RtcpAppReqSessionParams& offered) {
    dive::RtcpAppMediaParamCommon common;
    common.present = true;
    common.sdpVersion = 1;
    common.rtpExt = offered.common.rtpExt;
    common.srtp.encryptType = 0;
    return common;
}

}  // namespace

EdgeSession::EdgeSession(std::string peer, uint32_t index, const StreamCatalogue* catalogue, SessionConfig config,
                         SessionSwitches switches, ClientChannel* channel, MediaHooks* hooks, int64_t nowMs)
    : mPeer(std::move(peer)),
      mIndex(index),
      mCatalogue(catalogue),
      mConfig(std::move(config)),
      mSwitches(std::move(switches)),
      mChannel(channel),
      mHooks(hooks),
      mWriter(dive::DiveRtcpApp::DrawLocalSsrc()),
      mCookie(NewCookie()),
      mLastHeardMs(nowMs) {}

std::string EdgeSession::NewCookie() {
    char buf[24];
    const uint64_t a = static_cast<uint64_t>(osal_rand64());
    const uint64_t b = static_cast<uint64_t>(osal_rand());
    std::snprintf(buf, sizeof(buf), "%012" PRIx64 "%04" PRIx64, static_cast<uint64_t>(a & 0xFFFFFFFFFFFFu),
                  static_cast<uint64_t>(b & 0xFFFFu));
    return buf;
}

std::string EdgeSession::TraceId(uint16_t msgId) const {
    return "edge-" + std::to_string(mIndex) + "-" + std::to_string(msgId);
}

void EdgeSession::Deviation(const std::string& what, const std::string& text) {
    ++mStats.deviations;
    EdgeLog("bad %s from %s: %s", what.c_str(), mPeer.c_str(), text.c_str());
}

void EdgeSession::Send(const Bytes& datagram, Counted counted) {
    if (datagram.empty() || mSwitches.silent) return;
    mChannel->SendToClient(datagram.data(), datagram.size());
    switch (counted) {
        case Counted::kAnswer: ++mStats.answersSent; break;
        case Counted::kTemp: ++mStats.tempSent; break;
        case Counted::kServerResend: ++mStats.serverResends; break;
        case Counted::kNothing: break;
    }
}

void EdgeSession::OnDatagram(const uint8_t* data, size_t len, int64_t nowMs) {
    mLastHeardMs = nowMs;
    if (!IsSignalling(data, len)) {
        ++mStats.media;
        if (mHooks != nullptr) mHooks->OnClientMedia(mPeer, data, len, nowMs);
        return;
    }
    WireMessage msg;
    std::string why;
    if (!ParseWireMessage(data, len, &msg, &why)) {
        ++mStats.malformed;
        Deviation("datagram", why);
        return;
    }
    const std::string what = TypeName(msg.type) + (msg.kind == kRequest ? "" : " " + KindName(msg.kind));
    for (const std::string& d : CheckAgainstCatalogue(msg)) Deviation(what, d);
    if (msg.type < SessionStats::kTypes && msg.kind < SessionStats::kKinds)
        ++mStats.received[msg.type][msg.kind];
    else
        ++mStats.receivedOther;
    switch (msg.kind) {
        case kRequest: HandleRequest(msg, data, len, nowMs); break;
        case kFinal: HandleClientFinal(msg); break;
        case kAck: HandleAck(msg); break;
        default: break;  // already reported as a deviation
    }
}

void EdgeSession::HandleRequest(const WireMessage& msg, const uint8_t* data, size_t len, int64_t nowMs) {
    const uint32_t key = Key(msg.type, msg.msgId);
    const auto seen = mAnswered.find(key);
    if (seen != mAnswered.end() && seen->second.request != Bytes(data, data + len)) {
        // The same id with other content: a new request (a client process restarted its ids).
        EdgeLog("%s reused message id %u for a different %s", mPeer.c_str(), msg.msgId, TypeName(msg.type).c_str());
        mAnswered.erase(seen);
    } else if (seen != mAnswered.end()) {
        // A resent copy: the client has not heard the answer yet. Say it again (unless it is still
        // held back by a delay, in which case it is on its way).
        ++mStats.retransmissionsSeen;
        bool pending = false;
        for (const Delayed& d : mDelayed) pending = pending || d.datagram == seen->second.answers.back();
        if (!pending)
            for (const Bytes& a : seen->second.answers) Send(a, Counted::kAnswer);
        return;
    }
    if (msg.type == kMobility || msg.type > kNotify) return;  // reported by the catalogue check

    Answered record;
    record.request.assign(data, data + len);
    record.firstMs = nowMs;
    const dive::TLVReader body = msg.Body();
    const bool traced = HasTraceId(msg.type);
    if (traced && (mSwitches.tempFirst || mSwitches.tempOnly)) {
        const Bytes temp = BuildTemp(msg);
        Send(temp, Counted::kTemp);
        record.answers.push_back(temp);
        if (mSwitches.tempOnly) {
            mAnswered[key] = std::move(record);
            return;
        }
    }

    Bytes final;
    switch (msg.type) {
        case kConnect: final = BuildConnectAnswer(msg); break;
        case kPublish: {
            dive::RtcpAppReqPublish req;
            dive::PubSubCodec::Read(body, &req);
            if (!mConnected) Deviation("Publish", "no Connect before it");
            CheckCookie(msg, req.sessionParams);
            final = BuildPublishAnswer(msg, req);
            break;
        }
        case kSubscribe: {
            dive::RtcpAppReqSubscribe req;
            dive::PubSubCodec::Read(body, &req);
            if (!mConnected) Deviation("Subscribe", "no Connect before it");
            CheckCookie(msg, req.sessionParams);
            final = BuildSubscribeAnswer(msg, req);
            break;
        }
        case kPublishUpdate:
        case kSubscribeUpdate: final = BuildUpdateAnswer(msg); break;
        case kStop:
            if (mHooks != nullptr) mHooks->OnStreamStopped(mPeer);
            final = BuildResult(msg, kOk, "");
            break;
        case kDisconnect:
            final = BuildResult(msg, kOk, "");
            mConnected = false;
            mCloseAtMs = nowMs + kLingerMs;
            break;
        case kHeartBeat:
            if (mSwitches.heartbeats) final = BuildResult(msg, kOk, "");
            break;
        case kMtuDetect: {
            // The answer to a probe is the result code alone.
            dive::TLVWriter w;
            w.Write(1, kOk);
            final = mWriter.Build(msg.type, kFinal, msg.msgId, &w);
            break;
        }
        case kMtuDetectEnd: break;  // nothing answers the end of a probe run
        case kMediaControl:
        case kNotify: final = BuildResult(msg, kOk, ""); break;
        default: break;
    }
    if (!final.empty()) {
        const int copies = mSwitches.answerTwice ? 2 : 1;
        for (int i = 0; i < copies; ++i) {
            if (mSwitches.delayMs > 0)
                mDelayed.push_back({nowMs + mSwitches.delayMs, final});
            else
                Send(final, Counted::kAnswer);
        }
        record.answers.push_back(final);
    }
    if (!record.answers.empty()) mAnswered[key] = std::move(record);
}

void EdgeSession::CheckCookie(const WireMessage& msg, const dive::RtcpAppReqSessionParams& params) {
    if (!mConnected) return;
    const std::string cookie = params.cookie.ToString();
    if (cookie.empty())
        Deviation(TypeName(msg.type), "no cookie (tag 23, tag 1) after Connect gave one");
    else if (cookie != mCookie)
        Deviation(TypeName(msg.type), "cookie '" + cookie + "' is not this session's '" + mCookie + "'");
}

void EdgeSession::HandleClientFinal(const WireMessage& msg) {
    for (ServerRequest& r : mServerRequests) {
        if (r.msgId != msg.msgId) continue;
        if (r.type != msg.type) {
            Deviation(TypeName(msg.type) + " final response",
                      "message id " + std::to_string(msg.msgId) + " belongs to a " + TypeName(r.type));
            return;
        }
        if (r.answered) {
            ++mStats.retransmissionsSeen;
            return;
        }
        r.answered = true;
        ++mStats.serverAnswered;
        dive::RtcpAppRspResult result;
        dive::ControlMsgCodec::Read(msg.Body(), &result);
        if (result.resultCode != kOk)
            EdgeLog("%s answered the edge's %s #%u with %u", mPeer.c_str(), TypeName(r.type).c_str(), r.msgId,
                    result.resultCode);
        return;
    }
    Deviation(TypeName(msg.type) + " final response",
              "the edge sent no request with message id " + std::to_string(msg.msgId));
}

void EdgeSession::HandleAck(const WireMessage& msg) {
    const auto it = mAnswered.find(Key(msg.type, msg.msgId));
    if (it == mAnswered.end()) {
        if (FinalNeedsAck(msg.type))
            Deviation(TypeName(msg.type) + " ack", "no answer was sent for message id " + std::to_string(msg.msgId));
        return;
    }
    if (it->second.acked) {
        ++mStats.retransmissionsSeen;  // the client sends every ack four times
        return;
    }
    it->second.acked = true;
}

Bytes EdgeSession::BuildTemp(const WireMessage& msg) {
    dive::TLVWriter w;
    dive::ControlMsgCodec::WriteTempRsp(Text(TraceId(msg.msgId)), &w);
    return mWriter.Build(msg.type, kTemp, msg.msgId, &w);
}

Bytes EdgeSession::BuildResult(const WireMessage& msg, uint16_t code, const std::string& reason) {
    dive::RtcpAppRspResult rsp;
    rsp.resultCode = code;
    rsp.reason = Text(reason);
    dive::TLVWriter w;
    dive::ControlMsgCodec::Write(rsp, &w);
    return mWriter.Build(msg.type, kFinal, msg.msgId, &w);
}

Bytes EdgeSession::BuildConnectAnswer(const WireMessage& msg) {
    dive::RtcpAppReqConnect req;
    dive::ConnectCodec::Read(msg.Body(), &req);
    dive::RtcpAppRspConnect rsp;
    rsp.traceId = Text(TraceId(msg.msgId));
    if (mSwitches.refuseConnect != 0) {
        rsp.resultCode = mSwitches.refuseConnect;
        rsp.reason = Text(mSwitches.refuseReason);
    } else {
        rsp.resultCode = kOk;
        rsp.reason = Text("OK");
        rsp.sessionParams.cookie = Text(mCookie);
        mConnected = true;
        mUrl = req.url.ToString();
    }
    dive::TLVWriter w;
    dive::ConnectCodec::Write(rsp, &w);
    return mWriter.Build(msg.type, kFinal, msg.msgId, &w);
}

Bytes EdgeSession::BuildSubscribeAnswer(const WireMessage& msg, const dive::RtcpAppReqSubscribe& req) {
    dive::RtcpAppRspSubscribe rsp;
    rsp.traceId = Text(TraceId(msg.msgId));
    rsp.sessionParams.cookie = Text(mCookie);
    const std::string url = req.url.ToString();
    const StreamDescription* stream = mCatalogue->Find(url, mConfig.fallbackStream);
    if (mSwitches.refuseSubscribe != 0) {
        rsp.resultCode = mSwitches.refuseSubscribe;
        rsp.reason = Text(mSwitches.refuseReason);
    } else if (stream == nullptr) {
        rsp.resultCode = 404;
        rsp.reason = Text("no stream '" + StreamCatalogue::StreamName(url) + "'");
    } else {
        const bool standard = req.trackMode != 0;
        const dive::DiveBuffer defaultAudio = Text(standard ? "vrio audio" : "quenlo_audio");
        const dive::DiveBuffer defaultVideo = Text(standard ? "vrio video" : "quenlo_video_camera_large");
        const bool listed = !req.miniSdp.audios.empty() || !req.miniSdp.videos.empty();
        // One audio and one video track per stream: the first entry of each kind asks for it.
        if (stream->audio != AudioCodec::kNone && (!listed || !req.miniSdp.audios.empty())) {
            const dive::DiveBuffer& msid =
                listed && !req.miniSdp.audios.front().msid.Empty() ? req.miniSdp.audios.front().msid : defaultAudio;
            rsp.miniSdp.audios.push_back(StreamCatalogue::AudioTrack(*stream, msid));
        }
        if (stream->video != VideoCodec::kNone && (!listed || !req.miniSdp.videos.empty())) {
            const bool given = listed && !req.miniSdp.videos.front().msid.Empty();
            const uint8_t sei = listed ? req.miniSdp.videos.front().cumuDelaySei : 0;
            rsp.miniSdp.videos.push_back(
                StreamCatalogue::VideoTrack(*stream, given ? req.miniSdp.videos.front().msid : defaultVideo, sei));
        }
        if (req.miniSdp.audios.size() > 1 || req.miniSdp.videos.size() > 1)
            EdgeLog("%s asked for %zu audio and %zu video tracks; stream '%s' grants one of each at most",
                    mPeer.c_str(), req.miniSdp.audios.size(), req.miniSdp.videos.size(), stream->name.c_str());
        if (rsp.miniSdp.audios.empty() && rsp.miniSdp.videos.empty()) {
            rsp.resultCode = 404;
            rsp.reason = Text("stream '" + stream->name + "' has none of the tracks asked for");
        } else {
            rsp.resultCode = kOk;
            rsp.reason = Text("OK");
            rsp.miniSdp.common = GrantCommon(req.sessionParams);
            rsp.playConfig = Text(mConfig.playConfig);
            mUrl = url;
            if (mHooks != nullptr)
                mHooks->OnSubscribed(mPeer, *stream, rsp.miniSdp.audios.empty() ? 0 : rsp.miniSdp.audios[0].ssrc,
                                     rsp.miniSdp.videos.empty() ? 0 : rsp.miniSdp.videos[0].ssrc, mChannel);
        }
    }
    dive::TLVWriter w;
    dive::PubSubCodec::Write(rsp, &w, true);
    return mWriter.Build(msg.type, kFinal, msg.msgId, &w);
}

Bytes EdgeSession::BuildPublishAnswer(const WireMessage& msg, const dive::RtcpAppReqPublish& req) {
    dive::RtcpAppRspPublish rsp;
    rsp.traceId = Text(TraceId(msg.msgId));
    rsp.sessionParams.cookie = Text(mCookie);
    if (mSwitches.refusePublish != 0) {
        rsp.resultCode = mSwitches.refusePublish;
        rsp.reason = Text(mSwitches.refuseReason);
    } else if (req.miniSdp.audios.empty() && req.miniSdp.videos.empty()) {
        rsp.resultCode = 400;
        rsp.reason = Text("no track offered");
    } else {
        // The edge picks payload types and SSRCs for what the publisher offers and keeps the rest.
        uint32_t next = 0x9B000000u | ((mIndex & 0xFFFF) << 8);
        for (const dive::RtcpAppMediaParamAudio& offered : req.miniSdp.audios) {
            dive::RtcpAppMediaParamAudio a = offered;
            a.enabled = true;
            dive::RtcpAppAudioCodecConfig codec;
            const bool aac = codec.Decode(offered.codecConfig) && codec.codecId != dive::kAudioCodecOpus;
            a.payloadType = aac ? StreamCatalogue::kAacPayloadType : StreamCatalogue::kOpusPayloadType;
            a.ssrc = ++next;
            rsp.miniSdp.audios.push_back(a);
        }
        for (const dive::RtcpAppMediaParamVideo& offered : req.miniSdp.videos) {
            dive::RtcpAppMediaParamVideo v = offered;
            v.enabled = true;
            v.payloadType = offered.codecId == dive::kVideoCodecHevc ? StreamCatalogue::kHevcPayloadType
                                                                     : StreamCatalogue::kH264PayloadType;
            v.ssrc = ++next;
            rsp.miniSdp.videos.push_back(v);
        }
        rsp.resultCode = kOk;
        rsp.reason = Text("OK");
        rsp.miniSdp.common = GrantCommon(req.sessionParams);
        mUrl = req.url.ToString();
        if (mHooks != nullptr) mHooks->OnPublished(mPeer, StreamCatalogue::StreamName(mUrl));
    }
    dive::TLVWriter w;
    dive::PubSubCodec::Write(rsp, &w, true);
    return mWriter.Build(msg.type, kFinal, msg.msgId, &w);
}

Bytes EdgeSession::BuildUpdateAnswer(const WireMessage& msg) {
    dive::RtcpAppReqUpdate req;
    dive::UpdateCodec::Read(msg.Body(), &req);
    dive::RtcpAppRspUpdate rsp;
    if (mSwitches.refuseUpdate != 0) {
        rsp.resultCode = mSwitches.refuseUpdate;
        rsp.reason = Text(mSwitches.refuseReason);
    } else {
        rsp.resultCode = kOk;
        rsp.reason = Text("OK");
        rsp.msidCmds = req.msidCmds;  // every command is carried out
        const StreamDescription* stream = mCatalogue->Find(req.url.ToString(), mConfig.fallbackStream);
        if (stream != nullptr && msg.type == kSubscribeUpdate) {
            bool audioAdded = false;
            bool videoAdded = false;
            for (const dive::RtcpAppMsidCmd& cmd : req.msidCmds) {
                dive::DiveBuffer msid;
                if (cmd.Cmd() != dive::kRtcpAppCmdAdd || !cmd.GetCmdMsid(&msid)) continue;
                const bool isVideo = msid.ToString().find("video") != std::string::npos;
                if (isVideo && stream->video != VideoCodec::kNone && !videoAdded) {
                    rsp.miniSdp.videos.push_back(StreamCatalogue::VideoTrack(*stream, msid, 0));
                    videoAdded = true;
                } else if (!isVideo && stream->audio != AudioCodec::kNone && !audioAdded) {
                    rsp.miniSdp.audios.push_back(StreamCatalogue::AudioTrack(*stream, msid));
                    audioAdded = true;
                }
            }
        }
    }
    dive::TLVWriter w;
    dive::UpdateCodec::Write(rsp, &w, false);
    return mWriter.Build(msg.type, kFinal, msg.msgId, &w);
}

void EdgeSession::SendServerRequest(uint8_t type, const dive::TLVWriter& body, bool expectsAnswer, int64_t nowMs) {
    ServerRequest r;
    r.msgId = mNextServerId++;
    r.type = type;
    r.datagram = mWriter.Build(type, kRequest, r.msgId, &body);
    r.firstMs = nowMs;
    r.sends = 1;
    r.expectsAnswer = expectsAnswer;
    Send(r.datagram);
    ++mStats.serverRequests;
    mServerRequests.push_back(std::move(r));
}

void EdgeSession::SendStop(uint16_t code, const std::string& reason, int64_t nowMs) {
    dive::RtcpAppReqStop req;
    req.url = Text(mUrl);
    req.reasonCode = code;
    req.reason = Text(reason);
    dive::TLVWriter w;
    dive::ControlMsgCodec::Write(req, &w);
    SendServerRequest(kStop, w, true, nowMs);
}

void EdgeSession::SendDisconnect(uint16_t code, const std::string& reason, int64_t nowMs) {
    dive::RtcpAppRspResult req;
    req.resultCode = code;
    req.reason = Text(reason);
    dive::TLVWriter w;
    dive::ControlMsgCodec::Write(req, &w);
    SendServerRequest(kDisconnect, w, false, nowMs);
}

void EdgeSession::SendNotify(uint8_t type, uint8_t subValue, const Bytes& data, int64_t nowMs) {
    dive::RtcpAppReqNotify req;
    req.notifyType = type;
    req.subValue = subValue;
    req.data.Assign(data.data(), data.size());
    dive::TLVWriter w;
    dive::ControlMsgCodec::Write(req, &w);
    SendServerRequest(kNotify, w, true, nowMs);
}

void EdgeSession::SendMobility() {
    Send(mWriter.Build(kMobility, kRequest, mNextServerId++, nullptr));
    ++mStats.mobilitySent;
}

void EdgeSession::Restart() {
    mCookie = NewCookie();
    mConnected = false;
    mUrl.clear();
    mAnswered.clear();
    mDelayed.clear();
    mServerRequests.clear();
    mCloseAtMs = 0;
    EdgeLog("session %s restarted, new cookie %s", mPeer.c_str(), mCookie.c_str());
}

void EdgeSession::Poll(int64_t nowMs) {
    for (size_t i = 0; i < mDelayed.size();) {
        if (mDelayed[i].dueMs <= nowMs) {
            Send(mDelayed[i].datagram, Counted::kAnswer);
            mDelayed.erase(mDelayed.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
            ++i;
        }
    }
    for (size_t i = 0; i < mServerRequests.size();) {
        ServerRequest& r = mServerRequests[i];
        if (r.answered) {
            ++i;
            continue;
        }
        if (r.sends < kServerMaxSends) {
            if (nowMs >= r.firstMs + r.sends * kServerResendMs) {
                Send(r.datagram, Counted::kServerResend);
                ++r.sends;
            }
            ++i;
            continue;
        }
        if (nowMs >= r.firstMs + r.sends * kServerResendMs) {
            if (r.expectsAnswer) {
                ++mStats.serverUnanswered;
                EdgeLog("%s did not answer the edge's %s #%u (%d sends)", mPeer.c_str(), TypeName(r.type).c_str(),
                        r.msgId, r.sends);
            }
            mServerRequests.erase(mServerRequests.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        ++i;
    }
    // Answered server requests are kept (to recognise resent answers) as long as answers are.
    for (size_t i = 0; i < mServerRequests.size();) {
        if (mServerRequests[i].answered && nowMs - mServerRequests[i].firstMs > kAnswerKeepMs)
            mServerRequests.erase(mServerRequests.begin() + static_cast<std::ptrdiff_t>(i));
        else
            ++i;
    }
    for (auto it = mAnswered.begin(); it != mAnswered.end();) {
        if (nowMs - it->second.firstMs > kAnswerKeepMs)
            it = mAnswered.erase(it);
        else
            ++it;
    }
}

int64_t EdgeSession::NextWakeMs() const {
    int64_t next = std::numeric_limits<int64_t>::max();
    for (const Delayed& d : mDelayed) next = std::min(next, d.dueMs);
    for (const ServerRequest& r : mServerRequests)
        if (!r.answered) next = std::min(next, r.firstMs + r.sends * kServerResendMs);
    if (mCloseAtMs != 0) next = std::min(next, mCloseAtMs);
    return next;
}

bool EdgeSession::Ended(int64_t nowMs, std::string* why) const {
    if (mCloseAtMs != 0 && nowMs >= mCloseAtMs) {
        *why = "disconnected";
        return true;
    }
    if (nowMs - mLastHeardMs > mConfig.idleTimeoutMs) {
        *why = "idle";
        return true;
    }
    return false;
}

std::string EdgeSession::Summary(const std::string& why, const std::string& link) const {
    return "session " + mPeer + " ended (" + why + "): " + mStats.ToLine() + " link: " + link;
}

std::string EdgeSession::SummaryJson(const std::string& why, const std::string& linkJson) const {
    return "{\"peer\":\"" + JsonEscape(mPeer) + "\",\"end\":\"" + JsonEscape(why) + "\",\"url\":\"" +
           JsonEscape(mUrl) + "\",\"switches\":\"" + JsonEscape(mSwitches.ToString()) + "\",\"stats\":" +
           mStats.ToJson() + ",\"link\":" + linkJson + "}";
}

}  // namespace edge
}  // namespace zrtc
