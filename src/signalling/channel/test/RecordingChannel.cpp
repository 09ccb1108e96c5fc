#include "signalling/channel/test/RecordingChannel.h"

namespace sigchannel_test {

RecordingChannel::RecordingChannel(zeqmcdn::EngineServiceContext* context) : SignallingRtcpApp(context) {
    GetRtcpApp().RegisterHandler(this);
}

RecordingChannel::~RecordingChannel() {
    // Tests own their descriptors: close whatever the channel holds.
    GetSocket().SetNeedClose(true);
    DestorySocket();
    GetRtcpApp().DeRegisterHandler();
}

void RecordingChannel::Add(const std::string& event) {
    osal::lock_guard<osal::mutex> guard(mLock);
    mEvents.push_back(event);
}

std::vector<std::string> RecordingChannel::Events() {
    osal::lock_guard<osal::mutex> guard(mLock);
    return mEvents;
}

bool RecordingChannel::WaitForEvents(size_t n, int timeout_ms) {
    return WaitUntil([&] { return Events().size() >= n; }, timeout_ms);
}

void RecordingChannel::Result(const char* what, const dive::RtcpAppMsg& msg, uint16_t code) {
    Add(std::string(what) + " id=" + std::to_string(msg.msgId) + " code=" + std::to_string(code));
}

void RecordingChannel::OnConnectResult(const dive::RtcpAppMsg& msg) {
    Result("connect", msg, static_cast<const dive::RtcpAppRspConnect*>(msg.body)->resultCode);
}
void RecordingChannel::OnPublishResult(const dive::RtcpAppMsg& msg) {
    Result("publish", msg, static_cast<const dive::RtcpAppRspPublish*>(msg.body)->resultCode);
}
void RecordingChannel::OnSubscribeResult(const dive::RtcpAppMsg& msg) {
    Result("subscribe", msg, static_cast<const dive::RtcpAppRspSubscribe*>(msg.body)->resultCode);
}
void RecordingChannel::OnPublishUpdateResult(const dive::RtcpAppMsg& msg) {
    Result("pubupdate", msg, static_cast<const dive::RtcpAppRspUpdate*>(msg.body)->resultCode);
}
void RecordingChannel::OnSubscribeUpdateResult(const dive::RtcpAppMsg& msg) {
    Result("subupdate", msg, static_cast<const dive::RtcpAppRspUpdate*>(msg.body)->resultCode);
}
void RecordingChannel::OnStopRequestResult(const dive::RtcpAppMsg& msg) {
    Result("stop", msg, static_cast<const dive::RtcpAppRspResult*>(msg.body)->resultCode);
}
void RecordingChannel::OnDisconnectResult(const dive::RtcpAppMsg& msg) {
    Result("disconnect", msg, static_cast<const dive::RtcpAppRspResult*>(msg.body)->resultCode);
}
void RecordingChannel::OnHeartbeatResult(const dive::RtcpAppMsg& msg) {
    Result("heartbeat", msg, static_cast<const dive::RtcpAppRspResult*>(msg.body)->resultCode);
}

void RecordingChannel::OnNetInfoNotify(const dive::RtcpAppReqNotify* notify) {
    Add("notify type=" + std::to_string(notify->notifyType) + " data=" + notify->data.ToString());
}

void RecordingChannel::OnStreamStop(std::string url, int code, const std::string& reason) {
    Add("server stop " + url + " " + std::to_string(code) + " " + reason);
}

void RecordingChannel::OnStreamDisconnect(std::string reason, int code) {
    Add("server disconnect " + reason + " " + std::to_string(code));
}

void RecordingChannel::onTraceIDChanged(std::string command, std::string stage, std::string trace_id) {
    Add("trace " + command + " " + stage + " " + trace_id);
}

void RecordingChannel::OnReceiveData(const uint8_t*, size_t len) { Add("data " + std::to_string(len)); }

}  // namespace sigchannel_test
