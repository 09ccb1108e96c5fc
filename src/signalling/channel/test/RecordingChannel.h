// Test helper: a channel whose engine operations record one line each, with bounded waits.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "osal/Mutex.h"
#include "signalling/channel/SignallingRtcpApp.h"

namespace sigchannel_test {

// Thread safety: the event list is guarded by its mutex; the reader thread appends, the test reads.
class RecordingChannel : public zeqmcdn::SignallingRtcpApp {
public:
    explicit RecordingChannel(zeqmcdn::EngineServiceContext* context = nullptr);
    ~RecordingChannel() override;

    void OnConnectResult(const dive::RtcpAppMsg& msg) override;
    void OnPublishResult(const dive::RtcpAppMsg& msg) override;
    void OnSubscribeResult(const dive::RtcpAppMsg& msg) override;
    void OnPublishUpdateResult(const dive::RtcpAppMsg& msg) override;
    void OnSubscribeUpdateResult(const dive::RtcpAppMsg& msg) override;
    void OnStopRequestResult(const dive::RtcpAppMsg& msg) override;
    void OnDisconnectResult(const dive::RtcpAppMsg& msg) override;
    void OnHeartbeatResult(const dive::RtcpAppMsg& msg) override;
    void OnMediaControlNotify(const dive::RtcpAppRspMediaControl*) override { Add("mediacontrol"); }
    void OnNetInfoNotify(const dive::RtcpAppReqNotify* notify) override;
    void OnStreamStop(std::string url, int code, const std::string& reason) override;
    void OnStreamDisconnect(std::string reason, int code) override;
    void OnRtcpAppError(int code) override { Add("error " + std::to_string(code)); }
    void onTraceIDChanged(std::string command, std::string stage, std::string trace_id) override;
    void OnWanIpPortSwitched() override { Add("wan switched"); }
    void OnReceiveData(const uint8_t* data, size_t len) override;

    std::vector<std::string> Events();
    // Waits (real time, bounded) until at least `n` events are recorded; true when they are.
    bool WaitForEvents(size_t n, int timeout_ms = 2000);

private:
    void Add(const std::string& event);
    void Result(const char* what, const dive::RtcpAppMsg& msg, uint16_t code);

    osal::mutex mLock;
    std::vector<std::string> mEvents;  // guarded by mLock
};

// Waits (real time, bounded) until `done` holds; true when it did.
template <typename Pred>
bool WaitUntil(Pred done, int timeout_ms = 2000);

}  // namespace sigchannel_test

#include "signalling/channel/test/RecordingChannel.inl"
