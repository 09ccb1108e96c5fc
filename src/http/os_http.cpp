// The library-wide HTTP entry points: installed functions, the CA path, synchronous and
// asynchronous requests. No exception leaves this file.
#include "http/os_http.h"

#include <atomic>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "http/HttpBridge.h"
#include "osal/LLog.h"
#include "osal/Mutex.h"
#include "osal/Thread.h"

namespace {

// Installed functions: set at start-up, read by any thread.
std::atomic<os_http_get_func> gGet{nullptr};
std::atomic<os_http_post_func> gPost{nullptr};

// Response buffer of the asynchronous calls.
constexpr int kAsyncResponseBytes = 65536;

int BridgeGet(const char* url, char* response, int response_size) {
    try {
        return zeqhttp::BridgeRequest(false, url, nullptr, 0, nullptr, 0, response, response_size);
    } catch (...) {
        return zeqhttp::kHttpNotQueued;  // out of memory while building the request
    }
}

int BridgePost(const char* url, const char** headers, int header_count, const void* body, int body_len,
               char* response, int response_size) {
    try {
        return zeqhttp::BridgeRequest(true, url, headers, header_count, body, body_len, response, response_size);
    } catch (...) {
        return zeqhttp::kHttpNotQueued;
    }
}

// Fills the slots that are still empty with the bridge's functions; an embedder's function in the
// other slot stays.
void InstallMissingBridgeFunctions() {
    VLOGD("EEEE: calling set_http_functions\n");
    os_http_get_func no_get = nullptr;
    gGet.compare_exchange_strong(no_get, BridgeGet);
    os_http_post_func no_post = nullptr;
    gPost.compare_exchange_strong(no_post, BridgePost);
}

// The CA path. Replaced copies are kept, so a path handed out earlier never dangles.
// Thread safety: mLock guards both fields.
class CaFile {
public:
    void Set(const char* path) {
        osal::lock_guard<osal::mutex> guard(mLock);
        if (!path) {
            mCurrent = nullptr;
            return;
        }
        mCopies.emplace_back(path);
        mCurrent = mCopies.back().c_str();
    }
    const char* Get() {
        osal::lock_guard<osal::mutex> guard(mLock);
        return mCurrent;
    }

private:
    osal::mutex mLock;
    std::deque<std::string> mCopies;  // appending never moves the texts already held
    const char* mCurrent = nullptr;
};

CaFile& TheCaFile() {
    static CaFile* file = new CaFile;  // process-wide, never torn down
    return *file;
}

struct AsyncRequest {
    bool is_post = false;
    bool has_url = false;
    std::string url;
    std::vector<std::string> headers;
    std::vector<const char*> header_pointers;
    std::vector<uint8_t> body;
    os_http_async_callback callback = nullptr;
    void* user = nullptr;
    std::vector<char> response;
};

void RunAsync(void* arg) {
    AsyncRequest* request = static_cast<AsyncRequest*>(arg);
    osal::SetCurrentThreadName(request->is_post ? "httppost" : "httpget");
    const char* url = request->has_url ? request->url.c_str() : nullptr;
    int result;
    if (request->is_post) {
        result = OS_HttpPost(url, request->header_pointers.empty() ? nullptr : request->header_pointers.data(),
                             static_cast<int>(request->header_pointers.size()),
                             request->body.empty() ? nullptr : request->body.data(),
                             static_cast<int>(request->body.size()), request->response.data(), kAsyncResponseBytes);
    } else {
        result = OS_HttpGet(url, request->response.data(), kAsyncResponseBytes);
    }
    if (request->callback) request->callback(request->user, result, request->response.data());
    delete request;
}

int StartAsync(AsyncRequest* request) {
    osal::thread worker(RunAsync, request);
    if (!worker.joinable()) {
        VLOGE("OS_Http ASync, the request thread could not be started\n");
        delete request;
        return -1;
    }
    worker.detach();  // the thread frees the request when it ends
    return 0;
}

}  // namespace

extern "C" void set_http_get_func(os_http_get_func get) { gGet.store(get); }

extern "C" void set_http_post_func(os_http_post_func post) { gPost.store(post); }

extern "C" void set_http_functions(const void*, const void*) {
    gGet.store(BridgeGet);
    gPost.store(BridgePost);
}

extern "C" int check_http_os_func(void) { return gGet.load() && gPost.load() ? 1 : 0; }

extern "C" void OS_SetCaFile(const char* path) {
    try {
        TheCaFile().Set(path);
    } catch (...) {
        VLOGE("OS_SetCaFile, out of memory\n");
    }
}

extern "C" const char* get_ca_file(void) { return TheCaFile().Get(); }

extern "C" int OS_HttpGet(const char* url, char* response, int response_size) {
    VLOGD("EEEE: entering %s ...\n", __func__);
    if (!gGet.load()) InstallMissingBridgeFunctions();
    int result = gGet.load()(url, response, response_size);
    VLOGD("EEEE: leaving %s ...\n", __func__);
    return result;
}

extern "C" int OS_HttpPost(const char* url, const char** headers, int header_count, const void* body, int body_len,
                           char* response, int response_size) {
    VLOGD("EEEE: entering %s ...\n", __func__);
    if (!gPost.load()) InstallMissingBridgeFunctions();
    static const char* kJsonContentType[] = {"Content-Type:application/json"};
    int result;
    if (header_count < 0 || (header_count > 0 && !headers)) {
        VLOGE("OS_HttpPost, invalid header list (count %d)\n", header_count);
        result = zeqhttp::kHttpInvalidArguments;
    } else if (header_count == 0) {
        result = gPost.load()(url, kJsonContentType, 1, body, body_len, response, response_size);
    } else {
        result = gPost.load()(url, headers, header_count, body, body_len, response, response_size);
    }
    VLOGD("EEEE: leaving %s ...\n", __func__);
    return result;
}

extern "C" int OS_HttpGet_ASync(const char* url, os_http_async_callback callback, void* user) {
    VLOGD("DDDD: alling OS_HttpGet_ASync ...\n");
    try {
        auto* request = new AsyncRequest;
        request->has_url = url != nullptr;
        if (url) request->url = url;
        request->callback = callback;
        request->user = user;
        request->response.assign(kAsyncResponseBytes, '\0');
        return StartAsync(request);
    } catch (...) {
        VLOGE("OS_HttpGet_ASync, out of memory\n");
        return -1;
    }
}

extern "C" int OS_HttpPost_ASync(const char* url, const char** headers, int header_count, const void* body,
                                 int body_len, os_http_async_callback callback, void* user) {
    try {
        auto* request = new AsyncRequest;
        request->is_post = true;
        request->has_url = url != nullptr;
        if (url) request->url = url;
        if (headers && header_count > 0) {
            for (int i = 0; i < header_count; ++i) {
                if (headers[i]) request->headers.emplace_back(headers[i]);
            }
            for (const std::string& header : request->headers) request->header_pointers.push_back(header.c_str());
        }
        if (body && body_len > 0) {
            const auto* bytes = static_cast<const uint8_t*>(body);
            request->body.assign(bytes, bytes + body_len);
        }
        request->callback = callback;
        request->user = user;
        request->response.assign(kAsyncResponseBytes, '\0');
        return StartAsync(request);
    } catch (...) {
        VLOGE("OS_HttpPost_ASync, out of memory\n");
        return -1;
    }
}
