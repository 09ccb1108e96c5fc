// Builds the session context of an opened handle from its configuration record and a stream URL.
#pragma once

#include "api/ConnHandle.h"

namespace zeqnet {

// Creates, configures and starts the session of `handle` for `url`; mode 'r' subscribes, 'w'
// publishes. Stores the context in the handle. False (nothing left behind) when the context
// cannot be built or the URL is not a "zrtc" URL.
bool BuildSessionContext(zeq_net_conn* handle, const char* url, char mode);

// Posts 121 to the player and telemetry, destroys the context and its message routing.
void DestroySessionContext(zeq_net_conn* handle);

// Engine message 120: "entry:<entry>,mode:<mode>,preconf:{<cache>}"; entry "old" empties the cache.
void PostVersionNote(McdnContext1* ctx, const char* entry, const char* mode);

}  // namespace zeqnet
