// The engine-message handler of an opened handle: telemetry events for the log service, and the
// codes the player's message callback hears.
#pragma once

#include <cstdint>
#include <string>

#include "engine/EngineService.h"
#include "vrio/zeq_net_api.h"

class McdnContext1;

namespace NetBit {
class DatabaseManager;
}

namespace zeqnet {

// Installed as the context's message handler parameter; freed by the handle's destruction after
// the context is gone.
struct MessageRouting {
    vrio_message_fn callback = nullptr;
    void* param = nullptr;
    McdnContext1* ctx = nullptr;
};

// The handler: called on the context's message thread with the engine message's code and text.
int RouteEngineMessage(void* routing, int code, void* text, long long length);

// The telemetry record of one event, read from table 0 of `db` and the message text; empty when
// the session has no help-support identifier. `eventId` is the engine code for information
// events, 150 for error events and 155 for the start-failure event; `errorCode` (non-zero for the
// error kinds) prefixes the description with "code=%d&id=%u&".
zeqmcdn::QlogRecord BuildTelemetryRecord(NetBit::DatabaseManager* db, int eventId, int errorCode,
                                         const char* text);

}  // namespace zeqnet
