#include "SessionStats.h"

#include <cstdio>

#include "EdgeWire.h"

namespace zrtc {
namespace edge {

namespace {
const char* const kKindKeys[SessionStats::kKinds] = {"request", "final", "temp", "ack"};
}

std::string SessionStats::ToLine() const {
    std::string out;
    for (int t = 0; t < kTypes; ++t) {
        if (received[t][0] != 0) out += TypeName(static_cast<uint8_t>(t)) + "=" + std::to_string(received[t][0]) + " ";
        for (int k = 1; k < kKinds; ++k)
            if (received[t][k] != 0)
                out += TypeName(static_cast<uint8_t>(t)) + "." + kKindKeys[k] + "=" + std::to_string(received[t][k]) + " ";
    }
    if (out.empty()) out = "no signalling ";
    out += "other=" + std::to_string(receivedOther) + " media=" + std::to_string(media) +
           " malformed=" + std::to_string(malformed) + " deviations=" + std::to_string(deviations) +
           " retransmissions_seen=" + std::to_string(retransmissionsSeen) +
           " answers=" + std::to_string(answersSent) + " temp=" + std::to_string(tempSent) +
           " server_requests=" + std::to_string(serverRequests) + " server_resends=" + std::to_string(serverResends) +
           " server_answered=" + std::to_string(serverAnswered) +
           " server_unanswered=" + std::to_string(serverUnanswered) + " mobility=" + std::to_string(mobilitySent);
    return out;
}

std::string SessionStats::ToJson() const {
    std::string out = "{\"received\":{";
    bool first = true;
    for (int t = 0; t < kTypes; ++t) {
        for (int k = 0; k < kKinds; ++k) {
            if (received[t][k] == 0) continue;
            out += std::string(first ? "" : ",") + "\"" + TypeName(static_cast<uint8_t>(t)) + "." + kKindKeys[k] +
                   "\":" + std::to_string(received[t][k]);
            first = false;
        }
    }
    out += "},\"other\":" + std::to_string(receivedOther) + ",\"media\":" + std::to_string(media) +
           ",\"malformed\":" + std::to_string(malformed) + ",\"deviations\":" + std::to_string(deviations) +
           ",\"retransmissions_seen\":" + std::to_string(retransmissionsSeen) +
           ",\"answers\":" + std::to_string(answersSent) + ",\"temp\":" + std::to_string(tempSent) +
           ",\"server_requests\":" + std::to_string(serverRequests) +
           ",\"server_resends\":" + std::to_string(serverResends) +
           ",\"server_answered\":" + std::to_string(serverAnswered) +
           ",\"server_unanswered\":" + std::to_string(serverUnanswered) +
           ",\"mobility\":" + std::to_string(mobilitySent) + "}";
    return out;
}

std::string JsonEscape(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof(buf), "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

}  // namespace edge
}  // namespace zrtc
