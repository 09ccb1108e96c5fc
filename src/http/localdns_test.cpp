// The system lookup on names the machine answers itself. Nothing here reaches a name server:
// `localhost` comes from the hosts file, and the other names from a private hosts file that a
// child process mounts over /etc/hosts (with a "hosts: files" name-service switch) inside a mount
// namespace of its own. Where the namespace cannot be made, those cases are skipped.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "http/dns_resolver.h"
#include "http/os_http.h"

namespace {

using ZeqUtils::dns_context;
using ZeqUtils::dns_resolver;

std::string LocalLookup(const char* host, bool force_ipv6) {
    dns_resolver::set_force_ipv6(force_ipv6);
    dns_context ctx;
    std::snprintf(ctx.host, sizeof(ctx.host), "%s", host);
    char ip[46] = "unchanged";
    bool ok = dns_resolver::resolve_localdns(&ctx, ip, sizeof(ip));
    dns_resolver::set_force_ipv6(false);
    return ok ? std::string(ip) : std::string("fail:") + ip;
}

TEST(LocalDns, LocalhostFromTheHostsFile) { EXPECT_EQ(LocalLookup("localhost", false), "127.0.0.1"); }

constexpr int kSkip = 77;

bool WriteFile(const std::string& path, const char* text) {
    FILE* f = std::fopen(path.c_str(), "w");
    if (!f) return false;
    bool ok = std::fputs(text, f) >= 0;
    return std::fclose(f) == 0 && ok;
}

// Child process: a private /etc/hosts and /etc/nsswitch.conf. Exit code kSkip when the mount
// namespace cannot be had; otherwise failures go to `report`.
[[noreturn]] void RunWithPrivateHosts(const std::string& dir, int report) {
    auto fail = [&](const std::string& what) {
        std::string line = what + "\n";
        (void)!write(report, line.data(), line.size());
    };
    bool isolated = unshare(CLONE_NEWNS) == 0 ||
                    (unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0);
    if (!isolated || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount((dir + "/hosts").c_str(), "/etc/hosts", nullptr, MS_BIND, nullptr) != 0 ||
        mount((dir + "/nsswitch.conf").c_str(), "/etc/nsswitch.conf", nullptr, MS_BIND, nullptr) != 0) {
        std::string why = std::string("mount namespace: ") + std::strerror(errno) + "\n";
        (void)!write(report, why.data(), why.size());
        _exit(kSkip);
    }
    const struct {
        const char* host;
        bool force_ipv6;
        const char* expected;
    } cases[] = {
        {"vrio-v4.test", false, "192.0.2.40"},
        {"vrio-both.test", false, "192.0.2.44"},
        {"vrio-v6.test", false, "fail:"},  // no IPv4 address
        {"vrio-none.test", false, "fail:"},
        {"vrio-v6.test", true, "2001:db8::60"},
        {"vrio-both.test", true, "2001:db8::44"},
        {"vrio-none.test", true, "fail:"},
    };
    for (const auto& c : cases) {
        std::string got = LocalLookup(c.host, c.force_ipv6);
        if (got != c.expected) fail(std::string(c.host) + (c.force_ipv6 ? " (IPv6)" : "") + ": " + got);
    }
    // The whole race: both built-in servers fail, the system lookup answers.
    set_http_get_func([](const char*, char*, int) { return 503; });
    char ip[46] = {0};
    char host[64];
    int source = 0;
    int rc = resolve_ip_cancellable("zrtc://vrio-both.test:1106/a/b", ip, 46, &source, host, 64, 2000, DnsAny, nullptr,
                                    nullptr, nullptr, false);
    if (rc != 0 || std::string(ip) != "192.0.2.44" || source != 10)
        fail("race: rc=" + std::to_string(rc) + " ip=" + ip + " source=" + std::to_string(source));
    rc = resolve_ip_cancellable("vrio-none.test", ip, 46, &source, host, 64, 2000, DnsAny, nullptr, nullptr, nullptr,
                                false);
    if (rc != -1) fail("unknown name resolved");
    _exit(0);
}

TEST(LocalDns, NamesOfAPrivateHostsFile) {
    char dir_template[] = "/tmp/vrio-hosts-XXXXXX";
    ASSERT_NE(mkdtemp(dir_template), nullptr);
    std::string dir = dir_template;
    ASSERT_TRUE(WriteFile(dir + "/hosts",
                          "127.0.0.1 localhost\n"
                          "192.0.2.40 vrio-v4.test\n"
                          "2001:db8::60 vrio-v6.test\n"
                          "192.0.2.44 vrio-both.test\n"
                          "2001:db8::44 vrio-both.test\n"));
    ASSERT_TRUE(WriteFile(dir + "/nsswitch.conf", "hosts: files\n"));
    int pipe_fds[2];
    ASSERT_EQ(pipe(pipe_fds), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(pipe_fds[0]);
        RunWithPrivateHosts(dir, pipe_fds[1]);
    }
    close(pipe_fds[1]);
    std::string report;
    char chunk[256];
    for (ssize_t n; (n = read(pipe_fds[0], chunk, sizeof(chunk))) > 0;) report.append(chunk, static_cast<size_t>(n));
    close(pipe_fds[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    std::remove((dir + "/hosts").c_str());
    std::remove((dir + "/nsswitch.conf").c_str());
    rmdir(dir.c_str());
    ASSERT_TRUE(WIFEXITED(status)) << "child ended by signal " << WTERMSIG(status);
    if (WEXITSTATUS(status) == kSkip) GTEST_SKIP() << "cannot mount a private hosts file here (" << report << ")";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(report, "");
}

}  // namespace
