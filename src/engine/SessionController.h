// The facade through which the session context reaches the transport and the participants.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "api/CdnSettings.h"

#include "engine/MCdnTransport.h"

namespace zeqmcdn {

class EngineServiceContext;
class FrameSink;
class FrameSource;

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

    // User ids: a remote participant's is returned for its stream name (an existing one when the name
    // is known), the local participant's is 1.
    virtual uint32_t AddRemoteParticipant(const std::string& url, FrameSink* sink, const RemoteParticipantConfig& cfg) = 0;
    virtual uint32_t AddLocalParticipant(const std::string& msid, FrameSource* source, const LocalParticipantConfig& cfg) = 0;
    virtual void RemoveRemoteParticipant(uint32_t uid) = 0;
    virtual int Subscribe(uint32_t uid, bool audio, bool video) = 0;
    virtual int Publish(bool audio, bool video) = 0;
    // The user id of a stream URL, or -1.
    virtual int64_t GetUid(const std::string& url) = 0;
    virtual void GetUserList(std::vector<uint32_t>& ids) = 0;
    // Every participant writes its counters into the statistics database.
    virtual void ProfileData() = 0;
    virtual int RemoteParticipantSendPLI(uint32_t uid) = 0;
    virtual int SetLocalParticipantInputBitrate(int bps) = 0;
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

    // Without participants: no user is added (0), lookups fail (-1), the lists are empty.
    uint32_t AddRemoteParticipant(const std::string& url, FrameSink* sink, const RemoteParticipantConfig& cfg);
    uint32_t AddLocalParticipant(const std::string& msid, FrameSource* source, const LocalParticipantConfig& cfg);
    void RemoveRemoteParticipant(uint32_t uid);
    int Subscribe(uint32_t uid, bool audio, bool video);
    int Publish(bool audio, bool video);
    int64_t GetUid(const std::string& url);
    void GetUserList(std::vector<uint32_t>& ids);
    void ProfileData();
    int RemoteParticipantSendPLI(uint32_t uid);
    int SetLocalParticipantInputBitrate(int bps);

    MCdnTransport* Transport() { return mTransport.get(); }
    EngineServiceContext* Context() const { return mContext; }
    int Flag() const { return mFlag; }

private:
    EngineServiceContext* mContext;
    int mFlag;
    std::unique_ptr<ParticipantManager> mManager;
    std::unique_ptr<MCdnTransport> mTransport;
};

}  // namespace zeqmcdn
