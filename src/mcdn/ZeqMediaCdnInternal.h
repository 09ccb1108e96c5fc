// The client end of one signalling session with one media edge: address choice, the command
// thread that turns queued commands into requests, the records that match answers to requests,
// keep-alive and dead-link detection, and the conversion of answers into result messages.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>

#include "engine/ZeqMediaCdn.h"
#include "osal/ConditionVariable.h"
#include "osal/Mutex.h"
#include "osal/Thread.h"
#include "signalling/channel/SignallingRtcpApp.h"

namespace zeqmcdn {

// Thread safety: QueueCommand, QueueRtpPacket and GetProperty may be called from any thread; the
// command queue and the command records have a mutex each, the times and flags are atomics, the
// listener pointer and the session cookie have their own mutex. Results reach the listener on the
// channel's reader thread, the dead-link error on the command thread.
class ZeqMediaCdnInternal : public SignallingRtcpApp, public ZeqMediaCdn {
public:
    static constexpr size_t kMaxPendingCommands = 100;
    // An answer later than this is no longer waited for (the channel resends for about 300 ms).
    static constexpr int64_t kRecordLifetimeMs = 4000;
    // Heartbeats at least this far apart; the thread wakes every second, so at most ~2 s apart.
    static constexpr int64_t kHeartBeatIntervalMs = 1001;
    static constexpr int64_t kDeadLinkMs = 4000;
    static constexpr int kDnsTimeoutMs = 4000;
    static constexpr uint32_t kClientVersion = 0x01040100;
    static constexpr int kDeadLinkCode = 0x10000001;

    ZeqMediaCdnInternal(EngineServiceContext* context, ZeqMediaCdnListener* listener, const SfuUrl& url);
    ~ZeqMediaCdnInternal() override;

    bool QueueCommand(const SigCmdParam* cmd) override;
    int QueueRtpPacket(const uint8_t* data, int len) override;
    int GetProperty(const char* name, char* buffer, int size) override;

    void OnConnectResult(const dive::RtcpAppMsg& msg) override;
    void OnPublishResult(const dive::RtcpAppMsg& msg) override;
    void OnSubscribeResult(const dive::RtcpAppMsg& msg) override;
    void OnPublishUpdateResult(const dive::RtcpAppMsg&) override {}
    void OnSubscribeUpdateResult(const dive::RtcpAppMsg& msg) override;
    void OnStopRequestResult(const dive::RtcpAppMsg& msg) override;
    void OnDisconnectResult(const dive::RtcpAppMsg& msg) override;
    void OnHeartbeatResult(const dive::RtcpAppMsg& msg) override;
    void OnMediaControlNotify(const dive::RtcpAppRspMediaControl*) override {}
    void OnNetInfoNotify(const dive::RtcpAppReqNotify* notify) override;
    void OnStreamStop(std::string url, int code, const std::string& reason) override;
    void OnStreamDisconnect(std::string reason, int code) override;
    void OnRtcpAppError(int code) override;
    void onTraceIDChanged(std::string command, std::string stage, std::string trace_id) override;
    void OnWanIpPortSwitched() override;
    void OnReceiveData(const uint8_t* data, size_t len) override;

    bool LinkEstablished() const { return mLinkEstablished.load(); }
    // Where the edge address came from: 1 forced, 5 environment, 8 cache, else the resolver's code.
    int AddressSource() const { return mBy; }

private:
    struct CommandRecord {
        std::string invokeId;
        std::string streamUrl;
        int64_t created = 0;
    };

    static void ThreadMain(void* self);
    static osal_bool_t NothingQueued(void* self);  // the command wait's predicate
    // How long the command thread may wait: until the next heartbeat is due, a second at most.
    int CommandWaitMs() const;
    void ThreadLoop();
    void Dispatch(const SigCmdParam& cmd);
    void KeepAlive();
    void ChooseAddress(const SfuUrl& url);
    // Invoke id, message id and record for one request; returns the message id.
    uint16_t NewRecord(const char* kind, const SigCmdParam& cmd, const std::string& url, std::string* invoke);
    // Records the request (`kind` names the record) and sends it; `name` is the command in the log.
    void SendRequest(const char* kind, const char* name, dive::DiveRtcpAppSubType type, const SigCmdParam& cmd,
                     const std::string& url, void* body);
    // Takes the record of `msgId`; false (with the late warning) when there is none.
    bool TakeRecord(uint16_t msgId, const char* kind, CommandRecord* out);
    void Deliver(const MsgParam& msg);
    // A granted Publish, Subscribe or SubscribeUpdate counts as a sign of life on a new link.
    void GrantSuccess(uint16_t code);
    // A non-empty cookie of an answer replaces the session cookie.
    void AdoptCookie(const std::string& url, const dive::DiveBuffer& cookie);
    std::string Cookie();
    void SetCookie(const std::string& url, const std::string& cookie);

    osal::mutex mCookieLock;
    std::string mCookie;  // guarded by mCookieLock
    std::string mStreamUrl;
    std::string mMsgIdKey;  // written only before the thread starts and after it is joined

    osal::mutex mQueueLock;
    osal::condition_variable mQueueCond;
    std::deque<SigCmdParam*> mQueue;  // guarded by mQueueLock
    uint32_t mCmdCounter = 0;         // guarded by mQueueLock
    std::atomic<bool> mQuit{false};

    osal::mutex mListenerLock;
    ZeqMediaCdnListener* mListener;  // guarded by mListenerLock

    osal::mutex mRecordLock;
    std::map<uint16_t, CommandRecord> mRecords;  // guarded by mRecordLock

    std::atomic<int64_t> mLastAlive{0};
    std::atomic<int64_t> mLastHeartBeat{0};
    std::atomic<bool> mLinkEstablished{false};

    osal::mutex mTraceLock;
    std::map<std::string, std::string> mTraceIds;  // guarded by mTraceLock

    int mBy = 0;
    osal::thread mThread;
};

// The factory ZeqMediaCdn::Create uses once installed.
ZeqMediaCdn* CreateMediaCdnInternal(void* context, ZeqMediaCdnListener* listener, const SfuUrl& url);
// Makes Create build ZeqMediaCdnInternal; returns the previous factory.
ZeqMediaCdn::Factory InstallMediaCdnFactory();

}  // namespace zeqmcdn
