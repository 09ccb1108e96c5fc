// One session on loopback against a real zrtc-edge process, through the C interface:
//  - BM_OpenToConnected: time from zeq_net_subscribe_open to the connected state (manual time);
//  - BM_IdleConnectedSession: CPU time (user + sys, getrusage) of one idle connected session over
//    10 s, and the resident memory before the open and once connected.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "vrio/osal.h"
#include "vrio/zeq_net_api.h"

extern char** environ;

#ifndef ZRTC_EDGE_PATH
#define ZRTC_EDGE_PATH "zrtc-edge"
#endif

namespace {

using Clock = std::chrono::steady_clock;

// A loaded machine may take a while to start a process or connect; a working path takes ms.
constexpr int kStartWaitMs = 5000;
constexpr int kConnectWaitMs = 5000;
constexpr int kIdleSeconds = 10;

// zrtc-edge on a free port for the whole run.
class Edge {
public:
    Edge() {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) return;
        std::string path = ZRTC_EDGE_PATH, port = "--port", zero = "0";
        char* argv[] = {&path[0], &port[0], &zero[0], nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        if (posix_spawn(&mPid, argv[0], &actions, nullptr, argv, environ) != 0) mPid = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        std::string line;
        const int64_t end = osal_get_time_ms() + kStartWaitMs;
        while (mPid > 0 && line.find('\n') == std::string::npos && osal_get_time_ms() < end) {
            pollfd p{fds[0], POLLIN, 0};
            char buf[128];
            if (poll(&p, 1, 100) <= 0) continue;
            const ssize_t n = read(fds[0], buf, sizeof(buf));
            if (n <= 0) break;
            line.append(buf, static_cast<size_t>(n));
        }
        close(fds[0]);
        const size_t nl = line.find('\n');
        const size_t space = line.rfind(' ', nl);
        if (nl != std::string::npos && space != std::string::npos) mPort = line.substr(space + 1, nl - space - 1);
    }
    ~Edge() {
        if (mPid <= 0) return;
        kill(mPid, SIGTERM);
        waitpid(mPid, nullptr, 0);
    }
    const std::string& Port() const { return mPort; }

private:
    pid_t mPid = -1;
    std::string mPort;
};

Edge& SharedEdge() {
    static Edge edge;
    return edge;
}

// Connected when the library logs the state change.
struct ConnectWatch {
    std::mutex lock;
    std::condition_variable cond;
    int connected = 0;

    static int OnLog(void* user, int, const char* fmt, va_list args) {
        char text[1024];
        std::vsnprintf(text, sizeof(text), fmt, args);
        if (std::strstr(text, "Connect state changed to: 2")) {
            auto* w = static_cast<ConnectWatch*>(user);
            std::lock_guard<std::mutex> guard(w->lock);
            ++w->connected;
            w->cond.notify_all();
        }
        return 0;
    }
    bool WaitConnected(int count) {
        std::unique_lock<std::mutex> guard(lock);
        return cond.wait_for(guard, std::chrono::milliseconds(kConnectWaitMs), [&] { return connected >= count; });
    }
};

zeq_net_conn* Create(ConnectWatch* watch) {
    vrio_net_config cfg = zeq_net_get_default_cfg();
    cfg.LogCallback = &ConnectWatch::OnLog;
    cfg.LogCbParam = watch;
    return zeq_net_create_connection(&cfg);
}

std::string Url() {
    return "zrtc://127.0.0.1/live/bench@sfu_ip=127.0.0.1&sfu_port=" + SharedEdge().Port();
}

long ResidentKb() {
    long pages = 0, resident = 0;
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return -1;
    const int n = std::fscanf(f, "%ld %ld", &pages, &resident);
    std::fclose(f);
    return n == 2 ? resident * (sysconf(_SC_PAGESIZE) / 1024) : -1;
}

double CpuMs() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return ms(u.ru_utime) + ms(u.ru_stime);
}

void BM_OpenToConnected(benchmark::State& state) {
    if (SharedEdge().Port().empty()) {
        state.SkipWithError("zrtc-edge did not start");
        return;
    }
    const std::string url = Url();
    for (auto _ : state) {
        ConnectWatch watch;
        zeq_net_conn* h = Create(&watch);
        const vrio_open_params params{0, url.c_str()};
        const auto start = Clock::now();
        const int opened = zeq_net_subscribe_open(h, &params);
        const bool connected = opened == 1 && watch.WaitConnected(1);
        const auto end = Clock::now();
        zeq_net_destroy_connection(h);
        if (!connected) {
            state.SkipWithError("no connection");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
}
BENCHMARK(BM_OpenToConnected)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_IdleConnectedSession(benchmark::State& state) {
    if (SharedEdge().Port().empty()) {
        state.SkipWithError("zrtc-edge did not start");
        return;
    }
    const std::string url = Url();
    for (auto _ : state) {
        ConnectWatch watch;
        const long rssBefore = ResidentKb();
        zeq_net_conn* h = Create(&watch);
        const vrio_open_params params{0, url.c_str()};
        if (zeq_net_subscribe_open(h, &params) != 1 || !watch.WaitConnected(1)) {
            zeq_net_destroy_connection(h);
            state.SkipWithError("no connection");
            break;
        }
        const long rssConnected = ResidentKb();
        const double cpuStart = CpuMs();
        const auto start = Clock::now();
        osal_sleep_ms(kIdleSeconds * 1000);
        const double cpu = CpuMs() - cpuStart;
        const auto end = Clock::now();
        zeq_net_destroy_connection(h);
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        state.counters["cpu_ms_per_10s"] = cpu * 10.0 / kIdleSeconds;
        state.counters["cpu_percent_of_core"] = cpu / (kIdleSeconds * 10.0);
        state.counters["rss_before_kb"] = static_cast<double>(rssBefore);
        state.counters["rss_connected_kb"] = static_cast<double>(rssConnected);
        state.counters["rss_growth_kb"] = static_cast<double>(rssConnected - rssBefore);
    }
}
BENCHMARK(BM_IdleConnectedSession)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
