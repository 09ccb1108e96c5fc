#include "api/HelpSupportId.h"

#include <cstdio>
#include <cstring>
#include <ctime>

#include "vrio/osal.h"

namespace zeqnet {

namespace {
constexpr size_t kMaxEncodedHost = 64;
bool IsAlnum(unsigned char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
}  // namespace

std::string HelpUrlEncode(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (unsigned char c : text) {
        if (IsAlnum(c)) {
            out += static_cast<char>(c);
        } else if (c == ' ') {
            out += '+';
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::string UrlHost(const char* url) {
    if (!url) return {};
    const char* start = std::strstr(url, "://");
    if (!start) return {};
    start += 3;
    const char* end = std::strchr(start, '/');
    return end ? std::string(start, end) : std::string(start);
}

std::string UtcStamp(int64_t ms) {
    time_t seconds = static_cast<time_t>(ms / 1000);
    tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32];
    snprintf(text, sizeof(text), "%04d%02d%02d%02d%02d%02d", utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday,
             utc.tm_hour, utc.tm_min, utc.tm_sec);
    return text;
}

std::string RandomAlnum(size_t n) {
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string out;
    out.reserve(n);
    for (size_t i = 0; i < n; ++i) out += kChars[static_cast<size_t>(osal_rand()) % (sizeof(kChars) - 1)];
    return out;
}

std::string BuildHelpSupportId(const char* prefix, const char* url, int64_t now_ms, const std::string& random16) {
    std::string host = HelpUrlEncode(UrlHost(url));
    if (host.size() > kMaxEncodedHost) host.resize(kMaxEncodedHost);
    std::string id = HelpUrlEncode(prefix ? prefix : "");
    id += '-';
    id += host;
    id += "-harmony-";
    id += UtcStamp(now_ms);
    id += '-';
    id += random16;
    return id;
}

}  // namespace zeqnet
