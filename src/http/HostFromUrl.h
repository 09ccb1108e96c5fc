// The host part of a URL, as the resolver looks it up.
#pragma once

#include <string>

namespace ZeqUtils {

// Everything after the first "://" (or the whole text when there is none) up to the first '/',
// or up to an earlier ':' (the port is dropped). "" for null.
std::string ExtractHost(const char* url);

// ExtractHost into `host`, cut to host_len - 1 characters and NUL-terminated. A buffer of 2 bytes
// or less and a host shorter than 2 characters are reported as assertion failures and the copy
// goes on; a null URL or buffer is reported the same way and nothing is read or written through
// it. False only for a null URL or buffer.
bool GetHostFromUrl(const char* url, char* host, int host_len);

}  // namespace ZeqUtils
