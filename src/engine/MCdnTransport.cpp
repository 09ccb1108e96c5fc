#include "engine/MCdnTransport.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "config/ConfigDataCenter.h"
#include "engine/EngineService.h"
#include "engine/EngineServiceContext.h"
#include "engine/KeyInfoRouting.h"
#include "engine/SessionTable.h"
#include "osal/LLog.h"
#include "osal/SystemLog.h"
#include "platform/RtpPeek.h"
#include "store/CrossSessionCache.h"
#include "vrio/osal.h"

namespace zeqmcdn {

namespace {

constexpr char kWhere[] = "MCdnTransport";

uint32_t ReadBe32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

// RTCP packet types that no participant consumes: FIR (192), IJ (195), RR (201), SDES (202),
// BYE (203) and APP (204, signalling, handled before this point).
bool IsDroppedRtcp(uint8_t pt) { return pt == 192 || pt == 195 || pt == 201 || pt == 202 || pt == 203 || pt == 204; }

// The SSRC a datagram belongs to, or false when it is to be dropped.
bool DatagramSsrc(const uint8_t* data, int len, uint32_t* ssrc) {
    const uint8_t first = data[0], pt = data[1];
    if (first >= 0x80 && first <= 0xBF) {
        if (IsDroppedRtcp(pt)) return false;
        // Sender and extended reports carry their sender's SSRC right after the header.
        if (pt == 200 || pt == 207) {
            *ssrc = ReadBe32(data + 4);
            return true;
        }
    }
    // RTP, feedback (205/206) and anything else: bytes 8-11.
    return NetBit::GetRtpSsrc(data, static_cast<size_t>(len), ssrc);
}

std::string HexHead(const uint8_t* data, int len) {
    std::string text;
    char byte[4];
    for (int i = 0; i < len && i < 16; ++i) {
        snprintf(byte, sizeof(byte), "%02x", data[i]);
        text += byte;
    }
    return text;
}

}  // namespace

MCdnTransport::MCdnTransport(EngineServiceContext* context) : mContext(context) {}

MCdnTransport::~MCdnTransport() {
    osal::lock_guard<osal::recursive_mutex> guard(mEngineLock);
    if (mEngine) {
        osal::SysLogAssert("~MCdnTransport", __LINE__);
        // Destroyed anyway: its threads must not outlive the transport they call back.
        ZeqMediaCdn::Destroy(mEngine);
        mEngine = nullptr;
    }
}

void MCdnTransport::Post(unsigned code, const char* desc) {
    EngineService::PostEngineMessage(mContext, code, kWhere, 0, desc);
}

int MCdnTransport::StartTransport(const char* url, const char* sfu_ip, const char* sfu_port,
                                  const MCdnTransportConfig& config) {
    const std::string streamUrl = url ? url : "";
    {
        osal::lock_guard<osal::recursive_mutex> guard(mEngineLock);
        mSignallingTimeoutMs.store(config.signallingTimeoutMs);
        VLOGI("StartTransport start @%lld\n", static_cast<long long>(osal_get_time_ms()));
        if (!mEngine) mEngine = ZeqMediaCdn::Create(mContext, this, SfuUrl{streamUrl.c_str(), sfu_ip, sfu_port});
        if (!mEngine) {
            VLOGE("StartTransport: no engine for %s\n", streamUrl.c_str());
            return -1;
        }
        char ip[64] = {}, port[16] = {}, version[8] = {};
        mEngine->GetProperty("sfu_ip", ip, sizeof(ip));
        mEngine->GetProperty("sfu_port", port, sizeof(port));
        mEngine->GetProperty("ip_version", version, sizeof(version));
        StoreSessionValue(mContext, "sfuip", ip);
        char param[128];
        snprintf(param, sizeof(param), "sfu:%s,port:%s,ip_version:%s", ip, port, version);
        VLOGI("UDP Socket transport param - %s", param);
        Post(122, param);

        const int64_t now = osal_get_time_ms();
        if (!config.connectHandshake) {
            SetState(CONN_CONNECTED);
        } else {
            CrossSessionCache::Item item = CrossSessionCache::Inst()->GetCache(streamUrl);
            if (item.ip == ip && item.port == port && !item.cookie.empty() && item.CookieUsableAt(now)) {
                SetState(CONN_CONNECTED);  // the edge still knows this client: no Connect
            } else {
                VLOGI("====> send connect ....%s, @%lld\n", streamUrl.c_str(), static_cast<long long>(now));
                StoreSessionValue(mContext, "start_up_send_connect", std::to_string(now));
                SigCmdConnParam connect(String("0"));
                connect.mStreamUrl = streamUrl.c_str();
                mEngine->QueueCommand(&connect);
                mSavedConnect.reset(connect.Duplicate());
                mConnectSentMs.store(now);
                mConnectTimeoutPosted.store(false);
                SetState(CONN_CONNECTING);
            }
        }
        mUrl = streamUrl;
    }
    {
        osal::lock_guard<osal::recursive_mutex> guard(mReceiverLock);
        ClearCacheLocked();
    }
    VLOGI("StartTransport done\n");
    StoreSessionValue(mContext, "stop_transport_done", "0");
    return 0;
}

int MCdnTransport::StopTransport() {
    {
        osal::lock_guard<osal::recursive_mutex> guard(mEngineLock);
        if (mEngine) {
            auto* dataCenter = static_cast<zeqnet::ConfigDataCenter*>(mContext ? mContext->GetConfigDataCenter() : nullptr);
            if (dataCenter) {
                const int64_t now = osal_get_time_ms();
                CrossSessionCache::Inst()->UpdateDnsExpirationTime(mUrl, now + int64_t{dataCenter->GetDnsExpirationTime()} * 1000);
                CrossSessionCache::Inst()->UpdateCookieExpirationTime(
                    mUrl, now + int64_t{dataCenter->GetCookieExpirationTime()} * 1000);
            }
            {
                osal::lock_guard<osal::mutex> stateGuard(mStateLock);
                mStateChanges.clear();
            }
            SetState(CONN_STOPPING);
            VLOGI("====> send stop .... %s\n", mUrl.c_str());
            SigCmdStopParam stop(String("0"));
            stop.mStreamUrl = mUrl.c_str();
            mEngine->QueueCommand(&stop);
            ZeqMediaCdn::Destroy(mEngine);
            mEngine = nullptr;
        }
        SetState(CONN_IDLE);
    }
    VLOGI("StopTransport done\n");
    StoreSessionValue(mContext, "stop_transport_done", "1");
    return 0;
}

ZeqMediaCdn* MCdnTransport::Lock() {
    mEngineLock.lock();
    if (mEngine) return mEngine;
    mEngineLock.unlock();
    return nullptr;
}

void MCdnTransport::Unlock(ZeqMediaCdn* engine) {
    if (engine) mEngineLock.unlock();
}

void MCdnTransport::RegisterReceiver(uint32_t uid, const std::string& name, ZeqMediaCdnListener* listener) {
    osal::lock_guard<osal::recursive_mutex> guard(mReceiverLock);
    for (ListenerEntry& entry : mListeners) {
        if (entry.uid == uid) {
            printf("Warning: a listener already there for user %u, replace it\n", uid);
            entry.listener = listener;
            entry.name = name;
            return;
        }
    }
    mListeners.push_back(ListenerEntry{listener, uid, name});
}

void MCdnTransport::DeregisterReceiver(uint32_t uid) {
    osal::lock_guard<osal::recursive_mutex> guard(mReceiverLock);
    auto it = std::find_if(mListeners.begin(), mListeners.end(), [uid](const ListenerEntry& e) { return e.uid == uid; });
    if (it != mListeners.end()) {
        printf("Warning: a listener already there for user %u, replace it\n", uid);
        mListeners.erase(it);
    }
    SetSsrcFilter(uid, nullptr, 0);
}

ZeqMediaCdnListener* MCdnTransport::findListener(int uid) {
    osal::lock_guard<osal::recursive_mutex> guard(mReceiverLock);
    for (const ListenerEntry& entry : mListeners)
        if (entry.uid == static_cast<uint32_t>(uid)) return entry.listener;
    return nullptr;
}

ZeqMediaCdnListener* MCdnTransport::findListener(const std::string& name) {
    osal::lock_guard<osal::recursive_mutex> guard(mReceiverLock);
    for (const ListenerEntry& entry : mListeners)
        if (entry.name == name) return entry.listener;
    return nullptr;
}

bool MCdnTransport::DeliverLocked(const uint8_t* data, int len, uint32_t ssrc) {
    for (const auto& user : mSsrcMap) {
        if (std::find(user.second.begin(), user.second.end(), ssrc) == user.second.end()) continue;
        for (const ListenerEntry& entry : mListeners) {
            if (entry.uid == user.first) {
                if (entry.listener) entry.listener->OnRtpRtcpPacket(data, len);
                break;
            }
        }
        return true;  // owned by this user, listener or not
    }
    return false;
}

bool MCdnTransport::sendRtpRtcpPacket(const uint8_t* data, int len, uint32_t ssrc) {
    osal::lock_guard<osal::recursive_mutex> guard(mReceiverLock);
    return DeliverLocked(data, len, ssrc);
}

void MCdnTransport::SetSsrcFilter(uint32_t uid, const uint32_t* ssrcs, int count) {
    osal::lock_guard<osal::recursive_mutex> guard(mReceiverLock);
    const size_t before = mCache.size();
    if (count > 0 && ssrcs) {
        mSsrcMap[uid] = std::vector<uint32_t>(ssrcs, ssrcs + count);
    } else {
        mSsrcMap.erase(uid);
        ClearCacheLocked();
    }
    for (auto it = mCache.begin(); it != mCache.end();) {
        const ReceiveCdnData& d = **it;
        if (DeliverLocked(d.mData.data(), static_cast<int>(d.mData.size()), d.mSsrc)) {
            it = mCache.erase(it);
        } else {
            ++it;
        }
    }
    if (!mSsrcMap.empty()) ClearCacheLocked();
    VLOGI("SetSsrcFilter ssrclist %d cacheDataList size %d leave size %d\n", count, static_cast<int>(before),
          static_cast<int>(mCache.size()));
}

void MCdnTransport::OnRtpRtcpPacket(const uint8_t* data, int len) {
    if (!data || len <= 0) return;
    const int64_t now = osal_get_time_ms();
    if (mPacketsRx.fetch_add(1) == 0) {
        auto costSince = [&](const char* key) {
            int64_t t = 0;
            std::string text = QuerySessionValue(mContext, key, "");
            return !text.empty() && sscanf(text.c_str(), "%" SCNd64, &t) == 1 ? now - t : 0;
        };
        char cost[64];
        snprintf(cost, sizeof(cost), "cost1:%lld,cost2:%lld", static_cast<long long>(costSince("open_time")),
                 static_cast<long long>(costSince("first_sub_time")));
        Post(132, cost);
        VLOGI("First rtp/rtcp packet received @%lld\n", static_cast<long long>(now));
        VLOGI("First packet: %s\n", HexHead(data, len).c_str());
    }
    if (len < 12) return;
    uint32_t ssrc = 0;
    if (!DatagramSsrc(data, len, &ssrc)) return;

    osal::lock_guard<osal::recursive_mutex> guard(mReceiverLock);
    if (DeliverLocked(data, len, ssrc)) return;
    if (!mSsrcMap.empty()) {
        VLOGW("skip cdn data len %d ssrc %u mSsrcUserMap size %d\n", len, ssrc, static_cast<int>(mSsrcMap.size()));
        return;
    }
    if (mCache.empty()) mCacheStartMs = now;
    if (now < mCacheStartMs + kEarlyCacheWindowMs) {
        mCache.push_back(std::make_unique<ReceiveCdnData>(data, len, ssrc));
    } else {
        VLOGW("skip cdn data len %d ssrc %u\n", len, ssrc);
    }
}

void MCdnTransport::SetState(ConnState state) {
    mState.store(state);
    PushConnStateChangeMsg(state);
}

void MCdnTransport::PushConnStateChangeMsg(ConnState state) {
    const int64_t now = osal_get_time_ms();
    {
        osal::lock_guard<osal::mutex> guard(mStateLock);
        mStateChanges.push_back(state);
    }
    VLOGI("Connect state changed to: %d @%lld\n", static_cast<int>(state), static_cast<long long>(now));
    if (state == CONN_CONNECTED) {
        StoreSessionValue(mContext, "start_up_connected", std::to_string(now));
        if (mContext) mContext->NotifyUnlock();
    }
}

bool MCdnTransport::RetrieveConnStateChangeMsg(ConnState& state) {
    osal::lock_guard<osal::mutex> guard(mStateLock);
    if (mStateChanges.empty()) return false;
    state = mStateChanges.front();
    mStateChanges.pop_front();
    return true;
}

bool MCdnTransport::NeedReconnect(bool& immediate) {
    switch (GetConnState()) {
        case CONN_CONNECTING: {
            const int64_t elapsed = osal_get_time_ms() - mConnectSentMs.load();
            if (elapsed <= mSignallingTimeoutMs.load()) return false;
            // The session asks every 30 ms; the player hears of one time-out once per Connect.
            if (!mConnectTimeoutPosted.exchange(true)) {
                char cost[48];
                snprintf(cost, sizeof(cost), "cost:%lld", static_cast<long long>(elapsed));
                Post(20011, cost);
            }
            immediate = true;
            return true;
        }
        case CONN_FAIL:
            VLOGI(" CONN_FAIL\n");
            immediate = false;
            return true;
        case CONN_RETRY:
            immediate = true;
            VLOGI(" CONN_RETRY\n");
            return true;
        default:
            return false;
    }
}

void MCdnTransport::OnMessage(const MsgParam* msg) {
    if (!msg) return;
    uint32_t id = 0;
    if (!ParseInvokeListenerId(msg->mInvokeId, &id)) {
        VLOGE("Bad message %u invodke id %s\n", msg->mMsgId, msg->mInvokeId.c_str());
        return;
    }
    if (id != 0) {
        osal::lock_guard<osal::recursive_mutex> guard(mReceiverLock);
        for (const ListenerEntry& entry : mListeners) {
            if (entry.uid == id) {
                if (entry.listener) entry.listener->OnMessage(msg);
                break;
            }
        }
        return;
    }
    OnTransportWide(msg);
}

void MCdnTransport::OnConnectResult(const MsgConnResult& result) {
    const int32_t code = static_cast<int32_t>(result.mResult);
    VLOGI("Connect result: %d @%lld\n", code, static_cast<long long>(osal_get_time_ms()));
    mConnectResultSeen.store(true);
    const bool connecting = GetConnState() == CONN_CONNECTING;
    switch (code) {
        case 200:
            if (GetConnState() != CONN_CONNECTED) {
                SetState(CONN_CONNECTED);
                Post(20009, "");
            }
            return;
        case 601:  // the edge already knows this session: as good as connected
            if (connecting) {
                SetState(CONN_CONNECTED);
                Post(30001, "");
            }
            return;
        case -1:
            return;
        case 302: VLOGE("302 redirection not supported\n"); break;
        case 403: Post(20002, ""); break;
        case 404: Post(20013, ""); break;
        case 405: Post(20054, ""); break;
        default: break;
    }
    if (connecting) {
        SetState(CONN_FAIL);
        char text[32];
        snprintf(text, sizeof(text), "code:%u", result.mResult);
        Post(20010, text);
    }
}

void MCdnTransport::OnTraceIdChanged(const MsgTraceIDChanged& msg) {
    std::string trace = QuerySessionValue(mContext, "help_support_id", "");
    unsigned code = 0;
    if (msg.mCommand == "connect" && msg.mResponseKind == "temp") {
        trace += "-con-";
        code = 102;
    } else if (msg.mCommand == "publish" && msg.mResponseKind == "final") {
        trace += "-pub-";
        code = 103;
    } else if (msg.mCommand == "subscribe" && msg.mResponseKind == "final") {
        StoreSessionValue(mContext, "traceid", msg.mTraceId.c_str());
        trace += "-sub-";
        code = 104;
    } else {
        return;
    }
    trace += msg.mTraceId.c_str();
    Post(code, ("trace:" + trace).c_str());
}

void MCdnTransport::OnErrorWarning(const MsgErrorWarning& msg) {
    VLOGE("Transport-wide error subcode %08x\n", msg.mSubCode);
    if ((msg.mCategory == 2 && msg.mSubCode == 0x10000001) || (msg.mCategory == 1 && msg.mSubCode == 1)) {
        SetState(CONN_RETRY);
    } else if (msg.mCategory == MsgErrorWarning::kCategoryDns && msg.mSubCode == MsgErrorWarning::kSubDnsFailed) {
        Post(20001, "");
    } else if (msg.mCategory == 2 && msg.mSubCode == 405) {
        Post(20054, "");
    } else if (msg.mCategory == MsgErrorWarning::kCategoryChannel && msg.mSubCode == MsgErrorWarning::kSubWanSwitch &&
               mConnectResultSeen.exchange(false)) {
        Post(20059, "");
        VLOGD("ip switch msg");
    }
}

void MCdnTransport::OnTransportWide(const MsgParam* msg) {
    switch (msg->mMsgId) {
        case MsgConnResult::kId:
            OnConnectResult(*static_cast<const MsgConnResult*>(msg));
            break;
        case MsgDisconnResult::kId:
            VLOGE("Disconnect result: %08x\n", static_cast<const MsgDisconnResult*>(msg)->mResult);
            SetState(CONN_IDLE);
            if (KeyInfoSink* keys = GetKeyInfoSink()) keys->ClearAllKeys();
            break;
        case MsgTraceIDChanged::kId:
            OnTraceIdChanged(*static_cast<const MsgTraceIDChanged*>(msg));
            break;
        case MsgNotifyKeyInfo::kId: {
            const auto& info = static_cast<const MsgNotifyKeyInfo*>(msg)->mInfo;
            VLOGE("receive keyinfo: length %d \n", static_cast<int>(info.length));
            if (KeyInfoSink* keys = GetKeyInfoSink()) keys->OnKeyInfo(info.data, static_cast<int>(info.length));
            break;
        }
        case MsgNotifyUpstreamInfo::kId: {
            osal::lock_guard<osal::recursive_mutex> guard(mReceiverLock);
            for (const ListenerEntry& entry : mListeners) {
                if (entry.uid == 1) {
                    if (entry.listener) entry.listener->OnMessage(msg);
                    break;
                }
            }
            break;
        }
        case MsgOnStreamStop::kId: {
            const auto* stop = static_cast<const MsgOnStreamStop*>(msg);
            VLOGI("recv stop request, url:%s code:%d, msg:%s\n", stop->mStreamUrl.c_str(), stop->mCode,
                  stop->mReason.c_str());
            osal::lock_guard<osal::recursive_mutex> guard(mReceiverLock);
            for (const ListenerEntry& entry : mListeners) {
                if (entry.name == stop->mStreamUrl.c_str()) {
                    if (entry.listener) entry.listener->OnMessage(msg);
                    break;
                }
            }
            break;
        }
        case MsgOnStreamDisconnect::kId: {
            const auto* d = static_cast<const MsgOnStreamDisconnect*>(msg);
            VLOGI("disconnected description: %s code: %d\n", d->mDescription.c_str(), d->mCode);
            break;
        }
        case MsgErrorWarning::kId:
            OnErrorWarning(*static_cast<const MsgErrorWarning*>(msg));
            break;
        default:
            VLOGE("Unhandled transport-wide message %u\n", msg->mMsgId);
            break;
    }
}

}  // namespace zeqmcdn
