// The command table of zeq_net_ioctl for an opened handle.
#pragma once

#include "api/ConnHandle.h"

namespace zeqnet {

// Runs `cmd` on the session of `handle` (stream already checked); -19 for an unknown command.
int RunIoctl(zeq_net_conn* handle, McdnContext1* ctx, unsigned stream, const char* cmd, void* arg);

}  // namespace zeqnet
