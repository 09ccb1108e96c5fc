// Behaviour switches of one session: how the edge bends its answers for a test. Set from the
// command line (defaults of every new session) and per session through the control channel.
#pragma once

#include <cstdint>
#include <string>

namespace zrtc {
namespace edge {

// Thread safety: none (plain value).
struct SessionSwitches {
    // Longest answer delay accepted: far beyond any request's retransmission window, short enough
    // that a typo cannot park a session for good.
    static constexpr uint32_t kMaxDelayMs = 60000;

    uint16_t refuseConnect = 0;    // a final code other than 200 for Connect; 0 = answer normally
    uint16_t refuseSubscribe = 0;
    uint16_t refusePublish = 0;
    uint16_t refuseUpdate = 0;     // PublishUpdate and SubscribeUpdate
    std::string refuseReason = "refused by the edge";
    uint32_t delayMs = 0;          // final answers leave this much later
    bool answerTwice = false;      // every final answer is sent twice
    bool tempFirst = false;        // Connect, Publish, Subscribe get a temporary response first
    bool tempOnly = false;         // ... and nothing after it
    bool heartbeats = true;        // false: HeartBeat requests go unanswered
    bool silent = false;           // nothing is sent at all (requests are still counted)

    // Applies "key=value[,key=value...]" (keys: refuse-connect, refuse-subscribe, refuse-publish,
    // refuse-update, reason, delay, twice, temp-first, temp-only, heartbeat, silent; booleans take
    // on/off/1/0; codes 100..999, 0 = off). On bad text nothing changes and *error says why.
    bool Apply(const std::string& text, std::string* error);
    // The switches that differ from the defaults, in the same syntax; "" when none.
    std::string ToString() const;
};

// The one-line help of the switch syntax, for --help and the control channel.
const char* SwitchHelp();

}  // namespace edge
}  // namespace zrtc
