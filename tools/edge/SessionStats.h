// What one session saw and sent, for its closing summary line and the JSON statistics file.
#pragma once

#include <cstdint>
#include <string>

namespace zrtc {
namespace edge {

// Thread safety: none; owned by its session.
struct SessionStats {
    static constexpr int kTypes = 14;  // message types 0..13
    static constexpr int kKinds = 4;   // request, final response, temporary response, ack

    uint64_t received[kTypes][kKinds] = {};  // signalling messages by type and kind
    uint64_t receivedOther = 0;              // type or kind outside the tables
    uint64_t media = 0;                      // datagrams that are not signalling
    uint64_t malformed = 0;                  // signalling datagrams that did not parse
    uint64_t deviations = 0;                 // lines logged for catalogue or dialogue faults
    uint64_t retransmissionsSeen = 0;        // repeated requests, answers and acks of the client
    uint64_t answersSent = 0;                // final responses sent (copies and repeats included)
    uint64_t tempSent = 0;                   // temporary responses sent
    uint64_t serverRequests = 0;             // Stop, Disconnect, Notify sent by the edge
    uint64_t serverResends = 0;
    uint64_t serverAnswered = 0;
    uint64_t serverUnanswered = 0;
    uint64_t mobilitySent = 0;

    // "Connect=1 Subscribe=1 HeartBeat=12 ack=2 ..." then the other counters.
    std::string ToLine() const;
    // One JSON object with the same figures.
    std::string ToJson() const;
};

// Escapes text for a JSON string (quotes not included).
std::string JsonEscape(const std::string& text);

}  // namespace edge
}  // namespace zrtc
