#include "EdgeProcess.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "vrio/osal.h"

extern char** environ;

namespace e2e {

namespace {

// A loaded machine running a sanitizer build may take a while to start a process.
constexpr int kStartWaitMs = 5000;
constexpr int kControlWaitMs = 2000;
constexpr int kExitWaitMs = 5000;

std::string EdgePath() {
    if (const char* env = std::getenv("ZRTC_EDGE")) return env;
#ifdef ZRTC_EDGE_PATH
    return ZRTC_EDGE_PATH;
#else
    return "zrtc-edge";
#endif
}

// The number at the end of a line such as "zrtc-edge listening on udp port 41234".
uint16_t TrailingPort(const std::string& line) {
    size_t end = line.size();
    while (end > 0 && (line[end - 1] == '\r' || line[end - 1] == ' ')) --end;
    size_t begin = end;
    while (begin > 0 && line[begin - 1] >= '0' && line[begin - 1] <= '9') --begin;
    if (begin == end) return 0;
    const long value = std::strtol(line.substr(begin, end - begin).c_str(), nullptr, 10);
    return value > 0 && value < 65536 ? static_cast<uint16_t>(value) : 0;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string TempPath(const char* what) {
    char tmpl[64];
    std::snprintf(tmpl, sizeof(tmpl), "/tmp/e2e_edge_%s_XXXXXX", what);
    const int fd = mkstemp(tmpl);
    if (fd >= 0) close(fd);
    return tmpl;
}

}  // namespace

EdgeProcess::EdgeProcess(const std::vector<std::string>& extraArgs) {
    mLogPath = TempPath("log");
    mStatsPath = TempPath("stats");
    unlink(mStatsPath.c_str());  // written by the edge at exit; absent until then
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return;

    std::vector<std::string> args = {EdgePath(), "--port", "0", "--control-port", "0", "--stats-json", mStatsPath};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);

    // posix_spawn rather than fork: the test process runs library threads.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, mLogPath.c_str(), O_WRONLY | O_TRUNC | O_CREAT, 0600);
    // The library's sockets stay with the library: a copy in the child would keep their ports bound.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    const int rc = posix_spawn(&mPid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    mOut = pipeFds[0];
    if (rc != 0) {
        mPid = -1;
        return;
    }

    std::string text;
    const int64_t end = osal_get_time_ms() + kStartWaitMs;
    while (osal_get_time_ms() < end && std::count(text.begin(), text.end(), '\n') < 2) {
        pollfd p{mOut, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        char buf[256];
        const ssize_t n = read(mOut, buf, sizeof(buf));
        if (n <= 0) break;
        text.append(buf, static_cast<size_t>(n));
    }
    std::istringstream lines(text);
    std::string line;
    if (std::getline(lines, line)) mPort = TrailingPort(line);
    if (std::getline(lines, line)) mControlPort = TrailingPort(line);
}

EdgeProcess::~EdgeProcess() {
    Stop();
    if (mOut >= 0) close(mOut);
    unlink(mLogPath.c_str());
    unlink(mStatsPath.c_str());
}

std::string EdgeProcess::Control(const std::string& line) const {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return "";
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(mControlPort);
    std::string reply;
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof(a)) == 0 &&
        send(fd, line.data(), line.size(), 0) == static_cast<ssize_t>(line.size())) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, kControlWaitMs) > 0) {
            char buf[2048];
            const ssize_t n = recv(fd, buf, sizeof(buf), 0);
            if (n > 0) reply.assign(buf, static_cast<size_t>(n));
        }
    }
    close(fd);
    return reply;
}

std::vector<std::string> EdgeProcess::Sessions() const {
    std::vector<std::string> peers;
    std::istringstream words(Control("sessions"));
    std::string word;
    if (!(words >> word) || word != "ok") return peers;
    while (words >> word) peers.push_back(word);
    return peers;
}

std::string EdgeProcess::Log() const { return ReadFile(mLogPath); }

std::vector<std::string> EdgeProcess::LogLines(const std::string& text) const {
    std::vector<std::string> out;
    std::istringstream lines(Log());
    std::string line;
    while (std::getline(lines, line))
        if (line.find(text) != std::string::npos) out.push_back(line);
    return out;
}

bool EdgeProcess::WaitLog(const std::string& text, int timeoutMs) const { return WaitLogCount(text, 1, timeoutMs); }

bool EdgeProcess::WaitLogCount(const std::string& text, size_t count, int timeoutMs) const {
    const int64_t end = osal_get_time_ms() + timeoutMs;
    for (;;) {
        if (CountOf(Log(), text) >= count) return true;
        if (osal_get_time_ms() >= end) return false;
        osal_sleep_ms(10);
    }
}

int EdgeProcess::Stop() {
    if (mPid <= 0) return -1;
    kill(mPid, SIGTERM);
    int status = 0;
    const int64_t end = osal_get_time_ms() + kExitWaitMs;
    while (osal_get_time_ms() < end) {
        if (waitpid(mPid, &status, WNOHANG) == mPid) {
            mPid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        osal_sleep_ms(10);
    }
    kill(mPid, SIGKILL);
    waitpid(mPid, &status, 0);
    mPid = -1;
    return -1;
}

std::string EdgeProcess::StatsJson() const { return ReadFile(mStatsPath); }

std::vector<int> SessionCounters(const std::string& statsJson, const std::string& key) {
    std::vector<int> out;
    const std::string start = "{\"peer\":";
    const std::string quoted = "\"" + key + "\":";
    size_t at = statsJson.find(start);
    while (at != std::string::npos) {
        const size_t next = statsJson.find(start, at + 1);
        const std::string session = statsJson.substr(at, next == std::string::npos ? std::string::npos : next - at);
        const size_t k = session.find(quoted);
        out.push_back(k == std::string::npos ? 0 : std::atoi(session.c_str() + k + quoted.size()));
        at = next;
    }
    return out;
}

size_t CountOf(const std::string& text, const std::string& needle) {
    if (needle.empty()) return 0;
    size_t n = 0;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + needle.size())) ++n;
    return n;
}

}  // namespace e2e
