// GET and POST functions over libcurl for native embedders (players and tools without a script
// runtime). Install them with set_http_get_func(CurlHttpGet) and set_http_post_func(CurlHttpPost).
//
// They answer like the bridge: 200 with the body copied into `response` (cut to response_size - 1
// bytes, NUL-terminated), another HTTP status with `response` left empty, 700 for invalid
// arguments, 702 for HTTP 200 with an empty body (when a buffer was given), 703 when the transfer
// timed out, and 0 when no HTTP answer was had at all (refused connection, unknown host, ...).
// Plain http:// and https:// (with the CA file of get_ca_file() when one is set).
#pragma once

namespace vrio_tools {

int CurlHttpGet(const char* url, char* response, int response_size);
int CurlHttpPost(const char* url, const char** headers, int header_count, const void* body, int body_len,
                 char* response, int response_size);

// Transfer time limit of both functions (default 60 s, like the bridge). Any thread.
void SetCurlHttpTimeoutMs(long timeout_ms);

}  // namespace vrio_tools
