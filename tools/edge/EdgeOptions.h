// The command line of zrtc-edge.
#pragma once

#include <cstdint>
#include <string>

#include "EdgeSession.h"
#include "SessionSwitches.h"
#include "StreamCatalogue.h"

namespace zrtc {
namespace edge {

struct EdgeOptions {
    bool portGiven = false;
    uint16_t port = 0;          // 0: a free port, printed
    bool controlGiven = false;
    uint16_t controlPort = 0;   // 0: a free port, printed
    bool anyAddress = false;    // listen on every address, not only loopback
    SessionSwitches switches;   // of every new session
    SessionConfig session;
    StreamCatalogue catalogue;
    std::string statsJson;      // file written at exit; empty = none
    std::string linkUp;         // link description text, client to edge
    std::string linkDown;       // edge to client
    bool help = false;
};

// False with *error set on a bad or missing switch; --help sets options->help and returns true.
bool ParseEdgeOptions(int argc, const char* const* argv, EdgeOptions* options, std::string* error);
std::string EdgeUsage();

}  // namespace edge
}  // namespace zrtc
