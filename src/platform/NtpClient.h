// One NTP client request (RFC 5905, client mode over UDP): the server's transmit time in seconds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ZeqUtils {

struct NtpServer {
    std::string host;
    uint16_t port = 123;
};

// The deployment's six public NTP servers; the clock asks the first three.
std::vector<NtpServer> DefaultNtpServers();

// Every step (connect, send, receive) waits at most this long.
constexpr int kNtpStepTimeoutMs = 3000;

// Asks `host` (an IPv4 address or a name for the system's IPv4 lookup) for the time. Returns the
// server's transmit time as Unix seconds, or -1 after printing one line naming the failed step to
// standard output. Answers that are not a usable server reply (short, not server mode, a
// kiss-of-death or an unset transmit time) count as a failed receive.
int64_t GetNTPTime(const char* host, uint16_t port = 123, int step_timeout_ms = kNtpStepTimeoutMs);

}  // namespace ZeqUtils
