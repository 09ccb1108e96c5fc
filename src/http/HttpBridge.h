// The bridge request: a blocking HTTP request handed to the host's script thread and answered by
// the script through the response handler.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zeqhttp {

// Result codes of a bridge request besides the HTTP statuses the script reports.
constexpr int kHttpOk = 200;
constexpr int kHttpInvalidArguments = 700;
constexpr int kHttpNotQueued = 701;
constexpr int kHttpEmptyBody = 702;
constexpr int kHttpTimeout = 703;

// A script answer keeps at most this many bytes of response text.
constexpr size_t kMaxResponseTextBytes = 1023;
// How long a caller waits for the script's answer.
constexpr int64_t kResponseDeadlineMs = 60000;

// What travels to the script thread. Owns copies of everything, so it never refers to the
// caller's memory: it may outlive the request (a record still queued when its request gave up).
struct HttpRequestRecord {
    std::string id;
    bool is_post = false;
    std::string url;
    std::vector<std::string> headers;  // "name:value" each; empty for GET
    std::vector<uint8_t> body;         // empty when none
};

// Hands records to the script thread. Thread safety: Queue may be called from any thread.
class HttpDispatcher {
public:
    virtual ~HttpDispatcher() = default;
    // Takes the record. True when it was queued; the record is then released by the consumer.
    virtual bool Queue(std::unique_ptr<HttpRequestRecord> record) = 0;
};

// The bridge request (both the GET and the POST function of the bridge end here). Returns 200
// with the body copied into `response` (cut to response_size - 1 bytes, NUL-terminated), another
// HTTP status with `response` left empty, or 700 / 701 / 702 / 703 (see the constants).
int BridgeRequest(bool is_post, const char* url, const char* const* headers, int header_count, const void* body,
                  int body_len, char* response, int response_size);

// The script's answer for request `id`: `code` is decimal text (at most 4 characters are read),
// `text` the response (cut to kMaxResponseTextBytes). An unknown id (a request that already
// ended) is logged and dropped.
void OnResponse(const std::string& id, const char* code, const char* text, size_t text_len);

// Test seams. SetDispatcherForTesting(nullptr) restores the Node-API dispatcher; both return the
// previous value. The deadline setter changes the wait of requests that start afterwards.
HttpDispatcher* SetDispatcherForTesting(HttpDispatcher* dispatcher);
int64_t SetResponseDeadlineForTesting(int64_t deadline_ms);

}  // namespace zeqhttp
