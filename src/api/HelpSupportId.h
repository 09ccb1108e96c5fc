// The help-support identifier that names a session: prefix, host, platform, UTC time, random tail.
#pragma once

#include <cstdint>
#include <string>

namespace zeqnet {

// Letters and digits stay, a space becomes '+', every other byte "%XX" (upper-case hex).
std::string HelpUrlEncode(const std::string& text);

// The text between "://" and the next '/' (empty when the URL has no "://").
std::string UrlHost(const char* url);

// "YYYYMMDDhhmmss" of the UTC time `ms` since the epoch.
std::string UtcStamp(int64_t ms);

// `n` random letters and digits drawn from osal_rand.
std::string RandomAlnum(size_t n);

// prefix-host-harmony-time-random, with prefix and host encoded and the host cut to 64 characters.
std::string BuildHelpSupportId(const char* prefix, const char* url, int64_t now_ms, const std::string& random16);

}  // namespace zeqnet
