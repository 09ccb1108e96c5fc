// The media transport of one connection: owns the edge engine of a connection attempt, keeps the
// connection state, routes received datagrams by SSRC to participants (caching early ones) and
// result messages by invoke id.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/ZeqMediaCdn.h"
#include "osal/Mutex.h"

namespace zeqmcdn {

class EngineServiceContext;

struct MCdnTransportConfig {
    bool connectHandshake = true;         // cleared by "cookie=no"
    int64_t signallingTimeoutMs = 10000;  // "SigTimeoutMs"
};

// One datagram kept until a participant claims its SSRC.
class ReceiveCdnData {
public:
    ReceiveCdnData(const uint8_t* data, int len, uint32_t ssrc) : mData(data, data + len), mSsrc(ssrc) {}
    virtual ~ReceiveCdnData() = default;
    std::vector<uint8_t> mData;
    uint32_t mSsrc;
};

// Thread safety: the engine lock serialises start, stop and participants' use of the engine
// (Lock/Unlock); the receiver lock serialises demultiplexing (reader thread), listener and SSRC
// registration (participant threads) and result routing, and listeners are called with it held;
// the state-change queue has its own lock. Lock order: engine lock before receiver lock.
class MCdnTransport : public ZeqMediaCdnListener {
public:
    enum ConnState : int32_t {
        CONN_IDLE = 0,
        CONN_CONNECTING = 1,
        CONN_CONNECTED = 2,
        CONN_STOPPING = 3,
        CONN_RETRY = 4,
        CONN_FAIL = 5,
    };

    // How long early datagrams are kept before any participant has claimed an SSRC.
    static constexpr int64_t kEarlyCacheWindowMs = 500;

    explicit MCdnTransport(EngineServiceContext* context);
    ~MCdnTransport() override;
    MCdnTransport(const MCdnTransport&) = delete;
    MCdnTransport& operator=(const MCdnTransport&) = delete;

    int StartTransport(const char* url, const char* sfu_ip, const char* sfu_port, const MCdnTransportConfig& config);
    int StopTransport();

    // The engine with the engine lock held, or NULL (lock released) when there is none.
    ZeqMediaCdn* Lock();
    void Unlock(ZeqMediaCdn* engine);

    void RegisterReceiver(uint32_t uid, const std::string& name, ZeqMediaCdnListener* listener);
    void DeregisterReceiver(uint32_t uid);
    void SetSsrcFilter(uint32_t uid, const uint32_t* ssrcs, int count);
    ZeqMediaCdnListener* findListener(int uid);
    ZeqMediaCdnListener* findListener(const std::string& name);

    // Delivery step of the demultiplexer: true when a participant owns `ssrc`.
    bool sendRtpRtcpPacket(const uint8_t* data, int len, uint32_t ssrc);

    void PushConnStateChangeMsg(ConnState state);
    bool RetrieveConnStateChangeMsg(ConnState& state);
    bool NeedReconnect(bool& immediate);
    ConnState GetConnState() const { return static_cast<ConnState>(mState.load()); }
    int64_t GetTotalPackeRx() const { return mPacketsRx.load(); }

    void OnMessage(const MsgParam* msg) override;
    void OnRtpRtcpPacket(const uint8_t* data, int len) override;

private:
    struct ListenerEntry {
        ZeqMediaCdnListener* listener;
        uint32_t uid;
        std::string name;
    };

    void SetState(ConnState state);
    void OnTransportWide(const MsgParam* msg);
    void OnConnectResult(const MsgConnResult& result);
    void OnTraceIdChanged(const MsgTraceIDChanged& msg);
    void OnErrorWarning(const MsgErrorWarning& msg);
    bool DeliverLocked(const uint8_t* data, int len, uint32_t ssrc);
    void ClearCacheLocked() { mCache.clear(); }
    void Post(unsigned code, const char* desc);

    ZeqMediaCdn* mEngine = nullptr;  // guarded by mEngineLock
    osal::recursive_mutex mEngineLock;
    std::vector<ListenerEntry> mListeners;              // guarded by mReceiverLock
    std::map<uint32_t, std::vector<uint32_t>> mSsrcMap;  // guarded by mReceiverLock
    osal::recursive_mutex mReceiverLock;
    EngineServiceContext* mContext;
    std::atomic<int32_t> mState{CONN_IDLE};
    std::atomic<int64_t> mConnectSentMs{0};
    std::atomic<int64_t> mSignallingTimeoutMs{10000};
    std::atomic<bool> mConnectTimeoutPosted{false};  // 20011 already posted for the current Connect
    std::unique_ptr<SigCmdParam> mSavedConnect;  // guarded by mEngineLock
    std::string mUrl;                            // guarded by mEngineLock
    std::deque<ConnState> mStateChanges;         // guarded by mStateLock
    osal::mutex mStateLock;
    std::list<std::unique_ptr<ReceiveCdnData>> mCache;  // guarded by mReceiverLock
    int64_t mCacheStartMs = 0;                          // guarded by mReceiverLock
    std::atomic<bool> mConnectResultSeen{false};
    std::atomic<int64_t> mPacketsRx{0};
};

}  // namespace zeqmcdn
