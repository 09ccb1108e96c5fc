// One line of the control channel, taken apart. Syntax (one command per datagram):
//   sessions                          list the live sessions
//   set PEER|*|new SWITCHES           change switches of a session, of all (and new ones), of new ones
//   stop PEER|* [CODE [REASON...]]    send a server Stop
//   disconnect PEER|* [CODE [REASON...]]
//   notify PEER|* TYPE SUB [HEXDATA]  send a Notify
//   mobility PEER|*                   send a mobility notice
//   drop PEER|*                       forget the session
//   restart PEER|*                    restart the session with a new cookie
//   link PEER|*|new up|down TEXT      change one direction of the emulated link ("none": direct)
// PEER is written as the edge prints it: 127.0.0.1:40000 or [::1]:40000.
#pragma once

#include <cstdint>
#include <string>

#include "EdgeWire.h"

namespace zrtc {
namespace edge {

struct ControlCommand {
    enum class Verb { kSessions, kSet, kStop, kDisconnect, kNotify, kMobility, kDrop, kRestart, kLink, kHelp };
    Verb verb = Verb::kHelp;
    std::string target;    // a peer, "*" or (for set) "new"
    std::string switches;  // set
    uint16_t code = 0;     // stop, disconnect
    std::string reason;    // stop, disconnect
    uint8_t notifyType = 0;
    uint8_t notifySub = 0;
    Bytes notifyData;
    bool linkUp = true;    // link: which direction
    std::string linkText;  // link: the description, "" for a direct path
};

// False with *error set for an unknown verb, a missing target or a bad number.
bool ParseControlCommand(const std::string& line, ControlCommand* out, std::string* error);
const char* ControlHelp();

}  // namespace edge
}  // namespace zrtc
