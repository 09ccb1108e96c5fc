// The facade through which the session context reaches the transport and the participants.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/MCdnTransport.h"
#include "osal/Mutex.h"

namespace zeqmcdn {

class EngineServiceContext;

// What the session controller forwards to the participants of a session. The participant manager
// implements it; a session without one (no participants yet) answers neutrally.
class ParticipantManager {
public:
    virtual ~ParticipantManager() = default;
    virtual void BroadcastConnState(MCdnTransport::ConnState state) = 0;
    virtual void OnSessionStarted() = 0;
    virtual void OnSessionBroken() = 0;
    virtual bool IsStreamBroken() = 0;
    virtual uint32_t GetUserCount() = 0;
};

// Thread safety: forwards only; the transport and the manager guard themselves.
class SessionController {
public:
    // `manager` is owned (may be null); the transport is created here and lives as long as this object.
    SessionController(EngineServiceContext* context, int flag, std::unique_ptr<ParticipantManager> manager = nullptr);
    virtual ~SessionController();
    SessionController(const SessionController&) = delete;
    SessionController& operator=(const SessionController&) = delete;

    int StartSession(const char* url, const char* sfu_ip, const char* sfu_port, const MCdnTransportConfig& config);
    int StopSession();
    bool NeedReconnect(bool& immediate) { return mTransport->NeedReconnect(immediate); }
    bool RetrieveConnStateChangeMsg(MCdnTransport::ConnState& state) {
        return mTransport->RetrieveConnStateChangeMsg(state);
    }
    MCdnTransport::ConnState GetConnState() const { return mTransport->GetConnState(); }
    int64_t GetTotalPackeRx() const { return mTransport->GetTotalPackeRx(); }

    void BroadcastConnState(MCdnTransport::ConnState state);
    void OnSessionStarted();
    void OnSessionBroken();
    bool IsStreamBroken();
    uint32_t GetUserCount();

    MCdnTransport* Transport() { return mTransport.get(); }
    EngineServiceContext* Context() const { return mContext; }
    int Flag() const { return mFlag; }

private:
    osal::mutex mLock;
    EngineServiceContext* mContext;
    int mFlag;
    std::unique_ptr<ParticipantManager> mManager;
    std::unique_ptr<MCdnTransport> mTransport;
};

}  // namespace zeqmcdn
