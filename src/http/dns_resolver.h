// Turns a media edge's host name into one IP address by racing HTTP-DNS queries against the
// system resolver.
//
// Each lookup runs on a detached thread of its own; the caller waits with a deadline in slices of
// at most 50 ms, polling its cancel function between slices, and takes the first answer its
// policy accepts (or, at the deadline, the first answer of any source). Late threads finish on
// their own and never touch the caller's memory after it has returned.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "http/dns_context.h"

// Source policy of a resolution.
enum DnsType {
    DnsAny = 0,        // any lookup
    DnsHttpOnly = 1,   // HTTP-DNS lookups only (before the deadline)
    DnsLocalOnly = 2,  // the system-resolver lookup only (before the deadline)
};

extern "C" {
// 0 with the address in `ip` and its source code in `*source` (10 = the system lookup after the
// built-in servers, 15 + i = entry i of the server list in use); -1 otherwise, also for invalid
// arguments (null url, host, ip or source; ip_len below 16; a host of 1024 characters or more).
// `host` receives the host part of `url`. Sets the process-wide force-IPv6 flag.
int resolve_ip_cancellable(const char* url, char* ip, int ip_len, int* source, char* host, int host_len,
                           int timeout_ms, int dns_type, const char* custom_servers, int (*cancel)(void*),
                           void* cancel_ctx, bool force_ipv6);
// The built-in servers plus the system resolver, first answer in list order, no cancellation.
int resolve_ip(const char* url, char* ip, unsigned ip_len, char* host, int host_len, int timeout_ms);
}

namespace ZeqUtils {

// Thread safety: every function may be called from any thread, any number of resolutions at once.
class dns_resolver {
public:
    static void set_force_ipv6(bool force);
    static bool get_force_ipv6();

    static int resolve_ip(const char* url, char* ip, int ip_len, int* source, char* host, int host_len,
                          int timeout_ms, int dns_type, const char* custom_servers, int (*cancel)(void*),
                          void* cancel_ctx, bool force_ipv6);
    static int resolve_ip(const char* url, char* ip, unsigned ip_len, char* host, int host_len, int timeout_ms);

    // The lookup thread's body; deletes `ctx` when the caller has already let go of it.
    static void resolve_thread(dns_context* ctx);
    static bool resolve_httpdns(dns_context* ctx, char* ip, int ip_len);
    static bool resolve_localdns(dns_context* ctx, char* ip, int ip_len);

    // The two built-in HTTP-DNS servers (deployment values fixed at build time).
    static std::vector<std::string> BuiltInServers();

    // Test seams: replace the built-in servers (an empty list restores them), and count the lookup
    // threads that have not ended yet.
    static void SetBuiltInServersForTesting(const std::vector<std::string>& servers);
    static int LiveLookupsForTesting();
};

}  // namespace ZeqUtils
