#include "engine/SessionController.h"

namespace zeqmcdn {

SessionController::SessionController(EngineServiceContext* context, int flag, std::unique_ptr<ParticipantManager> manager)
    : mContext(context), mFlag(flag), mManager(std::move(manager)), mTransport(std::make_unique<MCdnTransport>(context)) {}

// The participants go first: they still hold the transport while they stop.
SessionController::~SessionController() {
    mManager.reset();
    mTransport.reset();
}

int SessionController::StartSession(const char* url, const char* sfu_ip, const char* sfu_port,
                                    const MCdnTransportConfig& config) {
    return mTransport->StartTransport(url, sfu_ip, sfu_port, config);
}

int SessionController::StopSession() { return mTransport->StopTransport(); }

void SessionController::BroadcastConnState(MCdnTransport::ConnState state) {
    if (mManager) mManager->BroadcastConnState(state);
}

void SessionController::OnSessionStarted() {
    if (mManager) mManager->OnSessionStarted();
}

void SessionController::OnSessionBroken() {
    if (mManager) mManager->OnSessionBroken();
}

bool SessionController::IsStreamBroken() { return mManager && mManager->IsStreamBroken(); }

uint32_t SessionController::GetUserCount() { return mManager ? mManager->GetUserCount() : 0; }

uint32_t SessionController::AddRemoteParticipant(const std::string& url, FrameSink* sink,
                                                 const RemoteParticipantConfig& cfg) {
    return mManager ? mManager->AddRemoteParticipant(url, sink, cfg) : 0;
}

uint32_t SessionController::AddLocalParticipant(const std::string& msid, FrameSource* source,
                                                const LocalParticipantConfig& cfg) {
    return mManager ? mManager->AddLocalParticipant(msid, source, cfg) : 0;
}

void SessionController::RemoveRemoteParticipant(uint32_t uid) {
    if (mManager) mManager->RemoveRemoteParticipant(uid);
}

int SessionController::Subscribe(uint32_t uid, bool audio, bool video) {
    return mManager ? mManager->Subscribe(uid, audio, video) : -1;
}

int SessionController::Publish(bool audio, bool video) { return mManager ? mManager->Publish(audio, video) : -1; }

int64_t SessionController::GetUid(const std::string& url) { return mManager ? mManager->GetUid(url) : -1; }

void SessionController::GetUserList(std::vector<uint32_t>& ids) {
    ids.clear();
    if (mManager) mManager->GetUserList(ids);
}

void SessionController::ProfileData() {
    if (mManager) mManager->ProfileData();
}

int SessionController::RemoteParticipantSendPLI(uint32_t uid) {
    return mManager ? mManager->RemoteParticipantSendPLI(uid) : -1;
}

int SessionController::SetLocalParticipantInputBitrate(int bps) {
    return mManager ? mManager->SetLocalParticipantInputBitrate(bps) : -1;
}

}  // namespace zeqmcdn
