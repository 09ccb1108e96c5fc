#include "http/dns_resolver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "http/os_http.h"
#include "osal/ConditionVariable.h"
#include "osal/TestClock.h"
#include "osal/Thread.h"
#include "platform/TestLogCapture.h"

namespace {

using ZeqUtils::dns_resolver;

// The HTTP-DNS servers of these tests are behaviours, named by the server text of a lookup:
//   ok<N>    answers 192.0.2.N (2001:db8::N for AAAA) at once
//   late<N>  answers the same once the gate opens      hang  fails (703) once the gate opens
//   fail     status 503      bad  a body that is not JSON      long6  a 39-character IPv6 address
// The system lookups resolve real names the machine answers itself (localhost).
class FakeDns {
public:
    static FakeDns& Get() {
        static FakeDns* instance = new FakeDns;
        return *instance;
    }
    void Reset() {
        osal::lock_guard<osal::mutex> guard(mLock);
        mOpen = false;
        mUrls.clear();
    }
    void Open() {
        osal::lock_guard<osal::mutex> guard(mLock);
        mOpen = true;
        mGate.notify_one();
    }
    std::vector<std::string> Urls() {
        osal::lock_guard<osal::mutex> guard(mLock);
        return mUrls;
    }

    static int HttpGet(const char* url, char* response, int size) { return Get().Answer(url, response, size); }

private:
    static osal_bool_t Closed(void* arg) { return static_cast<FakeDns*>(arg)->mOpen ? 0 : 1; }

    int Answer(const char* url, char* response, int size) {
        std::string text = url;
        {
            osal::lock_guard<osal::mutex> guard(mLock);
            mUrls.push_back(text);
        }
        std::string server = text.substr(7, text.find('/', 7) - 7);
        bool v6 = text.find("qtype=aaaa") != std::string::npos;
        auto address = [&](const std::string& n) { return (v6 ? "2001:db8::" : "192.0.2.") + n; };
        auto answer = [&](const std::string& ip) {
            std::snprintf(response, static_cast<size_t>(size), "{\"dns_info\":[{\"ip\":[\"%s\"]}]}", ip.c_str());
            return 200;
        };
        if (server.rfind("late", 0) == 0 || server == "hang") {
            // Bounded: a test that forgets to open the gate fails instead of hanging.
            osal::lock_guard<osal::mutex> guard(mLock);
            for (int i = 0; i < 200 && !mOpen; ++i) mGate.wait_for(&mLock, 50, Closed, this);
            mGate.notify_one();  // pass the wake-up on to the next waiter
        }
        if (server.rfind("ok", 0) == 0) return answer(address(server.substr(2)));
        if (server.rfind("late", 0) == 0) return answer(address(server.substr(4)));
        if (server == "long6") return answer("2001:db8:1234:5678:9abc:def0:1234:5678");
        if (server == "bad") {
            std::snprintf(response, static_cast<size_t>(size), "{\"dns_info\":");
            return 200;
        }
        if (server == "hang") return 703;
        return 503;
    }

    osal::mutex mLock;
    osal::condition_variable mGate;
    bool mOpen = false;
    std::vector<std::string> mUrls;
};

struct Outcome {
    int rc = -2;
    std::string ip;
    int source = -1;
    std::string host;
};

struct Call {
    std::string url = "localhost";
    int timeout_ms = 4000;
    int dns_type = 0;
    const char* custom = nullptr;
    bool force_ipv6 = false;
    int cancel_after_polls = -1;  // -1: never cancel
    int ip_len = 46;
    int host_len = 1024;
};

std::atomic<int> gPolls{0};
std::atomic<int> gCancelAfter{-1};
int CountingCancel(void*) {
    int n = gPolls.fetch_add(1) + 1;
    int after = gCancelAfter.load();
    return after >= 0 && n > after ? 1 : 0;
}

Outcome Resolve(const Call& c) {
    gPolls = 0;
    gCancelAfter = c.cancel_after_polls;
    Outcome out;
    std::vector<char> ip(static_cast<size_t>(std::max(c.ip_len, 1)), '\0');
    std::vector<char> host(static_cast<size_t>(std::max(c.host_len, 1)), '\0');
    out.rc = resolve_ip_cancellable(c.url.c_str(), ip.data(), c.ip_len, &out.source, host.data(), c.host_len,
                                    c.timeout_ms, c.dns_type, c.custom, CountingCancel, nullptr, c.force_ipv6);
    out.ip = ip.data();
    out.host = host.data();
    return out;
}

// A resolution on a thread of its own, for tests that move the simulated clock while it waits.
class Background {
public:
    explicit Background(Call call) : mCall(std::move(call)), mThread(Run, this) {}
    ~Background() {
        if (mThread.joinable()) mThread.join();
    }
    bool Done() const { return mDone.load(); }
    Outcome Join() {
        mThread.join();
        return mOutcome;
    }

private:
    static void Run(void* arg) {
        osal::SetCurrentThreadName("ResolveCaller");
        auto* self = static_cast<Background*>(arg);
        self->mOutcome = Resolve(self->mCall);
        self->mDone = true;
    }
    Call mCall;
    Outcome mOutcome;
    std::atomic<bool> mDone{false};
    osal::thread mThread;
};

// Polls `condition` for up to two seconds of real time.
template <typename F>
bool Eventually(F condition) {
    for (int i = 0; i < 400; ++i) {
        if (condition()) return true;
        osal_sleep_ms(5);
    }
    return condition();
}

class DnsResolver : public ::testing::Test {
protected:
    void SetUp() override {
        FakeDns::Get().Reset();
        set_http_get_func(FakeDns::HttpGet);
        set_http_post_func(nullptr);
        dns_resolver::SetBuiltInServersForTesting({"hang", "hang"});
    }
    void TearDown() override {
        // Late lookups end on their own; wait for them so that no test outlives its fakes.
        FakeDns::Get().Open();
        EXPECT_TRUE(Eventually([] { return dns_resolver::LiveLookupsForTesting() == 0; }));
        dns_resolver::SetBuiltInServersForTesting({});
        dns_resolver::set_force_ipv6(false);
        set_http_get_func(nullptr);
    }
};

TEST_F(DnsResolver, CustomServersAreRacedInListOrderWithTheirSourceCodes) {
    const struct {
        const char* custom;
        int dns_type;
        const char* ip;
        int source;
    } cases[] = {
        {"ok5", 0, "192.0.2.5", 15},
        {"fail,ok6", 0, "192.0.2.6", 16},
        {"fail,bad,ok7", 0, "192.0.2.7", 17},
        {"fail,fail,", 0, "127.0.0.1", 17},  // trailing comma: a system lookup
        {",fail", 0, "127.0.0.1", 15},
        {"ok8", DnsLocalOnly, "192.0.2.8", 15},  // the policy does not apply to custom lists
        {"fail,", DnsHttpOnly, "127.0.0.1", 16},
    };
    for (const auto& c : cases) {
        Call call;
        call.custom = c.custom;
        call.dns_type = c.dns_type;
        Outcome out = Resolve(call);
        EXPECT_EQ(out.rc, 0) << c.custom;
        EXPECT_EQ(out.ip, c.ip) << c.custom;
        EXPECT_EQ(out.source, c.source) << c.custom;
        EXPECT_EQ(out.host, "localhost");
    }
}

TEST_F(DnsResolver, TwoCustomServersStartTwoLookupsAndNoSystemLookup) {
    Call call;
    call.url = "zrtc://edge.example:1106/app/stream";
    call.custom = "fail,bad";
    platform_test::LogCapture log;
    Outcome out = Resolve(call);
    EXPECT_EQ(out.rc, -1);
    EXPECT_EQ(out.host, "edge.example");
    std::vector<std::string> urls = FakeDns::Get().Urls();
    std::sort(urls.begin(), urls.end());
    EXPECT_EQ(urls, (std::vector<std::string>{
                                          "http://bad/multi_httpdns_resolve?qtype=a&host_key=edge.example",
                                          "http://fail/multi_httpdns_resolve?qtype=a&host_key=edge.example"}));
    EXPECT_TRUE(log.Has("HttpDNS server unavailable. Resolve failed!"));
    EXPECT_TRUE(log.Has("HttpDNS answer refused: not JSON"));
    EXPECT_FALSE(log.Has("resolve_thread:localdns"));
}

TEST_F(DnsResolver, BuiltInServersRaceTheSystemLookup) {
    // Both built-in servers hang: the system lookup (source 10) answers first.
    Outcome out = Resolve(Call{});
    EXPECT_EQ(out.rc, 0);
    EXPECT_EQ(out.ip, "127.0.0.1");
    EXPECT_EQ(out.source, 10);
    // The lookups run on detached threads: the system answer may come before both requests are out.
    std::vector<std::string> urls = FakeDns::Get().Urls();
    for (int i = 0; i < 2000 && urls.size() < 2; ++i) {
        osal_sleep_ms(1);
        urls = FakeDns::Get().Urls();
    }
    EXPECT_EQ(urls.size(), 2u);

    dns_resolver::SetBuiltInServersForTesting({"fail", "ok4"});
    Call http_only;
    http_only.dns_type = DnsHttpOnly;
    out = Resolve(http_only);
    EXPECT_EQ(out.ip, "192.0.2.4");
    EXPECT_EQ(out.source, 16);
}

TEST_F(DnsResolver, LocalOnlyTakesTheSystemAnswerOverEarlierServerAnswers) {
    dns_resolver::SetBuiltInServersForTesting({"ok1", "ok2"});
    Call call;
    call.dns_type = DnsLocalOnly;
    Outcome out = Resolve(call);
    EXPECT_EQ(out.rc, 0);
    EXPECT_EQ(out.ip, "127.0.0.1");
    EXPECT_EQ(out.source, 10);
}

// DnsHttpOnly, and only the system lookup answers: the call waits for the deadline and then takes
// the refused answer all the same.
TEST_F(DnsResolver, HttpOnlyFallsBackToTheSystemAnswerAtTheDeadline) {
    osal::SimulatedClock clock;
    Call call;
    call.dns_type = DnsHttpOnly;
    Background resolution(call);
    // The system lookup has ended (two built-in lookups still hang), the slices keep polling...
    ASSERT_TRUE(Eventually([] { return dns_resolver::LiveLookupsForTesting() == 2 && gPolls.load() > 3; }));
    EXPECT_FALSE(resolution.Done());
    clock.Advance(3999);
    int polls = gPolls.load();
    ASSERT_TRUE(Eventually([&] { return gPolls.load() > polls + 2; }));
    EXPECT_FALSE(resolution.Done());
    // ...until the deadline.
    clock.Advance(1);
    Outcome out = resolution.Join();
    EXPECT_EQ(out.rc, 0);
    EXPECT_EQ(out.ip, "127.0.0.1");
    EXPECT_EQ(out.source, 10);
}

TEST_F(DnsResolver, HttpOnlyTakesALateServerAnswerBeforeTheDeadline) {
    osal::SimulatedClock clock;
    dns_resolver::SetBuiltInServersForTesting({"late9", "hang"});
    Call call;
    call.dns_type = DnsHttpOnly;
    Background resolution(call);
    ASSERT_TRUE(Eventually([] { return dns_resolver::LiveLookupsForTesting() == 2 && gPolls.load() > 3; }));
    EXPECT_FALSE(resolution.Done());
    FakeDns::Get().Open();
    Outcome out = resolution.Join();  // the clock never moved
    EXPECT_EQ(out.ip, "192.0.2.9");
    EXPECT_EQ(out.source, 15);
}

TEST_F(DnsResolver, ShortDeadlinesAreRaisedTo30Ms) {
    osal::SimulatedClock clock;
    Call call;
    call.custom = "hang";
    call.timeout_ms = 5;
    Background resolution(call);
    ASSERT_TRUE(Eventually([] { return gPolls.load() > 2; }));
    clock.Advance(10);
    int polls = gPolls.load();
    ASSERT_TRUE(Eventually([&] { return gPolls.load() > polls + 2; }));
    EXPECT_FALSE(resolution.Done());
    clock.Advance(20);
    EXPECT_EQ(resolution.Join().rc, -1);
}

TEST_F(DnsResolver, CancelEndsTheWaitAndLateThreadsCleanUp) {
    Call call;
    call.custom = "hang,late3";
    call.cancel_after_polls = 0;
    int64_t started = osal_get_time_ms();
    EXPECT_EQ(Resolve(call).rc, -1);
    EXPECT_EQ(gPolls.load(), 1);
    EXPECT_LT(osal_get_time_ms() - started, 1000);
    EXPECT_EQ(dns_resolver::LiveLookupsForTesting(), 2);  // still running; TearDown waits for them

    // Cancelling later: polled once per slice even while the clock stands still.
    osal::SimulatedClock clock;
    call.cancel_after_polls = 3;
    EXPECT_EQ(Resolve(call).rc, -1);
    EXPECT_EQ(gPolls.load(), 4);
}

TEST_F(DnsResolver, CancelIgnoresAnswersThePolicyRefused) {
    // The system answer arrives but DnsHttpOnly refuses it; the cancel then wins.
    osal::SimulatedClock clock;
    Call call;
    call.dns_type = DnsHttpOnly;
    call.cancel_after_polls = 20;
    Outcome out = Resolve(call);
    EXPECT_EQ(out.rc, -1);
}

TEST_F(DnsResolver, ForceIpv6AsksForAaaaRecordsAndStays) {
    Call call;
    call.custom = "ok5";
    call.force_ipv6 = true;
    Outcome out = Resolve(call);
    EXPECT_EQ(out.ip, "2001:db8::5");
    EXPECT_TRUE(dns_resolver::get_force_ipv6());
    EXPECT_EQ(FakeDns::Get().Urls().back(), "http://ok5/multi_httpdns_resolve?qtype=aaaa&host_key=localhost");
    // The non-cancellable entry keeps the flag of the last cancellable call.
    dns_resolver::SetBuiltInServersForTesting({"ok6", "ok6"});
    char ip[46];
    char host[64];
    EXPECT_EQ(resolve_ip("http://edge.example/x", ip, sizeof(ip), host, sizeof(host), 1000), 0);
    EXPECT_STREQ(ip, "2001:db8::6");
    EXPECT_STREQ(host, "edge.example");
}

TEST_F(DnsResolver, InvalidArgumentsFailAtOnceWithoutLookups) {
    char ip[46];
    char host[1024];
    int source = 0;
    std::string long_host(1024, 'h');
    EXPECT_EQ(resolve_ip_cancellable(nullptr, ip, 46, &source, host, 1024, 100, 0, "ok1", nullptr, nullptr, false),
              -1);
    EXPECT_EQ(resolve_ip_cancellable("h.example", nullptr, 46, &source, host, 1024, 100, 0, "ok1", nullptr, nullptr,
                                     false),
              -1);
    EXPECT_EQ(resolve_ip_cancellable("h.example", ip, 15, &source, host, 1024, 100, 0, "ok1", nullptr, nullptr, false),
              -1);
    EXPECT_EQ(resolve_ip_cancellable("h.example", ip, 46, nullptr, host, 1024, 100, 0, "ok1", nullptr, nullptr, false),
              -1);
    EXPECT_EQ(resolve_ip_cancellable("h.example", ip, 46, &source, nullptr, 1024, 100, 0, "ok1", nullptr, nullptr,
                                     false),
              -1);
    EXPECT_EQ(resolve_ip_cancellable(long_host.c_str(), ip, 46, &source, host, 1024, 100, 0, "ok1", nullptr, nullptr,
                                     false),
              -1);
    EXPECT_EQ(resolve_ip(nullptr, ip, 46, host, 1024, 100), -1);
    EXPECT_EQ(resolve_ip("h.example", ip, 8, host, 1024, 100), -1);
    EXPECT_TRUE(FakeDns::Get().Urls().empty());
    EXPECT_EQ(dns_resolver::LiveLookupsForTesting(), 0);
}

TEST_F(DnsResolver, TheFullHostIsResolvedAndACutAddressIsRefused) {
    Call call;
    call.url = "http://localhost:8080/path";
    call.custom = ",";  // two system lookups
    call.host_len = 5;
    Outcome out = Resolve(call);
    EXPECT_EQ(out.rc, 0);
    EXPECT_EQ(out.host, "loca");
    EXPECT_EQ(out.ip, "127.0.0.1");

    Call narrow;
    narrow.custom = "long6";
    narrow.ip_len = 16;
    EXPECT_EQ(Resolve(narrow).rc, -1);
    narrow.ip_len = 40;
    EXPECT_EQ(Resolve(narrow).ip, "2001:db8:1234:5678:9abc:def0:1234:5678");
}

// Several engines resolve at once; each gets its own answer.
TEST_F(DnsResolver, ConcurrentResolutions) {
    FakeDns::Get().Open();
    struct Job {
        std::string custom;
        Outcome out;
    };
    std::vector<Job> jobs;
    for (int i = 1; i <= 8; ++i) jobs.push_back(Job{"fail,late" + std::to_string(i) + ",ok" + std::to_string(i), {}});
    std::vector<osal::thread> threads;
    threads.reserve(jobs.size());
    for (Job& job : jobs) {
        threads.emplace_back(
            [](void* arg) {
                auto* j = static_cast<Job*>(arg);
                char ip[46] = {0};
                char host[64];
                int source = 0;
                j->out.rc = resolve_ip_cancellable("localhost", ip, 46, &source, host, 64, 4000, 0, j->custom.c_str(),
                                                   nullptr, nullptr, false);
                j->out.ip = ip;
                j->out.source = source;
            },
            &job);
    }
    for (osal::thread& t : threads) t.join();
    for (size_t i = 0; i < jobs.size(); ++i) {
        EXPECT_EQ(jobs[i].out.rc, 0);
        EXPECT_EQ(jobs[i].out.ip, "192.0.2." + std::to_string(i + 1));
    }
}

}  // namespace
