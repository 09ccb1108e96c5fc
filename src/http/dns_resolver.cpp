#include "http/dns_resolver.h"

#include <netdb.h>
#include <sys/socket.h>
#include <arpa/inet.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "http/DnsServerList.h"
#include "http/HostFromUrl.h"
#include "http/HttpDnsAnswer.h"
#include "http/os_http.h"
#include "osal/LLog.h"
#include "osal/Thread.h"
#include "vrio/osal.h"

#ifndef VRIO_HTTPDNS_SERVER_A
#define VRIO_HTTPDNS_SERVER_A "httpdns-a.invalid"
#endif
#ifndef VRIO_HTTPDNS_SERVER_B
#define VRIO_HTTPDNS_SERVER_B "httpdns-b.invalid"
#endif

namespace ZeqUtils {

namespace {

// Shortest deadline of a resolution: below it not even a system lookup of a cached name answers.
constexpr int kMinTimeoutMs = 30;
// The caller wakes at least this often to poll its cancel function.
constexpr int kWaitSliceMs = 50;
// Smallest address buffer a caller may pass (a dotted quad and its NUL).
constexpr int kMinIpBytes = 16;
// Address buffer of one lookup: INET6_ADDRSTRLEN.
constexpr int kLookupIpBytes = 46;
// HTTP-DNS answers are read into a buffer of this size.
constexpr int kAnswerBytes = 4096;
// At most this much of the host name goes into an HTTP-DNS query.
constexpr int kMaxQueryHostChars = 200;

std::atomic<bool> gForceIpv6{false};
std::atomic<int> gLiveLookups{0};

osal::mutex& TestServersLock() {
    static osal::mutex* lock = new osal::mutex;
    return *lock;
}
std::vector<std::string>& TestServers() {
    static auto* servers = new std::vector<std::string>;
    return *servers;
}

osal_bool_t StillPending(void* arg) { return *static_cast<int32_t*>(arg) != 0 ? 1 : 0; }

void ThreadEntry(void* arg) { dns_resolver::resolve_thread(static_cast<dns_context*>(arg)); }

void CopyText(char* out, size_t out_size, const std::string& text) {
    size_t n = std::min(text.size(), out_size - 1);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
}

// One race of lookups. The caller's mutex, condition and pending flag live on the caller's stack;
// the lookups reach them through their contexts' links until Release() cuts those.
// Thread safety: owned and used by the calling thread; lookup threads touch only their context and,
// through its links and under its lock, mMutex, mCondition and mPending (guarded by mMutex).
class Race {
public:
    Race(const std::string& host, const std::vector<DnsLookupEntry>& entries) {
        mContexts.reserve(entries.size());  // may throw, but before any thread holds a link
        for (const DnsLookupEntry& entry : entries) Start(host, entry);
    }
    Race(const Race&) = delete;
    Race& operator=(const Race&) = delete;
    ~Race() { Release(); }

    // Waits for an acceptable answer. True with the address and its source code.
    bool Wait(int timeout_ms, bool (*accept)(const dns_context&, int), int policy, int (*cancel)(void*),
              void* cancel_ctx, std::string* ip, int* source) {
        const int64_t deadline = osal_get_time_ms() + timeout_ms;
        for (;;) {
            bool cancelled = false;
            bool exhausted = false;
            // Wait in slices until a lookup succeeds, the time is up, or the caller cancels.
            for (;;) {
                int64_t remaining = deadline - osal_get_time_ms();
                if (remaining <= 0) break;
                if (cancel && cancel(cancel_ctx) == 1) {
                    cancelled = true;
                    break;
                }
                bool woken;
                {
                    osal::lock_guard<osal::mutex> guard(mMutex);
                    woken = mCondition.wait_for(&mMutex, static_cast<int>(std::min<int64_t>(remaining, kWaitSliceMs)),
                                                StillPending, &mPending);
                    if (mPending == 0) {
                        mPending = 1;
                        woken = true;
                    }
                }
                if (woken) break;
                // Every lookup ended without an answer: nothing can arrive any more.
                if (AllEndedEmpty()) {
                    exhausted = true;
                    break;
                }
            }
            if (Pick(accept, policy, ip, source)) return true;
            if (deadline - osal_get_time_ms() <= 0) return Pick(nullptr, policy, ip, source);
            if (cancelled || exhausted) return false;
        }
    }

private:
    void Start(const std::string& host, const DnsLookupEntry& entry) {
        auto* ctx = new (std::nothrow) dns_context;
        if (!ctx) return;
        CopyText(ctx->host, sizeof(ctx->host), host);
        CopyText(ctx->server, sizeof(ctx->server), entry.server);
        ctx->source = entry.source;
        ctx->caller_mutex = &mMutex;
        ctx->caller_condition = &mCondition;
        ctx->caller_pending = &mPending;
        mContexts.push_back(ctx);
        gLiveLookups.fetch_add(1);
        osal::thread lookup(ThreadEntry, ctx);
        if (!lookup.joinable()) {
            gLiveLookups.fetch_sub(1);
            VLOGE("dns_resolver: lookup thread could not be started\n");
            osal::lock_guard<osal::mutex> guard(ctx->lock);
            ctx->reference_count = 1;  // as if its thread had ended without an answer
            return;
        }
        lookup.detach();
    }

    // The first ended lookup with an answer, in list order, that `accept` takes (any with null).
    bool Pick(bool (*accept)(const dns_context&, int), int policy, std::string* ip, int* source) {
        for (dns_context* ctx : mContexts) {
            osal::lock_guard<osal::mutex> guard(ctx->lock);
            if (ctx->reference_count != 1 || ctx->result[0] == '\0') continue;
            if (accept && !accept(*ctx, policy)) continue;
            *ip = ctx->result;
            *source = ctx->source;
            return true;
        }
        return false;
    }

    bool AllEndedEmpty() {
        for (dns_context* ctx : mContexts) {
            osal::lock_guard<osal::mutex> guard(ctx->lock);
            if (ctx->reference_count != 1 || ctx->result[0] != '\0') return false;
        }
        return true;
    }

    // Lets go of every context: an ended lookup's context is deleted here; a running one loses its
    // links to this caller and is deleted by its thread.
    void Release() {
        for (dns_context* ctx : mContexts) {
            bool ended;
            {
                osal::lock_guard<osal::mutex> guard(ctx->lock);
                ended = ctx->reference_count == 1;
                if (!ended) {
                    --ctx->reference_count;
                    ctx->caller_mutex = nullptr;
                    ctx->caller_condition = nullptr;
                    ctx->caller_pending = nullptr;
                }
            }
            if (ended) delete ctx;
        }
        mContexts.clear();
    }

    osal::mutex mMutex;
    osal::condition_variable mCondition;
    int32_t mPending = 1;  // guarded by mMutex
    std::vector<dns_context*> mContexts;
};

bool AcceptByPolicy(const dns_context& ctx, int policy) {
    switch (policy) {
        case DnsHttpOnly: return ctx.server[0] != '\0';
        case DnsLocalOnly: return ctx.server[0] == '\0';
        default: return true;
    }
}

bool AcceptAny(const dns_context&, int) { return true; }

// The common body of both entry points after the argument checks.
int Resolve(const std::string& host, char* ip, size_t ip_len, int* source, int timeout_ms, int dns_type,
            const char* custom_servers, int (*cancel)(void*), void* cancel_ctx) {
    bool custom = custom_servers && *custom_servers;
    std::vector<DnsLookupEntry> entries = BuildServerList(custom_servers, dns_resolver::BuiltInServers());
    if (dns_type < DnsAny || dns_type > DnsLocalOnly) dns_type = DnsAny;
    std::string answer;
    int answer_source = -1;
    bool found;
    {
        Race race(host, entries);
        found = race.Wait(std::max(timeout_ms, kMinTimeoutMs), custom ? AcceptAny : AcceptByPolicy, dns_type, cancel,
                          cancel_ctx, &answer, &answer_source);
    }
    if (!found) {
        VLOGE("dns_resolver: no address for %s\n", host.c_str());
        return -1;
    }
    if (answer.size() + 1 > ip_len) {
        // A cut address would name another host: refuse instead.
        VLOGE("dns_resolver: address %s does not fit %zu bytes\n", answer.c_str(), ip_len);
        return -1;
    }
    std::memcpy(ip, answer.c_str(), answer.size() + 1);
    if (source) *source = answer_source;
    VLOGI("dns_resolver: %s -> %s (source %d)\n", host.c_str(), ip, answer_source);
    return 0;
}

// Host extraction and the argument rules shared by both entry points.
bool Prepare(const char* url, const char* ip, size_t ip_len, char* host, int host_len, std::string* out) {
    if (!GetHostFromUrl(url, host, host_len)) return false;
    *out = ExtractHost(url);
    if (!ip || ip_len < static_cast<size_t>(kMinIpBytes) || out->size() >= sizeof(dns_context::host)) {
        VLOGE("dns_resolver: invalid arguments\n");
        return false;
    }
    return true;
}

}  // namespace

void dns_resolver::set_force_ipv6(bool force) { gForceIpv6.store(force, std::memory_order_relaxed); }
bool dns_resolver::get_force_ipv6() { return gForceIpv6.load(std::memory_order_relaxed); }

std::vector<std::string> dns_resolver::BuiltInServers() {
    osal::lock_guard<osal::mutex> guard(TestServersLock());
    if (!TestServers().empty()) return TestServers();
    return {VRIO_HTTPDNS_SERVER_A, VRIO_HTTPDNS_SERVER_B};
}

void dns_resolver::SetBuiltInServersForTesting(const std::vector<std::string>& servers) {
    osal::lock_guard<osal::mutex> guard(TestServersLock());
    TestServers() = servers;
}

int dns_resolver::LiveLookupsForTesting() { return gLiveLookups.load(); }

int dns_resolver::resolve_ip(const char* url, char* ip, int ip_len, int* source, char* host, int host_len,
                             int timeout_ms, int dns_type, const char* custom_servers, int (*cancel)(void*),
                             void* cancel_ctx, bool force_ipv6) {
    std::string name;
    if (!Prepare(url, ip, ip_len < 0 ? 0 : static_cast<size_t>(ip_len), host, host_len, &name)) return -1;
    if (!source) {
        VLOGE("dns_resolver: invalid arguments\n");
        return -1;
    }
    set_force_ipv6(force_ipv6);
    return Resolve(name, ip, static_cast<size_t>(ip_len), source, timeout_ms, dns_type, custom_servers, cancel,
                   cancel_ctx);
}

int dns_resolver::resolve_ip(const char* url, char* ip, unsigned ip_len, char* host, int host_len, int timeout_ms) {
    std::string name;
    if (!Prepare(url, ip, ip_len, host, host_len, &name)) return -1;
    return Resolve(name, ip, ip_len, nullptr, timeout_ms, DnsAny, nullptr, nullptr, nullptr);
}

void dns_resolver::resolve_thread(dns_context* ctx) {
    char ip[kLookupIpBytes] = {0};
    bool ok;
    if (ctx->server[0] != '\0') {
        ok = resolve_httpdns(ctx, ip, sizeof(ip));
        VLOGI("resolve_thread:httpdns IP=%s", ip);
    } else {
        ok = resolve_localdns(ctx, ip, sizeof(ip));
        VLOGI("resolve_thread:localdns IP=%s", ip);
    }
    bool caller_left;
    {
        // One hold of the lock for the answer, the wake-up and the count: once the count reads 1
        // the caller may delete the context at any moment.
        osal::lock_guard<osal::mutex> guard(ctx->lock);
        if (ok) {
            CopyText(ctx->result, sizeof(ctx->result), ip);
        } else {
            ctx->result[0] = '\0';
        }
        if (ctx->result[0] != '\0' && ctx->caller_mutex && ctx->caller_condition && ctx->caller_pending) {
            osal::lock_guard<osal::mutex> caller(*ctx->caller_mutex);
            *ctx->caller_pending = 0;
            ctx->caller_condition->notify_one();
        }
        caller_left = ctx->reference_count == 1;
        if (ctx->reference_count > 1) --ctx->reference_count;
    }
    if (caller_left) delete ctx;
    gLiveLookups.fetch_sub(1);
}

bool dns_resolver::resolve_httpdns(dns_context* ctx, char* ip, int ip_len) {
    if (!ctx || !ip || ip_len <= 0) return false;
    ip[0] = '\0';
    bool ipv6 = get_force_ipv6();
    char url[512];
    std::snprintf(url, sizeof(url), "http://%s/multi_httpdns_resolve?qtype=%s&host_key=%.*s", ctx->server,
                  ipv6 ? "aaaa" : "a", kMaxQueryHostChars, ctx->host);
    std::unique_ptr<char[]> answer(new (std::nothrow) char[kAnswerBytes]);
    if (!answer) return false;
    answer[0] = '\0';
    int result = OS_HttpGet(url, answer.get(), kAnswerBytes);
    size_t len = strnlen(answer.get(), kAnswerBytes);
    if (result != 200 || len == 0) {
        VLOGE("HttpDNS server unavailable. Resolve failed!");
        return false;
    }
    if (ipv6) VLOGI("resolve_thread:httpdns got IPv6 addresses.");
    return ParseHttpDnsAnswer(answer.get(), len, ip, static_cast<size_t>(ip_len));
}

bool dns_resolver::resolve_localdns(dns_context* ctx, char* ip, int ip_len) {
    if (!ctx || !ip || ip_len <= 0) return false;
    ip[0] = '\0';
    const size_t size = static_cast<size_t>(ip_len);
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    if (!get_force_ipv6()) {
        hints.ai_family = AF_INET;
        if (getaddrinfo(ctx->host, nullptr, &hints, &list) != 0) list = nullptr;
        for (addrinfo* it = list; it; it = it->ai_next) {
            char text[INET_ADDRSTRLEN];
            if (it->ai_family != AF_INET) continue;
            const auto* address = reinterpret_cast<const sockaddr_in*>(it->ai_addr);
            if (!inet_ntop(AF_INET, &address->sin_addr, text, sizeof(text)) || std::strlen(text) + 1 > size) continue;
            std::memcpy(ip, text, std::strlen(text) + 1);
            VLOGI("resolve_thread:localdns got IPv4:%s", ip);
            break;
        }
        if (list) freeaddrinfo(list);
        return ip[0] != '\0';
    }

    hints.ai_family = AF_INET6;
    int rc = getaddrinfo(ctx->host, nullptr, &hints, &list);
    if (rc != 0) {
        VLOGE("resolve_thread: localdns getaddrinfo error = %s", gai_strerror(rc));
        return false;
    }
    char v4[INET_ADDRSTRLEN] = {0};
    char v6[INET6_ADDRSTRLEN] = {0};
    for (addrinfo* it = list; it; it = it->ai_next) {
        if (it->ai_family == AF_INET && v4[0] == '\0') {
            inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(it->ai_addr)->sin_addr, v4, sizeof(v4));
        } else if (it->ai_family == AF_INET6 && v6[0] == '\0') {
            inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(it->ai_addr)->sin6_addr, v6, sizeof(v6));
        }
    }
    freeaddrinfo(list);
    VLOGI("resolve_thread:localdns got IPv4:%s , IPv6:%s", v4, v6);
    const char* chosen = v4[0] != '\0' ? v4 : v6;
    if (chosen[0] == '\0') {
        VLOGE("Both IPv4 and IPv6 not available. Resolve failed!");
        return false;
    }
    if (std::strlen(chosen) + 1 > size) return false;
    std::memcpy(ip, chosen, std::strlen(chosen) + 1);
    return true;
}

}  // namespace ZeqUtils

extern "C" int resolve_ip_cancellable(const char* url, char* ip, int ip_len, int* source, char* host, int host_len,
                                      int timeout_ms, int dns_type, const char* custom_servers,
                                      int (*cancel)(void*), void* cancel_ctx, bool force_ipv6) {
    try {
        return ZeqUtils::dns_resolver::resolve_ip(url, ip, ip_len, source, host, host_len, timeout_ms, dns_type,
                                                  custom_servers, cancel, cancel_ctx, force_ipv6);
    } catch (...) {
        return -1;
    }
}

extern "C" int resolve_ip(const char* url, char* ip, unsigned ip_len, char* host, int host_len, int timeout_ms) {
    try {
        return ZeqUtils::dns_resolver::resolve_ip(url, ip, ip_len, host, host_len, timeout_ms);
    } catch (...) {
        return -1;
    }
}
