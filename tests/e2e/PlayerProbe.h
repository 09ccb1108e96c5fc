// The player's side of an end-to-end test: one connection driven through the C interface only,
// with a message callback that records what the library forwards to this connection, and a
// process-wide log sink (the library routes every log line to the connection created last).
//
// Thread safety: the callbacks run on library threads; every public call may come from any
// thread (records are guarded by their own locks).
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "vrio/zeq_net_api.h"

namespace e2e {

struct PlayerMessage {
    int code = 0;
    std::string text;
    int64_t atMs = 0;
};

struct LogLine {
    std::string text;
    int64_t atMs = 0;
};

// Every log line of the process, formatted.
class LogSink {
public:
    static vrio_log_fn Callback();
    static std::vector<LogLine> Lines(const std::string& containing);
    static size_t Count(const std::string& containing);
    // Waits up to timeoutMs until `containing` occurs in at least `count` lines.
    static bool WaitCount(const std::string& containing, size_t count, int timeoutMs);
    // Forgets every line so far.
    static void Clear();
};

class PlayerProbe {
public:
    PlayerProbe() = default;
    ~PlayerProbe();
    PlayerProbe(const PlayerProbe&) = delete;
    PlayerProbe& operator=(const PlayerProbe&) = delete;

    // The default record with this probe's callbacks (information-level logging).
    vrio_net_config Config();
    // Creates the connection and opens it for subscribe (or publish); true when the open succeeded.
    bool Open(const std::string& url, bool publish = false);
    zeq_net_conn* Handle() const { return mHandle; }
    // Destroys the connection; the milliseconds it took, or -1 without one.
    int64_t Destroy();

    std::vector<PlayerMessage> Messages(int code) const;
    std::vector<PlayerMessage> AllMessages() const;
    // Waits up to timeoutMs for `count` messages with `code` whose text contains `textPart`.
    bool WaitMessage(int code, size_t count, int timeoutMs, const std::string& textPart = "") const;

private:
    static int OnMessage(void* user, int code, const char* text, long long length);
    size_t CountLocked(int code, const std::string& textPart) const;

    zeq_net_conn* mHandle = nullptr;
    mutable std::mutex mLock;
    std::vector<PlayerMessage> mMessages;
};

// "zrtc://127.0.0.1:PORT/live/NAME@sfu_ip=127.0.0.1&sfu_port=PORT" plus `options` ("&..." items).
// The port in the host keeps each edge's entry of the cross-session cache apart.
std::string EdgeUrl(uint16_t port, const std::string& name = "stream", const std::string& options = "");

// Threads of this process (/proc/self/task).
int ThreadCount();
// Waits up to timeoutMs until at most `count` threads remain; the last count seen.
int WaitThreadCount(int count, int timeoutMs);

// The version-2 option setter (slot 1 of get_vrio_funcs(2)); its result.
int SetProcessOption(const char* key, const char* value);

}  // namespace e2e
