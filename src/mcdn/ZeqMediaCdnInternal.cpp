#include "mcdn/ZeqMediaCdnInternal.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "config/ConfigDataCenter.h"
#include "engine/EngineService.h"
#include "engine/EngineServiceContext.h"
#include "engine/SessionTable.h"
#include "http/dns_resolver.h"
#include "osal/LLog.h"
#include "osal/SystemLog.h"
#include "platform/RandomText.h"
#include "platform/UrlText.h"
#include "signalling/MessageBodies.h"
#include "store/CrossSessionCache.h"
#include "vrio/osal.h"

#ifndef VRIO_MCDN_FALLBACK_IP
#define VRIO_MCDN_FALLBACK_IP "192.0.2.1"
#endif

namespace zeqmcdn {
namespace {

constexpr const char* kFallbackPort = "20003";
constexpr const char* kDefaultPort = "1106";

std::string Text(const dive::DiveBuffer& b) { return b.ToString(); }

int DnsCancelled(void* ctx) {
    auto* context = static_cast<EngineServiceContext*>(ctx);
    if (!context) return 0;
    char value[8] = {};
    if (context->GetParameter("dns_query_cancel", value, sizeof(value)) <= 0) return 0;
    return std::strcmp(value, "1") == 0 ? 1 : 0;
}

int ParsePort(const std::string& text) {
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < 0 || v > 65535) return 0;
    return static_cast<int>(v);
}

void AddCommonParams(dive::RtcpAppMediaParamCommon* common, bool subscribe) {
    common->present = true;
    common->sdpVersion = 1;
    common->srtp.version = dive::DiveBuffer(std::string("20"));
    common->srtp.encryptType = 0;
    const uint8_t cc = 0x80;
    common->ccType.Assign(&cc, 1);
    common->rtpExt.AddExt(dive::kRtpExtGlobalDelay, 14);
    common->rtpExt.AddExt(dive::kRtpExtTransportSequence, 5);
    common->rtpExt.AddExt(dive::kRtpExtCts, 12);
    if (subscribe) {
        common->rtpExt.AddExt(dive::kRtpExtVideoBaseTs, 6);
        common->rtpExt.AddExt(dive::kRtpExtAudioBaseTs, 7);
    }
}

}  // namespace

ZeqMediaCdnInternal::ZeqMediaCdnInternal(EngineServiceContext* context, ZeqMediaCdnListener* listener,
                                         const SfuUrl& url)
    : SignallingRtcpApp(context), mStreamUrl(url.url.c_str()), mListener(listener) {
    // A missing count reads as -1, so the first engine of a session stores 0.
    StoreSessionNumber(context, "start_up_retry_times", QuerySessionNumber(context, "start_up_retry_times", -1) + 1);
    ChooseAddress(url);
    GetRtcpApp().RegisterHandler(this);
    SetReady(true);

    CrossSessionCache* cache = CrossSessionCache::Inst();
    const int64_t now = osal_get_time_ms();
    CrossSessionCache::Item item = cache->GetCache(mStreamUrl);
    const bool cookieUsable = item.CookieUsableAt(now);
    if (!item.cookie.empty() && cookieUsable) {
        VLOGI("use last cookie\n");
        SetCookie(std::string(), item.cookie);
        StoreSessionNumber(context, "start_up_cookie_used", 1);
    } else if (!item.cookie.empty()) {
        StoreSessionNumber(context, "start_up_cookie_over_time", now - item.cookieExpirationTime);
    }
    if (item.socket == -1 || !cookieUsable) {
        cache->CloseLastSocket();
        CreateSoket(-1);
        cache->UpdateSocket(mStreamUrl, GetSocket().GetFd());
    } else {
        VLOGI("use last socket:%d\n", item.socket);
        CreateSoket(item.socket);
    }
    mMsgIdKey = NetBit::GetDomainName(mStreamUrl);
    mThread = osal::thread(&ZeqMediaCdnInternal::ThreadMain, this);
}

ZeqMediaCdnInternal::~ZeqMediaCdnInternal() {
    // Without a cookie lifetime the edge forgets this client at once: the socket is not worth keeping.
    if (EngineServiceContext* context = GetContext()) {
        auto* dataCenter = static_cast<zeqnet::ConfigDataCenter*>(context->GetConfigDataCenter());
        if (dataCenter && dataCenter->GetCookieExpirationTime() == 0) GetSocket().SetNeedClose(true);
    }
    // No heartbeat may go out through a socket already handed on to the next engine.
    mLinkEstablished = false;
    {
        osal::lock_guard<osal::mutex> lock(mListenerLock);
        mListener = nullptr;
    }
    DestorySocket();
    if (GetSocket().GetFd() != -1) CrossSessionCache::Inst()->UpdateLastSocket(GetSocket());
    GetRtcpApp().DeRegisterHandler();
    // Give queued commands a short moment to go out; a stopping engine must not hang.
    for (int i = 0; i < 10; ++i) {
        {
            osal::lock_guard<osal::mutex> lock(mQueueLock);
            if (mQueue.empty()) break;
        }
        osal_sleep_ms(10);
    }
    {
        osal::lock_guard<osal::mutex> lock(mQueueLock);
        if (!mQueue.empty()) VLOGW("ZeqMediaCdnInternal throw %d msg", static_cast<int>(mQueue.size()));
        mQuit = true;
    }
    mQueueCond.notify_one();
    mLinkEstablished = false;
    if (mThread.joinable()) mThread.join();
    osal::lock_guard<osal::mutex> lock(mQueueLock);
    for (SigCmdParam* cmd : mQueue) delete cmd;
    mQueue.clear();
}

void ZeqMediaCdnInternal::ChooseAddress(const SfuUrl& url) {
    CrossSessionCache* cache = CrossSessionCache::Inst();
    const int64_t start = osal_get_time_ms();
    std::string ip;
    std::string port;
    int rt = 0;
    const char* envIp = std::getenv("SFUIP");
    const char* envPort = std::getenv("SFUPORT");
    if (!url.sfuIp.isEmpty()) {
        ip = url.sfuIp.c_str();
        port = url.sfuPort.c_str();
        VLOGI("Force ip:%s port:%d @%lld\n", ip.c_str(), ParsePort(port), static_cast<long long>(start));
        cache->UpdateDns(mStreamUrl, ip, port);
        StoreSessionNumber(GetContext(), "start_up_dns_request", start);
        mBy = 1;
    } else if (envIp && envPort) {
        ip = envIp;
        port = envPort;
        VLOGI("Force ip:%s port:%d @%lld\n", ip.c_str(), ParsePort(port), static_cast<long long>(start));
        cache->UpdateDns(mStreamUrl, ip, port);
        StoreSessionNumber(GetContext(), "start_up_dns_request", start);
        mBy = 5;
    } else {
        port = kDefaultPort;
        size_t b = mStreamUrl.find_first_not_of(' ');
        std::string host = b == std::string::npos ? std::string() : mStreamUrl.substr(b);
        host = host.substr(0, host.find(' '));
        VLOGI("Dns request for url %s ... @%lld\n", host.c_str(), static_cast<long long>(start));
        StoreSessionNumber(GetContext(), "start_up_dns_request", start);
        CrossSessionCache::Item item = cache->GetCache(mStreamUrl);
        if (item.DnsUsableAt(start)) {
            VLOGI("use last dns:%s:%s\n", item.ip.c_str(), item.port.c_str());
            ip = item.ip;
            port = item.port;
            mBy = 8;
            StoreSessionNumber(GetContext(), "start_up_dns_cache_used", 1);
        } else {
            if (!item.ip.empty() && !item.port.empty()) {
                StoreSessionNumber(GetContext(), "start_up_dns_cache_over_time", start - item.dnsExpirationTime);
            }
            int64_t dnsType = QuerySessionNumber(GetContext(), "dnsType", 0);
            if (dnsType < 0 || dnsType > 2) dnsType = 0;
            const std::string customDns = QuerySessionValue(GetContext(), "customDns", "");
            char ipText[46] = {};
            char name[1024] = {};
            int by = 0;
            rt = resolve_ip_cancellable(host.c_str(), ipText, sizeof(ipText), &by, name, sizeof(name),
                                        kDnsTimeoutMs, static_cast<int>(dnsType), customDns.c_str(), &DnsCancelled,
                                        GetContext(), GetIpv6Forced());
            mBy = by;
            if (rt == 0 && ipText[0] != '\0') {
                ip = ipText;
                cache->UpdateDns(mStreamUrl, ip, port);
                StoreSessionNumber(GetContext(), "start_up_dns_cache_update", 1);
            } else {
                rt = -1;
                MsgErrorWarning warn(String("0-na-0-0"));
                warn.mCategory = MsgErrorWarning::kCategoryDns;
                warn.mSubCode = MsgErrorWarning::kSubDnsFailed;
                Deliver(warn);
                ip = VRIO_MCDN_FALLBACK_IP;
                port = kFallbackPort;
            }
        }
        VLOGI("Dns return %d, cost:%lld, @%lld\n", rt, static_cast<long long>(osal_get_time_ms() - start),
              static_cast<long long>(osal_get_time_ms()));
    }
    const int64_t end = osal_get_time_ms();
    StoreSessionNumber(GetContext(), "start_up_dns_return", end);
    SetServerIp(ip);
    SetSfuAddrFamily();
    SetServerPort(ParsePort(port));
    const std::string desc = "rt:" + std::to_string(rt) + ",ip:" + ip + ",by:" + std::to_string(mBy) +
                             ",ct:" + std::to_string(end - start);
    EngineService::PostEngineMessage(GetContext(), 130, nullptr, 0, desc.c_str());
}

bool ZeqMediaCdnInternal::QueueCommand(const SigCmdParam* cmd) {
    bool stored = false;
    {
        osal::lock_guard<osal::mutex> lock(mQueueLock);
        if (cmd && mQueue.size() < kMaxPendingCommands) {
            SigCmdParam* copy = cmd->Duplicate();
            copy->mSeq = String(std::to_string(mCmdCounter++).c_str());
            mQueue.push_back(copy);
            stored = true;
        }
    }
    mQueueCond.notify_one();
    return stored;
}

int ZeqMediaCdnInternal::QueueRtpPacket(const uint8_t* data, int len) {
    if (mLinkEstablished && data && len > 0) SendData(data, len);
    return 0;
}

int ZeqMediaCdnInternal::GetProperty(const char* name, char* buffer, int size) {
    if (!name || !buffer || size < 2) return 0;
    std::string value;
    if (std::strcmp(name, "sfu_ip") == 0) {
        value = GetServerIp();
    } else if (std::strcmp(name, "sfu_port") == 0) {
        value = std::to_string(GetServerPort());
    } else if (std::strcmp(name, "ip_version") == 0) {
        value = GetAddrFamily() == AF_INET ? "ipv4" : "ipv6";
    } else {
        return 0;
    }
    std::snprintf(buffer, static_cast<size_t>(size), "%s", value.c_str());
    return 1;
}

osal_bool_t ZeqMediaCdnInternal::NothingQueued(void* self) {
    auto* engine = static_cast<ZeqMediaCdnInternal*>(self);
    return engine->mQueue.empty() && !engine->mQuit ? 1 : 0;
}

void ZeqMediaCdnInternal::ThreadMain(void* self) {
    osal::SetCurrentThreadName("Api0CmdQueueThr");
    static_cast<ZeqMediaCdnInternal*>(self)->ThreadLoop();
}

void ZeqMediaCdnInternal::ThreadLoop() {
    while (true) {
        SigCmdParam* cmd = nullptr;
        {
            osal::lock_guard<osal::mutex> lock(mQueueLock);
            if (mQuit) break;
            // Wakes for a command or for the quit flag, and when the next heartbeat is due.
            const int waitMs = CommandWaitMs();
            if (mQueue.empty() && waitMs > 0) mQueueCond.wait_for(&mQueueLock, waitMs, &NothingQueued, this);
            if (mQuit) break;
            if (!mQueue.empty()) {
                cmd = mQueue.front();
                mQueue.pop_front();
            }
        }
        if (cmd) {
            Dispatch(*cmd);
            delete cmd;
        }
        KeepAlive();
    }
}

int ZeqMediaCdnInternal::CommandWaitMs() const {
    // Without a link only commands wake the thread; it still looks once a second.
    constexpr int64_t kMaxWaitMs = 1000;
    if (!mLinkEstablished || mLastAlive == 0) return static_cast<int>(kMaxWaitMs);
    const int64_t due = mLastHeartBeat + kHeartBeatIntervalMs - osal_get_time_ms();
    return static_cast<int>(std::clamp<int64_t>(due, 0, kMaxWaitMs));
}

void ZeqMediaCdnInternal::KeepAlive() {
    if (!mLinkEstablished || mLastAlive == 0) return;
    const int64_t now = osal_get_time_ms();
    if (now - mLastAlive > kDeadLinkMs) {
        mLinkEstablished = false;
        OnRtcpAppError(kDeadLinkCode);
        return;
    }
    if (now - mLastHeartBeat >= kHeartBeatIntervalMs && !mMsgIdKey.empty()) {
        dive::RtcpAppMsg msg;
        msg.msgId = CrossSessionCache::Inst()->GetThenIncMsgId(mMsgIdKey, 1);
        msg.type = dive::kRtcpAppHeartBeat;
        msg.kind = dive::kRtcpAppRequest;
        SendMessage(msg);
        mLastHeartBeat = now;
    }
}

uint16_t ZeqMediaCdnInternal::NewRecord(const char* kind, const SigCmdParam& cmd, const std::string& url,
                                        std::string* invoke) {
    *invoke = std::string(cmd.mInvokePrefix.c_str()) + "-" + kind + "-" + cmd.mSeq.c_str() + "-" +
              NetBit::randomString(reinterpret_cast<uintptr_t>(this), 12, url);
    const uint16_t id = CrossSessionCache::Inst()->GetThenIncMsgId(mMsgIdKey, 1);
    const int64_t now = osal_get_time_ms();
    osal::lock_guard<osal::mutex> lock(mRecordLock);
    for (auto it = mRecords.begin(); it != mRecords.end();) {
        if (now - it->second.created > kRecordLifetimeMs) {
            it = mRecords.erase(it);
        } else {
            ++it;
        }
    }
    mRecords[id] = CommandRecord{*invoke, url, now};
    return id;
}

bool ZeqMediaCdnInternal::TakeRecord(uint16_t msgId, const char* kind, CommandRecord* out) {
    osal::lock_guard<osal::mutex> lock(mRecordLock);
    auto it = mRecords.find(msgId);
    // An answer that comes after the record's lifetime counts as late even before the next insert.
    if (it == mRecords.end() || osal_get_time_ms() - it->second.created > kRecordLifetimeMs) {
        if (it != mRecords.end()) mRecords.erase(it);
        VLOGW("Late or repeated response. (%s msgid %u) @%lld\n", kind, msgId,
              static_cast<long long>(osal_get_time_ms()));
        return false;
    }
    *out = it->second;
    mRecords.erase(it);
    return true;
}

void ZeqMediaCdnInternal::SendRequest(const char* kind, const char* name, dive::DiveRtcpAppSubType type,
                                      const SigCmdParam& cmd, const std::string& url, void* body) {
    std::string invoke;
    dive::RtcpAppMsg msg;
    msg.kind = dive::kRtcpAppRequest;
    msg.msgId = NewRecord(kind, cmd, url, &invoke);
    msg.type = type;
    msg.body = body;
    VLOGI("Send command %s msgid=%u @%lld\n", name, msg.msgId, static_cast<long long>(osal_get_time_ms()));
    SendMessage(msg);
}

void ZeqMediaCdnInternal::Dispatch(const SigCmdParam& cmd) {
    switch (cmd.mCmdId) {
    case SigCmdConnParam::kId: {
        const auto& c = static_cast<const SigCmdConnParam&>(cmd);
        const std::string url = c.mStreamUrl.c_str();
        dive::RtcpAppReqConnect body;
        body.url = dive::DiveBuffer(url);
        body.sessionParams.cookie = dive::DiveBuffer(Cookie());
        body.sessionParams.clientVersion = kClientVersion;
        AddCommonParams(&body.sessionParams.common, false);
        SendRequest("conn", "connect", dive::kRtcpAppConnect, cmd, url, &body);
        break;
    }
    case SigCmdDisconnParam::kId: {
        SendRequest("disconn", "disconnect", dive::kRtcpAppDisconnect, cmd, mStreamUrl, nullptr);
        break;
    }
    case SigCmdStopParam::kId: {
        const auto& c = static_cast<const SigCmdStopParam&>(cmd);
        const std::string url = c.mStreamUrl.c_str();
        dive::RtcpAppReqStop body;
        body.url = dive::DiveBuffer(url);
        SendRequest("stop", "stop", dive::kRtcpAppStop, cmd, url, &body);
        break;
    }
    case SigCmdPublishParam::kId: {
        const auto& c = static_cast<const SigCmdPublishParam&>(cmd);
        const std::string url = c.mStreamUrl.c_str();
        dive::RtcpAppReqPublish body;
        body.url = dive::DiveBuffer(url);
        for (const PublishAudioTrack& t : c.mAudio) {
            dive::RtcpAppMediaParamAudio a;
            a.msid = dive::DiveBuffer(std::string(t.msid.c_str()));
            dive::RtcpAppAudioCodecConfig codec;
            codec.codecId = static_cast<uint8_t>(t.codec);
            codec.sampleRate = static_cast<uint32_t>(t.sampleRate);
            codec.channels = static_cast<uint8_t>(t.channels);
            a.codecConfig = codec.Encode();
            if (!t.codecConfig.empty()) a.aacConfig.Assign(t.codecConfig.data(), t.codecConfig.size());
            const uint8_t trans[2] = {0xD0, static_cast<uint8_t>((t.red ? 1 : 0) << 6)};
            a.transConfig.Assign(trans, sizeof(trans));
            const uint8_t red[2] = {1, static_cast<uint8_t>(t.red ? 127 : 0)};
            a.redConfig.Assign(red, sizeof(red));
            body.miniSdp.audios.push_back(a);
        }
        for (const PublishVideoTrack& t : c.mVideo) {
            dive::RtcpAppMediaParamVideo v;
            v.msid = dive::DiveBuffer(std::string(t.msid.c_str()));
            v.codecId = static_cast<uint8_t>(t.codec);
            const uint8_t trans[2] = {0xD0, 0x00};
            v.transConfig.Assign(trans, sizeof(trans));
            body.miniSdp.videos.push_back(v);
        }
        AddCommonParams(&body.sessionParams.common, false);
        body.sessionParams.cookie = dive::DiveBuffer(Cookie());
        body.sessionParams.clientVersion = 1;
        SendRequest("pub", "publish", dive::kRtcpAppPublish, cmd, url, &body);
        break;
    }
    case SigCmdSubscribeParam::kId: {
        const auto& c = static_cast<const SigCmdSubscribeParam&>(cmd);
        const std::string url = c.mStreamUrl.c_str();
        const bool sei = url.find("zeq_cumu_delay_sei=on") != std::string::npos;
        dive::RtcpAppReqSubscribe body;
        body.url = dive::DiveBuffer(url);
        for (const SubscribeTrack& t : c.mAudio) {
            dive::RtcpAppMediaParamAudio a;
            a.msid = dive::DiveBuffer(std::string(t.msid.c_str()));
            body.miniSdp.audios.push_back(a);
        }
        for (const SubscribeTrack& t : c.mVideo) {
            dive::RtcpAppMediaParamVideo v;
            v.msid = dive::DiveBuffer(std::string(t.msid.c_str()));
            v.cumuDelaySei = sei ? 1 : 0;
            body.miniSdp.videos.push_back(v);
        }
        AddCommonParams(&body.sessionParams.common, true);
        body.sessionParams.cookie = dive::DiveBuffer(Cookie());
        body.sessionParams.clientVersion = 0;
        SendRequest("sub", "subscribe", dive::kRtcpAppSubscribe, cmd, url, &body);
        break;
    }
    case SigCmdSubscribeUpdateParam::kId: {
        const auto& c = static_cast<const SigCmdSubscribeUpdateParam&>(cmd);
        const std::string url = c.mStreamUrl.c_str();
        dive::RtcpAppReqUpdate body;
        body.url = dive::DiveBuffer(url);
        for (const MsidCommand& m : c.mCommands) {
            dive::RtcpAppMsidCmd mc;
            mc.Set(static_cast<dive::RtcpAppCmdType>(m.cmd), dive::DiveBuffer(std::string(m.msid.c_str())));
            body.msidCmds.push_back(mc);
        }
        SendRequest("subup", "subscribeupdate", dive::kRtcpAppSubscribeUpdate, cmd, url, &body);
        break;
    }
    default:
        break;
    }
}

void ZeqMediaCdnInternal::Deliver(const MsgParam& msg) {
    osal::lock_guard<osal::mutex> lock(mListenerLock);
    if (mListener) mListener->OnMessage(&msg);
}

std::string ZeqMediaCdnInternal::Cookie() {
    osal::lock_guard<osal::mutex> lock(mCookieLock);
    return mCookie;
}

void ZeqMediaCdnInternal::SetCookie(const std::string& url, const std::string& cookie) {
    {
        osal::lock_guard<osal::mutex> lock(mCookieLock);
        mCookie = cookie;
    }
    if (!url.empty()) CrossSessionCache::Inst()->UpdateCookie(url, cookie);
}

void ZeqMediaCdnInternal::OnConnectResult(const dive::RtcpAppMsg& msg) {
    CommandRecord rec;
    if (!TakeRecord(msg.msgId, "connect", &rec)) return;
    const auto* rsp = static_cast<const dive::RtcpAppRspConnect*>(msg.body);
    if (!rsp) return;
    if (rsp->resultCode == 200) mLastAlive = osal_get_time_ms();
    mLinkEstablished = rsp->resultCode == 200;
    VLOGI("%s: code %d invokeid %s\n", "OnConnectResult", rsp->resultCode, rec.invokeId.c_str());
    const std::string cookie = Text(rsp->sessionParams.cookie);
    SetCookie(rec.streamUrl, cookie);
    StoreSessionNumber(GetContext(), "start_up_cookie_update", 1);
    MsgConnResult out(String(rec.invokeId.c_str()));
    out.mResult = rsp->resultCode;
    out.mReason = Text(rsp->reason).c_str();
    out.mTraceId = Text(rsp->traceId).c_str();
    out.mCookie = cookie.c_str();
    out.mServerText4 = Text(rsp->sessionParams.serverText4).c_str();
    out.mServerValue5 = rsp->sessionParams.serverValue5;
    out.mServerText6 = Text(rsp->sessionParams.serverText6).c_str();
    Deliver(out);
}

void ZeqMediaCdnInternal::GrantSuccess(uint16_t code) {
    if (code == 200 && !mLinkEstablished) {
        mLastAlive = osal_get_time_ms();
        mLinkEstablished = true;
    }
}

void ZeqMediaCdnInternal::AdoptCookie(const std::string& url, const dive::DiveBuffer& cookie) {
    if (cookie.Empty()) return;
    SetCookie(url, cookie.ToString());
    StoreSessionNumber(GetContext(), "start_up_cookie_update", 1);
}

namespace {

// Profile, rate and channels from an AAC audio-specific configuration of at least 2 bytes.
void ApplyAacConfig(const dive::DiveBuffer& asc, AudioDesc* d) {
    static const int32_t kRates[13] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                       22050, 16000, 12000, 11025, 8000,  7350};
    if (asc.Length() < 2) return;
    const int objectType = asc[0] >> 3;
    const int index = ((asc[0] & 0x07) << 1) | (asc[1] >> 7);
    d->aacProfile = objectType - 1;
    if (index < 13) {
        d->sampleRate = kRates[index];
        d->channels = (asc[1] >> 3) & 0x0F;
    } else if (index == 15 && asc.Length() >= 5) {
        // 24-bit explicit rate after the index, then the channel configuration.
        d->sampleRate = static_cast<int32_t>(((asc[1] & 0x7F) << 17) | (asc[2] << 9) | (asc[3] << 1) | (asc[4] >> 7));
        d->channels = (asc[4] >> 3) & 0x0F;
    }
}

template <typename Msg>
void FillReceiveTracks(const dive::RtcpAppMiniSDP& sdp, Msg* out, bool update) {
    for (const auto& a : sdp.audios) {
        if (out->mAudioCount >= Msg::kMaxAudio) break;
        AudioDesc& d = out->mAudio[out->mAudioCount++];
        d.enabled = a.enabled;
        d.msid = a.msid.ToString().c_str();
        d.ssrc = a.ssrc;
        d.payloadType = a.payloadType;
        dive::RtcpAppAudioCodecConfig codec;
        if (codec.Decode(a.codecConfig)) {
            d.codec = codec.codecId;
            d.sampleRate = static_cast<int32_t>(codec.sampleRate);
            d.channels = codec.channels;
        }
        if (d.codec == 6) {
            d.codec = 1;
            d.aacProfile = 4;
        }
        if (d.codec == 1) ApplyAacConfig(a.aacConfig, &d);
        if (update) {
            VLOGI("SubUpdateAudio => Enable %s PT %d msid %s ssrc %u codec %d sample rate %d channels %d\n",
                  d.enabled ? "true" : "false", d.payloadType, d.msid.c_str(), d.ssrc, d.codec, d.sampleRate,
                  d.channels);
        } else {
            VLOGI("SubscribeAudio => Enable %s PT %d msid %s ssrc %u codec %d sample rate %d channels %d\n",
                  d.enabled ? "true" : "false", d.payloadType, d.msid.c_str(), d.ssrc, d.codec, d.sampleRate,
                  d.channels);
        }
    }
    for (const auto& v : sdp.videos) {
        if (out->mVideoCount >= Msg::kMaxVideo) break;
        VideoDesc& d = out->mVideo[out->mVideoCount++];
        d.enabled = v.enabled;
        d.msid = v.msid.ToString().c_str();
        d.ssrc = v.ssrc;
        d.payloadType = v.payloadType;
        d.codec = v.codecId;
        d.sps.Set(v.sps.Data(), v.sps.Length());
        d.pps.Set(v.pps.Data(), v.pps.Length());
        d.vps.Set(v.vps.Data(), v.vps.Length());
        if (update) {
            VLOGI("SubUpdateVideo => Enable %s PT %d msid %s ssrc %u\n", d.enabled ? "true" : "false",
                  d.payloadType, d.msid.c_str(), d.ssrc);
        } else {
            VLOGI("SubscribeVideo => Enable %s PT %d msid %s ssrc %u\n", d.enabled ? "true" : "false",
                  d.payloadType, d.msid.c_str(), d.ssrc);
        }
    }
}

}  // namespace

void ZeqMediaCdnInternal::OnPublishResult(const dive::RtcpAppMsg& msg) {
    CommandRecord rec;
    if (!TakeRecord(msg.msgId, "publish", &rec)) return;
    const auto* rsp = static_cast<const dive::RtcpAppRspPublish*>(msg.body);
    if (!rsp) return;
    GrantSuccess(rsp->resultCode);
    MsgPubResult out(String(rec.invokeId.c_str()));
    out.mResult = rsp->resultCode;
    out.mReason = rsp->reason.ToString().c_str();
    out.mTraceId = rsp->traceId.ToString().c_str();
    out.mPlayConfig = rsp->serverText14.ToString().c_str();
    for (const auto& a : rsp->miniSdp.audios) {
        if (out.mAudioCount >= MsgPubResult::kMaxAudio) break;
        PubAudioDesc& d = out.mAudio[out.mAudioCount++];
        d.enabled = a.enabled;
        d.msid = a.msid.ToString().c_str();
        d.ssrc = a.ssrc;
        d.payloadType = a.payloadType;
        dive::RtcpAppAudioCodecConfig codec;
        if (codec.Decode(a.codecConfig)) {
            d.codec = codec.codecId;
            d.sampleRate = static_cast<int32_t>(codec.sampleRate);
            d.channels = codec.channels;
        }
        dive::RtcpAppRedConfig red;
        int redPt = 0;
        if (red.Decode(a.redConfig)) {
            d.redSupported = red.payloadType != 0;
            redPt = red.payloadType;
        }
        VLOGI("PublishAudio => Enable %s PT %d msid %s ssrc %u codec %d sample rate %d channels %d redsupport %s "
              "redpt %d\n",
              d.enabled ? "true" : "false", d.payloadType, d.msid.c_str(), d.ssrc, d.codec, d.sampleRate, d.channels,
              d.redSupported ? "true" : "false", redPt);
    }
    for (const auto& v : rsp->miniSdp.videos) {
        if (out.mVideoCount >= MsgPubResult::kMaxVideo) break;
        PubVideoDesc& d = out.mVideo[out.mVideoCount++];
        d.enabled = v.enabled;
        d.msid = v.msid.ToString().c_str();
        d.ssrc = v.ssrc;
        d.payloadType = v.payloadType;
        d.codec = v.codecId;
        d.sps.Set(v.sps.Data(), v.sps.Length());
        d.pps.Set(v.pps.Data(), v.pps.Length());
        VLOGI("PublishVideo => Enable %s PT %d msid %s ssrc %u codec %d sps size %d pps size %d\n",
              d.enabled ? "true" : "false", d.payloadType, d.msid.c_str(), d.ssrc, d.codec,
              static_cast<int>(d.sps.length), static_cast<int>(d.pps.length));
    }
    AdoptCookie(rec.streamUrl, rsp->sessionParams.cookie);
    Deliver(out);
}

void ZeqMediaCdnInternal::OnSubscribeResult(const dive::RtcpAppMsg& msg) {
    CommandRecord rec;
    if (!TakeRecord(msg.msgId, "subscribe", &rec)) return;
    const auto* rsp = static_cast<const dive::RtcpAppRspSubscribe*>(msg.body);
    if (!rsp) return;
    GrantSuccess(rsp->resultCode);
    MsgSubResult out(String(rec.invokeId.c_str()));
    out.mResult = rsp->resultCode;
    out.mReason = rsp->reason.ToString().c_str();
    out.mTraceId = rsp->traceId.ToString().c_str();
    out.mPlayConfig = rsp->playConfig.ToString().c_str();
    out.mNodeInfo = rsp->serverText51.ToString().c_str();
    FillReceiveTracks(rsp->miniSdp, &out, false);
    AdoptCookie(rec.streamUrl, rsp->sessionParams.cookie);
    Deliver(out);
}

void ZeqMediaCdnInternal::OnSubscribeUpdateResult(const dive::RtcpAppMsg& msg) {
    CommandRecord rec;
    if (!TakeRecord(msg.msgId, "subupdate", &rec)) return;
    const auto* rsp = static_cast<const dive::RtcpAppRspUpdate*>(msg.body);
    if (!rsp) return;
    GrantSuccess(rsp->resultCode);
    MsgSubUpdateResult out(String(rec.invokeId.c_str()));
    out.mResult = rsp->resultCode;
    out.mReason = rsp->reason.ToString().c_str();
    out.mStreamUrl = rec.streamUrl.c_str();
    for (const auto& m : rsp->msidCmds) {
        if (out.mMsidCount >= MsgSubUpdateResult::kMaxMsids) break;
        out.mMsids[out.mMsidCount++] = m.ToString().c_str();
    }
    FillReceiveTracks(rsp->miniSdp, &out, true);
    Deliver(out);
}

void ZeqMediaCdnInternal::OnStopRequestResult(const dive::RtcpAppMsg& msg) {
    CommandRecord rec;
    if (!TakeRecord(msg.msgId, "stop", &rec)) return;
    const auto* rsp = static_cast<const dive::RtcpAppRspResult*>(msg.body);
    MsgStopResult out(String(rec.invokeId.c_str()));
    out.mResult = rsp ? rsp->resultCode : 0;
    Deliver(out);
}

void ZeqMediaCdnInternal::OnDisconnectResult(const dive::RtcpAppMsg& msg) {
    CommandRecord rec;
    if (!TakeRecord(msg.msgId, "disconnect", &rec)) return;
    const auto* rsp = static_cast<const dive::RtcpAppRspResult*>(msg.body);
    MsgDisconnResult out(String(rec.invokeId.c_str()));
    out.mResult = rsp ? rsp->resultCode : 0;
    Deliver(out);
}

void ZeqMediaCdnInternal::OnHeartbeatResult(const dive::RtcpAppMsg& msg) {
    const auto* rsp = static_cast<const dive::RtcpAppRspResult*>(msg.body);
    if (!rsp || rsp->resultCode != 200) osal::SysLog(osal::SysLogLevel::kWarn, "mcdn", "Keep alive failed once\n");
    mLastAlive = osal_get_time_ms();
}

void ZeqMediaCdnInternal::OnNetInfoNotify(const dive::RtcpAppReqNotify* notify) {
    if (!notify || (notify->notifyType != 2 && notify->notifyType != 6)) return;
    if (notify->data.Length() > ParamBlob::kMax) {
        VLOGW("RtcpAppCallBack %s : The message was discarded because the data was too large(%d)\n",
              "OnNetInfoNotify", static_cast<int>(notify->data.Length()));
        return;
    }
    if (notify->notifyType == 2) {
        MsgNotifyUpstreamInfo out(String("0"));
        out.mInfo.Set(notify->data.Data(), notify->data.Length());
        out.mValue = notify->subValue;
        Deliver(out);
    } else {
        MsgNotifyKeyInfo out(String("0"));
        out.mInfo.Set(notify->data.Data(), notify->data.Length());
        Deliver(out);
    }
}

void ZeqMediaCdnInternal::OnStreamStop(std::string url, int code, const std::string& reason) {
    MsgOnStreamStop out(String("0"));
    out.mStreamUrl = url.c_str();
    out.mReason = reason.c_str();
    out.mCode = code;
    Deliver(out);
}

void ZeqMediaCdnInternal::OnStreamDisconnect(std::string reason, int code) {
    MsgOnStreamDisconnect out(String("0"));
    out.mDescription = reason.c_str();
    out.mCode = code;
    Deliver(out);
}

void ZeqMediaCdnInternal::OnRtcpAppError(int code) {
    MsgErrorWarning out(String("0-rtcpapp-0-0"));
    out.mCategory = MsgErrorWarning::kCategoryChannel;
    out.mSubCode = static_cast<uint32_t>(code);
    Deliver(out);
}

void ZeqMediaCdnInternal::onTraceIDChanged(std::string command, std::string stage, std::string trace_id) {
    const std::string key = command + "+" + stage;
    {
        osal::lock_guard<osal::mutex> lock(mTraceLock);
        auto it = mTraceIds.find(key);
        if (it != mTraceIds.end() && it->second == trace_id) {
            VLOGD("ignore repeated traceid:%s, req:%s, type:%s\n", trace_id.c_str(), command.c_str(), stage.c_str());
            return;
        }
        mTraceIds[key] = trace_id;
    }
    MsgTraceIDChanged out(String("0"));
    out.mCommand = command.c_str();
    out.mResponseKind = stage.c_str();
    out.mTraceId = trace_id.c_str();
    Deliver(out);
}

void ZeqMediaCdnInternal::OnWanIpPortSwitched() {
    MsgErrorWarning out(String("0-rtcpapp-0-0"));
    out.mCategory = MsgErrorWarning::kCategoryChannel;
    out.mSubCode = MsgErrorWarning::kSubWanSwitch;
    Deliver(out);
}

void ZeqMediaCdnInternal::OnReceiveData(const uint8_t* data, size_t len) {
    mLastAlive = osal_get_time_ms();
    osal::lock_guard<osal::mutex> lock(mListenerLock);
    if (mListener) mListener->OnRtpRtcpPacket(data, static_cast<int>(len));
}

ZeqMediaCdn* CreateMediaCdnInternal(void* context, ZeqMediaCdnListener* listener, const SfuUrl& url) {
    if (!listener) return nullptr;
    return new ZeqMediaCdnInternal(static_cast<EngineServiceContext*>(context), listener, url);
}

ZeqMediaCdn::Factory InstallMediaCdnFactory() { return ZeqMediaCdn::SetFactory(&CreateMediaCdnInternal); }

}  // namespace zeqmcdn
