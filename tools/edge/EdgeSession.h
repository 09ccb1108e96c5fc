// The edge's side of the dialogue with one client address: answers its requests, sends the edge's
// own requests and resends them until answered, checks every message against the catalogue, and
// bends its answers as the session's switches say.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "EdgeWire.h"
#include "MediaHooks.h"
#include "SessionStats.h"
#include "SessionSwitches.h"
#include "StreamCatalogue.h"
#include "signalling/MessageBodies.h"

namespace zrtc {
namespace edge {

struct SessionConfig {
    // A client that sends nothing for this long is gone: four times the 4 s after which a client
    // itself gives up on a silent edge.
    static constexpr int64_t kDefaultIdleTimeoutMs = 16000;

    bool fallbackStream = true;  // an unknown stream name gets the catalogue's first stream
    std::string playConfig;      // play configuration handed to subscribers; empty = none
    int64_t idleTimeoutMs = kDefaultIdleTimeoutMs;
};

// Thread safety: none; the server's poll loop owns every session.
class EdgeSession {
public:
    // The edge's own requests are resent like the client's: four sends, 90 ms apart.
    static constexpr int kServerMaxSends = 4;
    static constexpr int64_t kServerResendMs = 90;
    // After a Disconnect the session stays this long to absorb the client's resent copies.
    static constexpr int64_t kLingerMs = 1000;
    // Answers are kept this long to answer resent requests again: past the client's 4 s record
    // lifetime, so no copy it may still send goes unanswered.
    static constexpr int64_t kAnswerKeepMs = 8000;

    EdgeSession(std::string peer, uint32_t index, const StreamCatalogue* catalogue, SessionConfig config,
                SessionSwitches switches, ClientChannel* channel, MediaHooks* hooks, int64_t nowMs);

    void OnDatagram(const uint8_t* data, size_t len, int64_t nowMs);
    // Sends what is due: delayed answers and resends of the edge's requests.
    void Poll(int64_t nowMs);
    // When Poll next has something to do; INT64_MAX when nothing is pending.
    int64_t NextWakeMs() const;

    // The edge's own requests, resent until the client answers (a client does not answer Disconnect).
    void SendStop(uint16_t code, const std::string& reason, int64_t nowMs);
    void SendDisconnect(uint16_t code, const std::string& reason, int64_t nowMs);
    void SendNotify(uint8_t type, uint8_t subValue, const Bytes& data, int64_t nowMs);
    // Tells the client its public address changed (sent once; nothing answers it).
    void SendMobility();
    // Forgets the dialogue as a restarted edge would: a new cookie, nothing connected.
    void Restart();

    SessionSwitches& Switches() { return mSwitches; }
    const SessionStats& Stats() const { return mStats; }
    const std::string& Peer() const { return mPeer; }
    const std::string& Cookie() const { return mCookie; }
    const std::string& StreamUrl() const { return mUrl; }
    // The session is over: the client disconnected (and the linger passed) or went quiet.
    bool Ended(int64_t nowMs, std::string* why) const;
    // One summary line: peer, why, figures, then `link` (the link figures).
    std::string Summary(const std::string& why, const std::string& link) const;
    // The same as one JSON object; `linkJson` is a JSON value.
    std::string SummaryJson(const std::string& why, const std::string& linkJson) const;

private:
    struct Answered {
        Bytes request;               // a resent copy is byte for byte the same
        std::vector<Bytes> answers;  // what was sent for it, to send again for a resent copy
        int64_t firstMs = 0;
        bool acked = false;
    };
    struct ServerRequest {
        uint16_t msgId = 0;
        uint8_t type = 0;
        Bytes datagram;
        int64_t firstMs = 0;
        int sends = 0;
        bool answered = false;
        bool expectsAnswer = true;
    };
    struct Delayed {
        int64_t dueMs;
        Bytes datagram;
    };
    // Which counter a datagram adds to once it has really gone out.
    enum class Counted { kNothing, kAnswer, kTemp, kServerResend };

    void Deviation(const std::string& what, const std::string& text);
    void HandleRequest(const WireMessage& msg, const uint8_t* data, size_t len, int64_t nowMs);
    void HandleClientFinal(const WireMessage& msg);
    void HandleAck(const WireMessage& msg);
    void CheckCookie(const WireMessage& msg, const dive::RtcpAppReqSessionParams& params);

    Bytes BuildConnectAnswer(const WireMessage& msg);
    Bytes BuildSubscribeAnswer(const WireMessage& msg, const dive::RtcpAppReqSubscribe& req);
    Bytes BuildPublishAnswer(const WireMessage& msg, const dive::RtcpAppReqPublish& req);
    Bytes BuildUpdateAnswer(const WireMessage& msg);
    Bytes BuildResult(const WireMessage& msg, uint16_t code, const std::string& reason);
    Bytes BuildTemp(const WireMessage& msg);
    void SendServerRequest(uint8_t type, const dive::TLVWriter& body, bool expectsAnswer, int64_t nowMs);
    void Send(const Bytes& datagram, Counted counted = Counted::kNothing);
    std::string TraceId(uint16_t msgId) const;
    static std::string NewCookie();

    const std::string mPeer;
    const uint32_t mIndex;
    const StreamCatalogue* mCatalogue;
    const SessionConfig mConfig;
    SessionSwitches mSwitches;
    ClientChannel* mChannel;
    MediaHooks* mHooks;
    WireWriter mWriter;
    SessionStats mStats;

    std::string mCookie;
    bool mConnected = false;
    std::string mUrl;  // of the last Subscribe or Publish
    int64_t mLastHeardMs;
    int64_t mCloseAtMs = 0;  // 0 = not closing
    uint16_t mNextServerId = 1;
    std::map<uint32_t, Answered> mAnswered;  // key: type << 16 | message id
    std::vector<ServerRequest> mServerRequests;
    std::vector<Delayed> mDelayed;
};

}  // namespace edge
}  // namespace zrtc
