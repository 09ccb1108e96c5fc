// The signalling channel: the one UDP socket of a connection, its reader thread, retransmission of
// every signalling datagram sent, answers to the server's requests, and the split of received
// datagrams into signalling (to the codec) and media (to the engine).
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/MySocket.h"
#include "osal/Mutex.h"
#include "osal/Thread.h"
#include "signalling/DiveRtcpApp.h"
#include "signalling/MessageBodies.h"
#include "signalling/RtcpAppMsg.h"
#include "signalling/channel/RetransmissionList.h"
#include "signalling/channel/ServerRequestList.h"

namespace zeqmcdn {

class EngineServiceContext;

// The engine derives from this class, implements the pure operations, sets the server address,
// registers itself as the codec's handler and marks the channel ready.
//
// Thread safety: SendMessage and SendData may be called from any thread; the reader thread
// receives, resends and calls every handler and engine operation (with the codec's recursive
// mutex held for signalling). The retransmission list and the server-request list have a mutex
// each; the server address has its own, and a socket mutex keeps sends apart from CreateSoket and
// DestorySocket. Lock order: codec, retransmission list, address, socket. CreateSoket,
// DestorySocket and the address setters belong to the owner. No lock is held across a receive.
class SignallingRtcpApp : public dive::DiveRtcpAppInterface::DiveRtcpAppHandlerInterface {
public:
    using message_retrans_record = RetransmissionList::Record;

    // Unanswered messages are resent this often: four sends cover about 300 ms, the time a lost
    // request may cost before the engine's own 4 s timeout reports it.
    static constexpr int32_t kMaxSends = 4;
    static constexpr int32_t kIntervalMs = 90;
    // A heartbeat goes out every second anyway; one resend after 400 ms is enough.
    static constexpr int32_t kHeartBeatMaxSends = 2;
    static constexpr int32_t kHeartBeatIntervalMs = 400;
    static constexpr size_t kMaxBuildSize = 4096;
    static constexpr size_t kMaxReceiveSize = 2048;

    explicit SignallingRtcpApp(EngineServiceContext* context);
    ~SignallingRtcpApp() override;
    SignallingRtcpApp(const SignallingRtcpApp&) = delete;
    SignallingRtcpApp& operator=(const SignallingRtcpApp&) = delete;

    // --- handler of the codec (reader thread) ---
    void OnRequest(dive::RtcpAppMsg& msg) override;
    void OnFinalResponse(dive::RtcpAppMsg& msg) override;
    void OnTempResponse(dive::RtcpAppMsg& msg) override;
    void OnMobility() override;

    // --- engine operations (reader thread) ---
    virtual void OnConnectResult(const dive::RtcpAppMsg& msg) = 0;
    virtual void OnPublishResult(const dive::RtcpAppMsg& msg) = 0;
    virtual void OnSubscribeResult(const dive::RtcpAppMsg& msg) = 0;
    virtual void OnPublishUpdateResult(const dive::RtcpAppMsg& msg) = 0;
    virtual void OnSubscribeUpdateResult(const dive::RtcpAppMsg& msg) = 0;
    virtual void OnStopRequestResult(const dive::RtcpAppMsg& msg) = 0;
    virtual void OnDisconnectResult(const dive::RtcpAppMsg& msg) = 0;
    virtual void OnHeartbeatResult(const dive::RtcpAppMsg& msg) = 0;
    virtual void OnMediaControlNotify(const dive::RtcpAppRspMediaControl* control) = 0;  // never called here
    virtual void OnNetInfoNotify(const dive::RtcpAppReqNotify* notify) = 0;
    virtual void OnStreamStop(std::string url, int code, const std::string& reason) = 0;
    virtual void OnStreamDisconnect(std::string reason, int code) = 0;
    virtual void OnRtcpAppError(int code) = 0;  // never called here
    virtual void onTraceIDChanged(std::string command, std::string stage, std::string trace_id) = 0;
    virtual void OnWanIpPortSwitched() = 0;
    virtual void OnReceiveData(const uint8_t* data, size_t len) = 0;

    // Makes a UDP socket of the current address family, or adopts `fd` when it is not -1, and
    // starts the reader thread. 0, or -1 when no socket could be made (no thread then).
    int CreateSoket(int fd);
    // Stops and joins the reader, then closes the socket (a socket without need-close stays open
    // for whoever keeps it). Harmless when there is no reader.
    void DestorySocket();

    // When ready: builds the message, sends it and records it for retransmission. True when built
    // and handed to the socket; false (nothing sent, nothing recorded) before ready or when the
    // codec built nothing.
    bool SendMessage(const dive::RtcpAppMsg& msg);
    // When ready: one datagram to the server; the socket's result. Before ready nothing is sent (-1).
    int SendData(const void* data, int len);
    // Ends the retransmission of every datagram sent with `id`.
    void stopRetryMessage(uint16_t id);

    // Family from the server IP text: 2 for IPv4 text, 10 for IPv6 text; false (family unchanged,
    // warning) when it is neither.
    bool SetSfuAddrFamily();
    // Zeroes `storage`, fills family, address and port of the server. False when the IP text does
    // not parse for the stored family (the address is left zero).
    bool SetPeerSockAddrStorage(sockaddr_storage& storage);
    bool GetIpv6Forced() const;
    void SetServerName(const char*) {}

    // Classifies one received datagram and hands it to the codec or to OnReceiveData.
    void OnReadPacket(const uint8_t* data, size_t len);

    // --- owner's settings ---
    void SetServerIp(const std::string& ip);
    std::string GetServerIp() const;
    void SetServerPort(int port);
    int GetServerPort() const;
    int GetAddrFamily() const;
    void SetReady(bool ready) { mReady.store(ready, std::memory_order_release); }
    bool IsReady() const { return mReady.load(std::memory_order_acquire); }
    dive::DiveRtcpApp& GetRtcpApp() { return mRtcpApp; }
    MySocket& GetSocket() { return mSocket; }
    EngineServiceContext* GetContext() const { return mContext; }

    // Datagrams waiting in the retransmission list, and server requests remembered.
    size_t PendingRetransmissions() const { return mRetransList.Size(); }
    size_t RememberedServerRequests() const { return mServerRequests.Size(); }

private:
    class Resender;

    static void ReaderMain(void* self);
    void ReaderLoop();
    // Temporary and final responses; any other kind is a programming error.
    void ProcessClientData(dive::RtcpAppMsg& msg);
    void ProcessTempResponse(const dive::RtcpAppMsg& msg);
    void ProcessFinalResponse(const dive::RtcpAppMsg& msg);
    void SendFinalResponseAck(const dive::RtcpAppMsg& msg);
    void SendServerRequestAnswer(const dive::RtcpAppMsg& msg);
    // The destination of every outgoing datagram; false when the address does not parse.
    bool Destination(sockaddr_storage* to);
    bool FillStorageLocked(sockaddr_storage* to) const;
    int SendRaw(const void* data, int len);

    dive::DiveRtcpApp mRtcpApp;
    mutable osal::mutex mAddrMutex;
    int mAddrFamily = AF_INET;  // guarded by mAddrMutex
    std::string mServerIp;      // guarded by mAddrMutex
    int mServerPort = 0;        // guarded by mAddrMutex
    std::atomic<bool> mReady{false};
    osal::mutex mSocketMutex;   // sends against create and close
    MySocket mSocket;
    osal::thread mReader;
    std::atomic<bool> mQuit{false};
    RetransmissionList mRetransList;
    ServerRequestList mServerRequests;
    EngineServiceContext* mContext;
};

}  // namespace zeqmcdn
