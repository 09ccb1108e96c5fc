#include "CurlHttp.h"

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <string>

#include "http/os_http.h"

namespace vrio_tools {

namespace {

constexpr int kOk = 200;
constexpr int kInvalidArguments = 700;
constexpr int kEmptyBody = 702;
constexpr int kTimeout = 703;
// Connecting gets a fraction of the transfer limit: an unreachable host fails early.
constexpr long kConnectTimeoutMs = 10000;

std::atomic<long> gTimeoutMs{60000};
std::once_flag gGlobalInit;

struct Sink {
    std::string body;
    size_t limit;  // bytes worth keeping: the caller's buffer less the NUL
};

size_t Collect(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<Sink*>(user);
    size_t n = size * count;
    if (sink->body.size() < sink->limit) sink->body.append(data, std::min(n, sink->limit - sink->body.size()));
    return n;  // read the rest too, so that the status is the server's
}

int Perform(bool post, const char* url, const char** headers, int header_count, const void* body, int body_len,
            char* response, int response_size) {
    if (!url || !*url || header_count < 0 || (header_count > 0 && !headers)) return kInvalidArguments;
    if (post ? (response && response_size < 2) : (!response || response_size < 2)) return kInvalidArguments;
    if (response) response[0] = '\0';
    std::call_once(gGlobalInit, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    CURL* curl = curl_easy_init();
    if (!curl) return 0;
    Sink sink{std::string(), response ? static_cast<size_t>(response_size) - 1 : 0};
    curl_slist* list = nullptr;
    for (int i = 0; i < header_count; ++i) {
        if (headers[i]) list = curl_slist_append(list, headers[i]);
    }
    curl_easy_setopt(curl, CURLOPT_URL, url);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);  // threads: no SIGALRM-based name lookups
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, gTimeoutMs.load());
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, std::min(kConnectTimeoutMs, gTimeoutMs.load()));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    if (const char* ca = get_ca_file()) curl_easy_setopt(curl, CURLOPT_CAINFO, ca);
    if (list) curl_easy_setopt(curl, CURLOPT_HTTPHEADER, list);
    if (post) {
        curl_easy_setopt(curl, CURLOPT_POST, 1L);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(body && body_len > 0 ? body_len : 0));
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body && body_len > 0 ? body : "");
    }
    CURLcode rc = curl_easy_perform(curl);
    long status = 0;
    if (rc == CURLE_OK) curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_slist_free_all(list);
    curl_easy_cleanup(curl);
    if (rc == CURLE_OPERATION_TIMEDOUT) return kTimeout;
    if (rc != CURLE_OK) return 0;
    if (response && status == kOk) {
        if (sink.body.empty()) return kEmptyBody;
        std::memcpy(response, sink.body.data(), sink.body.size());
        response[sink.body.size()] = '\0';
    }
    return static_cast<int>(status);
}

}  // namespace

int CurlHttpGet(const char* url, char* response, int response_size) {
    return Perform(false, url, nullptr, 0, nullptr, 0, response, response_size);
}

int CurlHttpPost(const char* url, const char** headers, int header_count, const void* body, int body_len,
                 char* response, int response_size) {
    return Perform(true, url, headers, header_count, body, body_len, response, response_size);
}

void SetCurlHttpTimeoutMs(long timeout_ms) { gTimeoutMs.store(timeout_ms > 0 ? timeout_ms : 60000); }

}  // namespace vrio_tools
