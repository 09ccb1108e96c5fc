// The real zrtc-edge binary as a child process of an end-to-end test: its ports from its standard
// output, its "edge: " log lines from its standard error, control commands over UDP, and its
// statistics file after a SIGTERM. Every wait is bounded.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

class EdgeProcess {
public:
    // Starts the build's zrtc-edge ($ZRTC_EDGE overrides the path) with --port 0 --control-port 0
    // --stats-json FILE and the extra arguments; waits up to 5 s for both port lines.
    explicit EdgeProcess(const std::vector<std::string>& extraArgs = {});
    ~EdgeProcess();
    EdgeProcess(const EdgeProcess&) = delete;
    EdgeProcess& operator=(const EdgeProcess&) = delete;

    bool Started() const { return mPort != 0 && mControlPort != 0; }
    uint16_t Port() const { return mPort; }
    uint16_t ControlPort() const { return mControlPort; }

    // One control line; the reply ("ok ..." / "error ..."), "" after 2 s without one.
    std::string Control(const std::string& line) const;
    // The live sessions' peers ("127.0.0.1:PORT"), from the "sessions" command.
    std::vector<std::string> Sessions() const;

    // Everything logged on standard error so far.
    std::string Log() const;
    // Lines of the log containing `text`.
    std::vector<std::string> LogLines(const std::string& text) const;
    // Waits up to timeoutMs for a log line containing `text`.
    bool WaitLog(const std::string& text, int timeoutMs) const;
    // Waits up to timeoutMs until `text` occurs at least `count` times.
    bool WaitLogCount(const std::string& text, size_t count, int timeoutMs) const;

    // SIGTERM, then waits up to 5 s (SIGKILL after that). The exit status, or -1.
    int Stop();
    // The --stats-json document written at exit ("" before Stop or when missing).
    std::string StatsJson() const;

private:
    pid_t mPid = -1;
    int mOut = -1;
    std::string mLogPath;
    std::string mStatsPath;
    uint16_t mPort = 0;
    uint16_t mControlPort = 0;
};

// The value of counter `key` (for example "HeartBeat.request") in every session of a statistics
// document, in document order; sessions without it count 0.
std::vector<int> SessionCounters(const std::string& statsJson, const std::string& key);

// Counts occurrences of `needle` in `text`.
size_t CountOf(const std::string& text, const std::string& needle);

}  // namespace e2e
