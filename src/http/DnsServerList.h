// Which lookups one resolution races: HTTP-DNS servers and system-resolver lookups.
#pragma once

#include <string>
#include <vector>

namespace ZeqUtils {

// Source code of the system lookup that follows the built-in servers.
constexpr int kSourceSystemAfterBuiltIn = 10;
// Source code of the i-th entry of the server list in use: kSourceFirstServer + i.
constexpr int kSourceFirstServer = 15;
// Longest server text (host with optional port) a lookup can hold.
constexpr size_t kMaxServerTextBytes = 127;
// Lookups one resolution starts at most: each is a thread, and a configured text must not be
// able to start thousands of them. Far more than any deployment lists.
constexpr size_t kMaxLookups = 16;

struct DnsLookupEntry {
    std::string server;  // empty: the system resolver
    int source = 0;
};

// With a non-empty custom text: one entry per piece of `custom + ","` that ends at a ',' (an
// empty piece is a system lookup), no further system lookup. Otherwise the built-in servers
// followed by one system lookup (source 10). Entries beyond kMaxLookups are dropped with a log
// line; a server longer than kMaxServerTextBytes is reported as an assertion failure and its
// entry dropped (its source code stays taken).
std::vector<DnsLookupEntry> BuildServerList(const char* custom_servers, const std::vector<std::string>& built_in);

}  // namespace ZeqUtils
