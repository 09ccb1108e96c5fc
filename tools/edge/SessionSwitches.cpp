#include "SessionSwitches.h"

#include <vector>

#include "osal/DecimalText.h"

namespace zrtc {
namespace edge {

namespace {

bool ParseBool(const std::string& v, bool* out) {
    if (v == "on" || v == "1" || v == "yes") return *out = true, true;
    if (v == "off" || v == "0" || v == "no") return *out = false, true;
    return false;
}

bool ParseCode(const std::string& v, uint16_t* out) {
    uint64_t n = 0;
    if (!zeqnet::ParseUnsigned(v.c_str(), &n) || (n != 0 && (n < 100 || n > 999))) return false;
    *out = static_cast<uint16_t>(n);
    return true;
}

std::vector<std::string> Split(const std::string& text, char sep) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = text.find(sep, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return parts;
}

}  // namespace

bool SessionSwitches::Apply(const std::string& text, std::string* error) {
    SessionSwitches next = *this;
    if (text.empty()) return true;
    for (const std::string& item : Split(text, ',')) {
        const size_t eq = item.find('=');
        if (eq == std::string::npos) {
            *error = "expected key=value, got '" + item + "'";
            return false;
        }
        const std::string key = item.substr(0, eq);
        const std::string value = item.substr(eq + 1);
        bool ok = true;
        if (key == "refuse-connect") ok = ParseCode(value, &next.refuseConnect);
        else if (key == "refuse-subscribe") ok = ParseCode(value, &next.refuseSubscribe);
        else if (key == "refuse-publish") ok = ParseCode(value, &next.refusePublish);
        else if (key == "refuse-update") ok = ParseCode(value, &next.refuseUpdate);
        else if (key == "reason") next.refuseReason = value;
        else if (key == "delay") {
            uint64_t ms = 0;
            ok = zeqnet::ParseUnsigned(value.c_str(), &ms) && ms <= kMaxDelayMs;
            next.delayMs = static_cast<uint32_t>(ms);
        } else if (key == "twice") ok = ParseBool(value, &next.answerTwice);
        else if (key == "temp-first") ok = ParseBool(value, &next.tempFirst);
        else if (key == "temp-only") ok = ParseBool(value, &next.tempOnly);
        else if (key == "heartbeat") ok = ParseBool(value, &next.heartbeats);
        else if (key == "silent") ok = ParseBool(value, &next.silent);
        else {
            *error = "unknown switch '" + key + "'";
            return false;
        }
        if (!ok) {
            *error = "bad value '" + value + "' for " + key;
            return false;
        }
    }
    *this = next;
    return true;
}

std::string SessionSwitches::ToString() const {
    const SessionSwitches d;
    std::string out;
    auto add = [&out](const std::string& item) { out += (out.empty() ? "" : ",") + item; };
    auto onOff = [](bool b) { return std::string(b ? "on" : "off"); };
    if (refuseConnect != d.refuseConnect) add("refuse-connect=" + std::to_string(refuseConnect));
    if (refuseSubscribe != d.refuseSubscribe) add("refuse-subscribe=" + std::to_string(refuseSubscribe));
    if (refusePublish != d.refusePublish) add("refuse-publish=" + std::to_string(refusePublish));
    if (refuseUpdate != d.refuseUpdate) add("refuse-update=" + std::to_string(refuseUpdate));
    if (refuseReason != d.refuseReason) add("reason=" + refuseReason);
    if (delayMs != d.delayMs) add("delay=" + std::to_string(delayMs));
    if (answerTwice != d.answerTwice) add("twice=" + onOff(answerTwice));
    if (tempFirst != d.tempFirst) add("temp-first=" + onOff(tempFirst));
    if (tempOnly != d.tempOnly) add("temp-only=" + onOff(tempOnly));
    if (heartbeats != d.heartbeats) add("heartbeat=" + onOff(heartbeats));
    if (silent != d.silent) add("silent=" + onOff(silent));
    return out;
}

const char* SwitchHelp() {
    return "refuse-connect=CODE refuse-subscribe=CODE refuse-publish=CODE refuse-update=CODE (CODE 100..999,\n"
           "    0 = answer normally), reason=TEXT (reason sent with a refusal), delay=MS (final answers\n"
           "    leave MS later), twice=on|off (send every final answer twice), temp-first=on|off (temporary\n"
           "    response before the final one), temp-only=on|off (temporary response and nothing else),\n"
           "    heartbeat=on|off (answer HeartBeat), silent=on|off (send nothing at all);\n"
           "    several separated by commas: refuse-subscribe=404,delay=300";
}

}  // namespace edge
}  // namespace zrtc
