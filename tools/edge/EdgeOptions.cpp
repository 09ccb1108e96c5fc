#include "EdgeOptions.h"

#include "ControlCommand.h"
#include "osal/DecimalText.h"

namespace zrtc {
namespace edge {

namespace {

bool ParsePort(const std::string& text, uint16_t* out) {
    uint64_t n = 0;
    if (!zeqnet::ParseUnsigned(text.c_str(), &n) || n > 0xFFFF) return false;
    *out = static_cast<uint16_t>(n);
    return true;
}

}  // namespace

bool ParseEdgeOptions(int argc, const char* const* argv, EdgeOptions* o, std::string* error) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string* v) {
            if (i + 1 >= argc) return *error = arg + " needs a value", false;
            *v = argv[++i];
            return true;
        };
        std::string v;
        if (arg == "--help" || arg == "-h") {
            o->help = true;
            return true;
        } else if (arg == "--port") {
            if (!value(&v)) return false;
            if (!ParsePort(v, &o->port)) return *error = "bad port '" + v + "'", false;
            o->portGiven = true;
        } else if (arg == "--control-port") {
            if (!value(&v)) return false;
            if (!ParsePort(v, &o->controlPort)) return *error = "bad control port '" + v + "'", false;
            o->controlGiven = true;
        } else if (arg == "--any") {
            o->anyAddress = true;
        } else if (arg == "--switches") {
            if (!value(&v)) return false;
            if (!o->switches.Apply(v, error)) return false;
        } else if (arg == "--stream") {
            if (!value(&v)) return false;
            if (!o->catalogue.Add(v, error)) return false;
        } else if (arg == "--strict-streams") {
            o->session.fallbackStream = false;
        } else if (arg == "--play-config") {
            if (!value(&o->session.playConfig)) return false;
        } else if (arg == "--idle-timeout") {
            if (!value(&v)) return false;
            uint64_t ms = 0;
            // At least a second: below that a client's own heartbeat spacing would end its session.
            if (!zeqnet::ParseUnsigned(v.c_str(), &ms) || ms < 1000 || ms > 3600000)
                return *error = "bad idle timeout '" + v + "' (1000..3600000 ms)", false;
            o->session.idleTimeoutMs = static_cast<int64_t>(ms);
        } else if (arg == "--stats-json") {
            if (!value(&o->statsJson)) return false;
        } else if (arg == "--link-up") {
            if (!value(&o->linkUp)) return false;
        } else if (arg == "--link-down") {
            if (!value(&o->linkDown)) return false;
        } else {
            return *error = "unknown argument '" + arg + "' (see --help)", false;
        }
    }
    if (!o->portGiven) return *error = "--port is required (0 picks a free one)", false;
    o->catalogue.AddDefaultIfEmpty();
    return true;
}

std::string EdgeUsage() {
    return std::string(
               "usage: zrtc-edge --port N [options]\n"
               "A media edge for tests and demos: answers the signalling of the library over UDP.\n"
               "\n"
               "  --port N             UDP port on 127.0.0.1 and ::1 (0: a free one; the first line of\n"
               "                       standard output ends with it)\n"
               "  --any                listen on every address instead of loopback only\n"
               "  --control-port N     one-line commands over UDP on 127.0.0.1 (0: a free one, printed on\n"
               "                       the next line); answers \"ok ...\" or \"error ...\"\n"
               "  --stream NAME=AUDIO+VIDEO\n"
               "                       a stream of the catalogue (repeatable). AUDIO: opus[@RATE/CH],\n"
               "                       aac[@RATE/CH] or none; VIDEO: h264[@WxH], hevc[@WxH] or none.\n"
               "                       Default: live=opus@48000/2+h264@640x360\n"
               "  --strict-streams     an unknown stream name gets 404 (default: the first stream)\n"
               "  --play-config TEXT   play configuration sent to subscribers\n"
               "  --switches LIST      behaviour of every new session:\n    ") +
           SwitchHelp() +
           "\n"
           "  --idle-timeout MS    a client silent this long is gone (default 16000)\n"
           "  --stats-json FILE    write every session's figures as JSON at exit\n"
           "  --link-up TEXT       emulated link, client to edge, for every session, e.g.\n"
           "                       loss=2%,delay=40ms,jitter=10ms,rate=1500kbps,queue=50 (see tools/netem)\n"
           "  --link-down TEXT     emulated link, edge to client\n"
           "  --help               this text\n"
           "\n"
           "Control commands: " +
           ControlHelp() +
           "\n"
           "SIGINT or SIGTERM ends every session (one summary line each) and exits.\n";
}

}  // namespace edge
}  // namespace zrtc
