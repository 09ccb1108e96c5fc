#include "ControlCommand.h"

#include <sstream>
#include <vector>

#include "osal/DecimalText.h"

namespace zrtc {
namespace edge {

namespace {

bool ParseSmall(const std::string& text, uint64_t max, uint64_t* out) {
    return zeqnet::ParseUnsigned(text.c_str(), out) && *out <= max;
}

bool ParseHex(const std::string& text, Bytes* out) {
    if (text.size() % 2 != 0) return false;
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    for (size_t i = 0; i < text.size(); i += 2) {
        const int hi = nibble(text[i]);
        const int lo = nibble(text[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out->push_back(static_cast<uint8_t>(hi << 4 | lo));
    }
    return true;
}

}  // namespace

bool ParseControlCommand(const std::string& line, ControlCommand* out, std::string* error) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    if (words.empty()) return *error = "empty command", false;
    const std::string& verb = words[0];
    ControlCommand c;
    using V = ControlCommand::Verb;
    if (verb == "sessions") c.verb = V::kSessions;
    else if (verb == "help") c.verb = V::kHelp;
    else if (verb == "set") c.verb = V::kSet;
    else if (verb == "stop") c.verb = V::kStop;
    else if (verb == "disconnect") c.verb = V::kDisconnect;
    else if (verb == "notify") c.verb = V::kNotify;
    else if (verb == "mobility") c.verb = V::kMobility;
    else if (verb == "drop") c.verb = V::kDrop;
    else if (verb == "restart") c.verb = V::kRestart;
    else if (verb == "link") c.verb = V::kLink;
    else return *error = "unknown command '" + verb + "'", false;
    if (c.verb != V::kSessions && c.verb != V::kHelp) {
        if (words.size() < 2) return *error = verb + " needs a session (PEER or *)", false;
        c.target = words[1];
        if (c.target == "new" && c.verb != V::kSet && c.verb != V::kLink)
            return *error = "only set and link take 'new'", false;
    }
    uint64_t n = 0;
    switch (c.verb) {
        case V::kSet:
            if (words.size() != 3) return *error = "set PEER|*|new SWITCHES", false;
            c.switches = words[2];
            break;
        case V::kStop:
        case V::kDisconnect:
            if (words.size() >= 3) {
                if (!ParseSmall(words[2], 0xFFFF, &n)) return *error = "bad code '" + words[2] + "'", false;
                c.code = static_cast<uint16_t>(n);
            }
            for (size_t i = 3; i < words.size(); ++i) c.reason += (i > 3 ? " " : "") + words[i];
            break;
        case V::kNotify:
            if (words.size() < 4 || words.size() > 5) return *error = "notify PEER|* TYPE SUB [HEXDATA]", false;
            if (!ParseSmall(words[2], 255, &n)) return *error = "bad notify type '" + words[2] + "'", false;
            c.notifyType = static_cast<uint8_t>(n);
            if (!ParseSmall(words[3], 255, &n)) return *error = "bad notify sub value '" + words[3] + "'", false;
            c.notifySub = static_cast<uint8_t>(n);
            if (words.size() == 5 && !ParseHex(words[4], &c.notifyData))
                return *error = "bad hex data '" + words[4] + "'", false;
            break;
        case V::kLink:
            if (words.size() != 4 || (words[2] != "up" && words[2] != "down"))
                return *error = "link PEER|*|new up|down TEXT", false;
            c.linkUp = words[2] == "up";
            c.linkText = words[3] == "none" ? "" : words[3];
            break;
        default:
            if (words.size() > 2 || (c.target.empty() && words.size() > 1))
                return *error = "too many words for " + verb, false;
            break;
    }
    *out = std::move(c);
    return true;
}

const char* ControlHelp() {
    return "sessions | set PEER|*|new SWITCHES | stop PEER|* [CODE [REASON]] | disconnect PEER|* [CODE [REASON]] |"
           " notify PEER|* TYPE SUB [HEXDATA] | mobility PEER|* | drop PEER|* | restart PEER|* |"
           " link PEER|*|new up|down TEXT|none";
}

}  // namespace edge
}  // namespace zrtc
