#include "http/HttpBridge.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "http/HttpRequestMap.h"
#include "http/MonotonicCondition.h"
#include "http/NapiModule.h"
#include "osal/LLog.h"

namespace zeqhttp {

namespace {

std::atomic<HttpDispatcher*> gTestDispatcher{nullptr};

#ifdef VRIO_HTTP_TEST_HOOKS
// Test builds only: the environment may shorten the deadline for a whole process (the script
// tests run the real library inside node and cannot reach the C++ setter).
int64_t InitialDeadlineMs() {
    const char* text = std::getenv("VRIO_TEST_HTTP_DEADLINE_MS");
    if (!text || !*text) return kResponseDeadlineMs;
    char* end = nullptr;
    long long value = std::strtoll(text, &end, 10);
    if (*end != '\0' || value < 1 || value > kResponseDeadlineMs) return kResponseDeadlineMs;
    return value;
}
#else
int64_t InitialDeadlineMs() { return kResponseDeadlineMs; }
#endif

std::atomic<int64_t>& DeadlineMs() {
    static std::atomic<int64_t> deadline{InitialDeadlineMs()};
    return deadline;
}

HttpDispatcher& Dispatcher() {
    HttpDispatcher* test = gTestDispatcher.load(std::memory_order_acquire);
    return test ? *test : NapiDispatcher();
}

bool ValidArguments(bool is_post, const char* url, const char* const* headers, int header_count,
                    const char* response, int response_size) {
    if (!url || !*url) return false;
    if (header_count < 0 || (header_count > 0 && !headers)) return false;
    if (!is_post) return response && response_size >= 2;
    return !response || response_size >= 2;  // a POST may pass no buffer at all
}

// Removes the context from the map whatever way the request ends.
class MapEntry {
public:
    explicit MapEntry(std::string id) : mId(std::move(id)) {}
    ~MapEntry() { HttpRequestMap::Get().Remove(mId); }
    MapEntry(const MapEntry&) = delete;
    MapEntry& operator=(const MapEntry&) = delete;

private:
    std::string mId;
};

}  // namespace

int BridgeRequest(bool is_post, const char* url, const char* const* headers, int header_count, const void* body,
                  int body_len, char* response, int response_size) {
    if (!ValidArguments(is_post, url, headers, header_count, response, response_size)) {
        VLOGE("os_http_post_get, invalid arguments.\n");
        return kHttpInvalidArguments;
    }
    if (response) response[0] = '\0';

    std::shared_ptr<HttpRequestContext> context = HttpRequestMap::Get().Create();
    MapEntry entry(context->id());

    auto record = std::make_unique<HttpRequestRecord>();
    record->id = context->id();
    record->is_post = is_post;
    record->url = url;
    for (int i = 0; i < header_count; ++i) {
        if (headers[i]) record->headers.emplace_back(headers[i]);
    }
    if (body && body_len > 0) {
        const auto* bytes = static_cast<const uint8_t*>(body);
        record->body.assign(bytes, bytes + body_len);
    }

    if (!Dispatcher().Queue(std::move(record))) {
        VLOGE("os_http_post_get, napi_call_threadsafe_function failed.\n");
        return kHttpNotQueued;
    }

    int64_t deadline = MonotonicNowMs() + DeadlineMs().load(std::memory_order_relaxed);
    int32_t status = 0;
    std::string text;
    if (!context->WaitForAnswer(deadline, &status, &text)) {
        VLOGE("os_http_post_get, Get HTTP response timeout!\n");
        return kHttpTimeout;
    }
    if (response && status == kHttpOk) {
        if (text.empty()) return kHttpEmptyBody;
        size_t n = std::min(text.size(), static_cast<size_t>(response_size) - 1);
        std::memcpy(response, text.data(), n);
        response[n] = '\0';
    }
    return status;
}

void OnResponse(const std::string& id, const char* code, const char* text, size_t text_len) {
    std::shared_ptr<HttpRequestContext> context = HttpRequestMap::Get().Find(id);
    if (!context) {
        VLOGE("[Native]OnHttpResponse, failed to get response context.");
        return;
    }
    char digits[5] = {0};
    for (size_t i = 0; code && i < 4 && code[i]; ++i) digits[i] = code[i];
    std::string body;
    if (text) body.assign(text, std::min(text_len, kMaxResponseTextBytes));
    context->Deliver(std::atoi(digits), std::move(body));
}

HttpDispatcher* SetDispatcherForTesting(HttpDispatcher* dispatcher) {
    return gTestDispatcher.exchange(dispatcher, std::memory_order_acq_rel);
}

int64_t SetResponseDeadlineForTesting(int64_t deadline_ms) {
    return DeadlineMs().exchange(deadline_ms, std::memory_order_relaxed);
}

}  // namespace zeqhttp
