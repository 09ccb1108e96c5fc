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

}  // namespace zeqmcdn
