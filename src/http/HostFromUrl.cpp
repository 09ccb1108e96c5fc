#include "http/HostFromUrl.h"

#include <algorithm>
#include <cstring>

#include "osal/SystemLog.h"

namespace ZeqUtils {

std::string ExtractHost(const char* url) {
    if (!url) return std::string();
    const char* start = url;
    if (const char* scheme_end = std::strstr(url, "://")) start = scheme_end + 3;
    size_t end = std::strcspn(start, "/");
    const void* colon = std::memchr(start, ':', end);
    if (colon) end = static_cast<size_t>(static_cast<const char*>(colon) - start);
    return std::string(start, end);
}

bool GetHostFromUrl(const char* url, char* host, int host_len) {
    if (!url || !host) {
        osal::SysLogAssert("GetHostFromUrl", __LINE__);
        return false;
    }
    if (host_len <= 2) osal::SysLogAssert("GetHostFromUrl", __LINE__);
    std::string text = ExtractHost(url);
    if (text.size() < 2) osal::SysLogAssert("GetHostFromUrl", __LINE__);
    if (host_len < 1) return true;
    size_t n = std::min(text.size(), static_cast<size_t>(host_len) - 1);
    std::memcpy(host, text.data(), n);
    host[n] = '\0';
    return true;
}

}  // namespace ZeqUtils
