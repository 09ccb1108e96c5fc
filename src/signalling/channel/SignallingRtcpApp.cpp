#include "signalling/channel/SignallingRtcpApp.h"

#include <arpa/inet.h>

#include <cstring>

#include "engine/EngineServiceContext.h"
#include "osal/LLog.h"
#include "osal/SystemLog.h"
#include "signalling/channel/DatagramClass.h"
#include "vrio/osal.h"

namespace zeqmcdn {

namespace {
// While the server address is unknown the reader only checks, this often, whether it may start.
constexpr int kNotReadySleepMs = 30;
// An idle pass (nothing received, resent or expired) sleeps this long: retransmission times are
// accurate to about this much.
constexpr int kIdleSleepMs = 10;
// A final response carrying this code is a conflict answer the engine never sees.
constexpr uint16_t kConflictCode = 409;
constexpr uint16_t kOkCode = 200;

long long Now() { return static_cast<long long>(osal_get_time_ms()); }

template <typename Body>
const Body* BodyOf(const dive::RtcpAppMsg& msg) {
    return static_cast<const Body*>(msg.body);
}

const char* TraceCommand(dive::DiveRtcpAppSubType type) {
    switch (type) {
        case dive::kRtcpAppConnect: return "connect";
        case dive::kRtcpAppPublish: return "publish";
        case dive::kRtcpAppSubscribe: return "subscribe";
        default: return nullptr;
    }
}
}  // namespace

// Resends a due datagram from inside the list's scan.
class SignallingRtcpApp::Resender : public RetransmissionList::Sender {
public:
    explicit Resender(SignallingRtcpApp* owner) : mOwner(owner) {}
    void Resend(const uint8_t* datagram, size_t len) override {
        mOwner->SendRaw(datagram, static_cast<int>(len));
    }

private:
    SignallingRtcpApp* mOwner;
};

SignallingRtcpApp::SignallingRtcpApp(EngineServiceContext* context)
    : mSocket(false, false), mContext(context) {}

SignallingRtcpApp::~SignallingRtcpApp() {
    if (mReader.joinable()) {
        // The owner must stop the reader before its own part is gone; stop it here at the latest.
        OSAL_ASSERT(!mReader.joinable());
        mQuit.store(true, std::memory_order_release);
        mReader.join();
    }
    mRtcpApp.DeRegisterHandler();
}

// --- socket and reader -------------------------------------------------------------------------

int SignallingRtcpApp::CreateSoket(int fd) {
    if (mReader.joinable()) {
        VLOGW("CreateSoket: the reader is running, stopping it first\n");
        DestorySocket();
    }
    int rc;
    {
        osal::lock_guard<osal::mutex> guard(mSocketMutex);
        rc = mSocket.Create(fd, GetAddrFamily());
    }
    if (rc != 0) {
        VLOGE("CreateSoket: no socket (fd %d) @%lld\n", fd, Now());
        return -1;
    }
    mQuit.store(false, std::memory_order_release);
    mReader = osal::thread(&SignallingRtcpApp::ReaderMain, this);
    return 0;
}

void SignallingRtcpApp::DestorySocket() {
    mQuit.store(true, std::memory_order_release);
    if (mReader.joinable()) mReader.join();
    osal::lock_guard<osal::mutex> guard(mSocketMutex);
    mSocket.Close();
}

void SignallingRtcpApp::ReaderMain(void* self) {
    osal::SetCurrentThreadName("SocketReaderThr");
    static_cast<SignallingRtcpApp*>(self)->ReaderLoop();
}

void SignallingRtcpApp::ReaderLoop() {
    uint8_t buffer[kMaxReceiveSize];
    Resender resender(this);
    while (!mQuit.load(std::memory_order_acquire)) {
        if (!IsReady()) {
            osal_sleep_ms(kNotReadySleepMs);
            continue;
        }
        sockaddr_storage from;
        const int n = mSocket.RecvFrom(&from, buffer, static_cast<int>(sizeof(buffer)));
        if (n >= 1) {
            OnReadPacket(buffer, static_cast<size_t>(n));
            continue;
        }
        // Nothing pending (or a receive error): time for the schedules.
        const int64_t now = osal_get_time_ms();
        const bool resent = mRetransList.Scan(now, &resender) == RetransmissionList::ScanResult::kResent;
        const bool expired = mServerRequests.ExpireOne(now);
        if (!resent && !expired) osal_sleep_ms(kIdleSleepMs);
    }
    VLOGI("SocketReaderThread quit @%lld\n", Now());
}

// --- sending -----------------------------------------------------------------------------------

bool SignallingRtcpApp::SendMessage(const dive::RtcpAppMsg& msg) {
    if (!IsReady()) return false;
    uint8_t datagram[kMaxBuildSize];
    const size_t len = mRtcpApp.BuildRtcpApp(msg, datagram, sizeof(datagram));
    if (len == 0) return false;
    SendRaw(datagram, static_cast<int>(len));  // a lost send is covered by the schedule
    const bool heartBeat = msg.type == dive::kRtcpAppHeartBeat;
    mRetransList.Add(msg.msgId, osal_get_time_ms(), heartBeat ? kHeartBeatMaxSends : kMaxSends,
                     heartBeat ? kHeartBeatIntervalMs : kIntervalMs, datagram, len);
    return true;
}

int SignallingRtcpApp::SendData(const void* data, int len) {
    if (!IsReady() || !data || len <= 0) return -1;
    return SendRaw(data, len);
}

int SignallingRtcpApp::SendRaw(const void* data, int len) {
    sockaddr_storage to;
    if (!Destination(&to)) return -1;
    osal::lock_guard<osal::mutex> guard(mSocketMutex);
    return mSocket.SendTo(&to, data, len);
}

void SignallingRtcpApp::stopRetryMessage(uint16_t id) { mRetransList.StopRetry(id); }

// --- addressing --------------------------------------------------------------------------------

bool SignallingRtcpApp::GetIpv6Forced() const { return mContext && mContext->GetForceIpv6(); }

bool SignallingRtcpApp::SetSfuAddrFamily() {
    osal::lock_guard<osal::mutex> guard(mAddrMutex);
    in_addr v4;
    in6_addr v6;
    if (inet_pton(AF_INET, mServerIp.c_str(), &v4) == 1) {
        mAddrFamily = AF_INET;
        return true;
    }
    if (inet_pton(AF_INET6, mServerIp.c_str(), &v6) == 1) {
        mAddrFamily = AF_INET6;
        return true;
    }
    VLOGW("Invalid IP Address: %s\n", mServerIp.c_str());
    return false;
}

bool SignallingRtcpApp::FillStorageLocked(sockaddr_storage* to) const {
    std::memset(to, 0, sizeof(*to));
    const uint16_t port = htons(static_cast<uint16_t>(mServerPort));
    if (mAddrFamily == AF_INET6) {
        auto* a = reinterpret_cast<sockaddr_in6*>(to);
        a->sin6_family = AF_INET6;
        a->sin6_port = port;
        return inet_pton(AF_INET6, mServerIp.c_str(), &a->sin6_addr) == 1;
    }
    auto* a = reinterpret_cast<sockaddr_in*>(to);
    a->sin_family = AF_INET;
    a->sin_port = port;
    return inet_pton(AF_INET, mServerIp.c_str(), &a->sin_addr) == 1;
}

bool SignallingRtcpApp::SetPeerSockAddrStorage(sockaddr_storage& storage) {
    osal::lock_guard<osal::mutex> guard(mAddrMutex);
    return FillStorageLocked(&storage);
}

bool SignallingRtcpApp::Destination(sockaddr_storage* to) {
    const bool forced = GetIpv6Forced();
    osal::lock_guard<osal::mutex> guard(mAddrMutex);
    // A port that does not fit 16 bits would be sent somewhere else after truncation.
    if (mServerPort <= 0 || mServerPort > 0xFFFF) return false;
    if (forced) return FillStorageLocked(to);
    // Without the forced flag every destination is IPv4: an IPv6 text reaches nobody.
    std::memset(to, 0, sizeof(*to));
    auto* a = reinterpret_cast<sockaddr_in*>(to);
    a->sin_family = AF_INET;
    a->sin_port = htons(static_cast<uint16_t>(mServerPort));
    return inet_pton(AF_INET, mServerIp.c_str(), &a->sin_addr) == 1;
}

void SignallingRtcpApp::SetServerIp(const std::string& ip) {
    osal::lock_guard<osal::mutex> guard(mAddrMutex);
    mServerIp = ip;
}

std::string SignallingRtcpApp::GetServerIp() const {
    osal::lock_guard<osal::mutex> guard(mAddrMutex);
    return mServerIp;
}

void SignallingRtcpApp::SetServerPort(int port) {
    osal::lock_guard<osal::mutex> guard(mAddrMutex);
    mServerPort = port;
}

int SignallingRtcpApp::GetServerPort() const {
    osal::lock_guard<osal::mutex> guard(mAddrMutex);
    return mServerPort;
}

int SignallingRtcpApp::GetAddrFamily() const {
    osal::lock_guard<osal::mutex> guard(mAddrMutex);
    return mAddrFamily;
}

// --- receiving ---------------------------------------------------------------------------------

void SignallingRtcpApp::OnReadPacket(const uint8_t* data, size_t len) {
    switch (ClassifyDatagram(data, len)) {
        case DatagramClass::kSignalling: mRtcpApp.ParseRtcpApp(data, len); break;
        case DatagramClass::kMedia: OnReceiveData(data, len); break;
        case DatagramClass::kDropped: break;
    }
}

void SignallingRtcpApp::OnFinalResponse(dive::RtcpAppMsg& msg) { ProcessClientData(msg); }

void SignallingRtcpApp::OnTempResponse(dive::RtcpAppMsg& msg) { ProcessClientData(msg); }

void SignallingRtcpApp::ProcessClientData(dive::RtcpAppMsg& msg) {
    const bool response = msg.kind == dive::kRtcpAppFinalRsp || msg.kind == dive::kRtcpAppTempRsp;
    OSAL_ASSERT(response);
    if (!response) return;
    stopRetryMessage(msg.msgId);
    if (msg.kind == dive::kRtcpAppTempRsp)
        ProcessTempResponse(msg);
    else
        ProcessFinalResponse(msg);
}

void SignallingRtcpApp::ProcessTempResponse(const dive::RtcpAppMsg& msg) {
    const char* command = TraceCommand(msg.type);
    if (!command) return;
    const dive::DiveBuffer* traceId = BodyOf<dive::DiveBuffer>(msg);
    onTraceIDChanged(command, "temp", traceId ? traceId->ToString() : std::string());
}

void SignallingRtcpApp::SendFinalResponseAck(const dive::RtcpAppMsg& msg) {
    dive::RtcpAppMsg ack;
    ack.msgId = msg.msgId;
    ack.type = msg.type;
    ack.kind = dive::kRtcpAppFinalRspAck;
    SendMessage(ack);
}

void SignallingRtcpApp::ProcessFinalResponse(const dive::RtcpAppMsg& msg) {
    // Every parsed final response carries its body; one without is not ours to interpret.
    if (!msg.body && msg.type != dive::kRtcpAppMtuDetect && msg.type != dive::kRtcpAppMtuDetectEnd) {
        VLOGW("Final response type %d msgid=%u without body @%lld\n", static_cast<int>(msg.type),
              static_cast<unsigned>(msg.msgId), Now());
        return;
    }
    switch (msg.type) {
        case dive::kRtcpAppConnect: {
            const auto* rsp = BodyOf<dive::RtcpAppRspConnect>(msg);
            onTraceIDChanged("connect", "final", rsp->traceId.ToString());
            if (rsp->resultCode != kConflictCode) OnConnectResult(msg);
            SendFinalResponseAck(msg);
            break;
        }
        case dive::kRtcpAppPublish: {
            const auto* rsp = BodyOf<dive::RtcpAppRspPublish>(msg);
            onTraceIDChanged("publish", "final", rsp->traceId.ToString());
            SendFinalResponseAck(msg);
            if (rsp->resultCode != kConflictCode) OnPublishResult(msg);
            break;
        }
        case dive::kRtcpAppSubscribe: {
            const auto* rsp = BodyOf<dive::RtcpAppRspSubscribe>(msg);
            onTraceIDChanged("subscribe", "final", rsp->traceId.ToString());
            SendFinalResponseAck(msg);
            if (rsp->resultCode != kConflictCode) OnSubscribeResult(msg);
            break;
        }
        case dive::kRtcpAppPublishUpdate:
            if (BodyOf<dive::RtcpAppRspUpdate>(msg)->resultCode != kConflictCode) OnPublishUpdateResult(msg);
            break;
        case dive::kRtcpAppSubscribeUpdate:
            if (BodyOf<dive::RtcpAppRspUpdate>(msg)->resultCode != kConflictCode) OnSubscribeUpdateResult(msg);
            break;
        case dive::kRtcpAppStop:
            if (BodyOf<dive::RtcpAppRspResult>(msg)->resultCode != kConflictCode) OnStopRequestResult(msg);
            break;
        case dive::kRtcpAppDisconnect:
            if (BodyOf<dive::RtcpAppRspResult>(msg)->resultCode != kConflictCode) OnDisconnectResult(msg);
            break;
        case dive::kRtcpAppHeartBeat: OnHeartbeatResult(msg); break;
        case dive::kRtcpAppMtuDetect:
        case dive::kRtcpAppMtuDetectEnd: break;
        default:
            VLOGW("Unsupported final response type %d @%lld\n", static_cast<int>(msg.type), Now());
            break;
    }
}

void SignallingRtcpApp::SendServerRequestAnswer(const dive::RtcpAppMsg& msg) {
    dive::RtcpAppRspResult result;
    result.resultCode = kOkCode;
    dive::RtcpAppMsg answer;
    answer.msgId = msg.msgId;
    answer.type = msg.type;
    answer.kind = dive::kRtcpAppFinalRsp;
    answer.body = &result;
    SendMessage(answer);
}

void SignallingRtcpApp::OnRequest(dive::RtcpAppMsg& msg) {
    const bool handled = msg.type == dive::kRtcpAppNotify || msg.type == dive::kRtcpAppDisconnect ||
                         msg.type == dive::kRtcpAppStop;
    if (!handled)
        VLOGW("Neglect server notification %u @%lld\n", static_cast<unsigned>(msg.type), Now());
    // A server resends its request until answered: only the first copy is reported and answered.
    if (!mServerRequests.Note(msg.msgId, osal_get_time_ms())) return;
    if (!handled) return;

    switch (msg.type) {
        case dive::kRtcpAppDisconnect: {
            VLOGW("Neglect server notification disconnect @%lld\n", Now());
            const auto* req = BodyOf<dive::RtcpAppRspResult>(msg);
            OnStreamDisconnect(req ? req->reason.ToString() : std::string(), req ? req->resultCode : 0);
            break;
        }
        case dive::kRtcpAppStop: {
            VLOGW("stop req Neglect server notification stop @%lld\n", Now());
            const auto* req = BodyOf<dive::RtcpAppReqStop>(msg);
            if (req) OnStreamStop(req->url.ToString(), req->reasonCode, req->reason.ToString());
            else OnStreamStop(std::string(), 0, std::string());
            SendServerRequestAnswer(msg);
            break;
        }
        default: {  // Notify
            const auto* notify = BodyOf<dive::RtcpAppReqNotify>(msg);
            if (notify) OnNetInfoNotify(notify);
            SendServerRequestAnswer(msg);
            break;
        }
    }
}

void SignallingRtcpApp::OnMobility() {
    VLOGW("Receive WanIpPortSwitched from server @%lld\n", Now());
    OnWanIpPortSwitched();
}

}  // namespace zeqmcdn
