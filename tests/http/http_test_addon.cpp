// Test-only Node.js add-on: drives the library's HTTP entry points and the DNS resolver from
// threads of its own (never the script thread, which must stay free to answer the requests) and
// hands each result back to script as a promise.
//
//   bind(libraryPath)                          -> true once the loaded library's functions are found
//   httpGet(url, bufferSize)                   -> Promise<{code, body}>   (bufferSize 0: no buffer)
//   httpPost(url, headers, body, bufferSize)   -> Promise<{code, body}>   (headers: array or null)
//   httpGetAsync(url) / httpPostAsync(url, headers, body) -> Promise<{code, body, thread}>
//   resolve(url, options)                      -> Promise<{rc, ip, source, host, polls}>
#include <dlfcn.h>
#include <node_api.h>
#include <sys/prctl.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using GetFn = int (*)(const char*, char*, int);
using PostFn = int (*)(const char*, const char**, int, const void*, int, char*, int);
using AsyncCb = void (*)(void*, int, char*);
using GetAsyncFn = int (*)(const char*, AsyncCb, void*);
using PostAsyncFn = int (*)(const char*, const char**, int, const void*, int, AsyncCb, void*);
using ResolveFn = int (*)(const char*, char*, int, int*, char*, int, int, int, const char*, int (*)(void*), void*,
                          bool);

struct Library {
    GetFn get = nullptr;
    PostFn post = nullptr;
    GetAsyncFn get_async = nullptr;
    PostAsyncFn post_async = nullptr;
    ResolveFn resolve = nullptr;
} gLib;

struct Job {
    enum Kind { kGet, kPost, kGetAsync, kPostAsync, kResolve } kind = kGet;
    napi_deferred deferred = nullptr;
    napi_threadsafe_function done = nullptr;
    std::thread worker;
    // Inputs
    bool has_url = true;
    std::string url;
    bool has_headers = false;
    std::vector<std::string> headers;
    bool has_body = false;
    std::vector<uint8_t> body;
    int buffer_size = 0;
    int timeout_ms = 0, dns_type = 0, ip_len = 46, host_len = 1024, cancel_after_polls = -1;
    bool has_custom = false, force_ipv6 = false;
    std::string custom;
    // Outputs
    int code = 0;
    std::string text;
    std::string thread_name;
    int source = -1;
    std::string host;
    std::atomic<int> polls{0};
};

#define CHECK_OK(call)                                               \
    do {                                                             \
        if ((call) != napi_ok) {                                     \
            napi_throw_error(env, nullptr, "napi call failed: " #call); \
            return nullptr;                                          \
        }                                                            \
    } while (0)

std::string StringArg(napi_env env, napi_value value) {
    size_t len = 0;
    napi_get_value_string_utf8(env, value, nullptr, 0, &len);
    std::string out(len, '\0');
    napi_get_value_string_utf8(env, value, &out[0], len + 1, &len);
    return out;
}

bool IsNullish(napi_env env, napi_value value) {
    napi_valuetype type;
    napi_typeof(env, value, &type);
    return type == napi_null || type == napi_undefined;
}

int IntProperty(napi_env env, napi_value object, const char* name, int fallback) {
    bool has = false;
    napi_has_named_property(env, object, name, &has);
    if (!has) return fallback;
    napi_value value;
    napi_get_named_property(env, object, name, &value);
    int32_t out = fallback;
    if (napi_get_value_int32(env, value, &out) != napi_ok) return fallback;
    return out;
}

void SetString(napi_env env, napi_value object, const char* name, const std::string& text) {
    napi_value value;
    napi_create_string_utf8(env, text.data(), text.size(), &value);
    napi_set_named_property(env, object, name, value);
}

void SetInt(napi_env env, napi_value object, const char* name, int number) {
    napi_value value;
    napi_create_int32(env, number, &value);
    napi_set_named_property(env, object, name, value);
}

// Script thread: settles the promise of a finished job and frees it.
void Finish(napi_env env, napi_value, void*, void* data) {
    Job* job = static_cast<Job*>(data);
    if (job->worker.joinable()) job->worker.join();
    if (env) {
        napi_value result;
        napi_create_object(env, &result);
        if (job->kind == Job::kResolve) {
            SetInt(env, result, "rc", job->code);
            SetString(env, result, "ip", job->text);
            SetInt(env, result, "source", job->source);
            SetString(env, result, "host", job->host);
            SetInt(env, result, "polls", job->polls.load());
        } else {
            SetInt(env, result, "code", job->code);
            SetString(env, result, "body", job->text);
            SetString(env, result, "thread", job->thread_name);
        }
        napi_resolve_deferred(env, job->deferred, result);
    }
    delete job;
}

void Report(Job* job) {
    napi_threadsafe_function done = job->done;
    napi_call_threadsafe_function(done, job, napi_tsfn_blocking);
    napi_release_threadsafe_function(done, napi_tsfn_release);
}

int CancelAfter(void* arg) {
    Job* job = static_cast<Job*>(arg);
    int n = job->polls.fetch_add(1) + 1;
    return job->cancel_after_polls >= 0 && n > job->cancel_after_polls ? 1 : 0;
}

void AsyncDone(void* user, int result, char* response) {
    Job* job = static_cast<Job*>(user);
    job->code = result;
    job->text = response ? response : "";
    char name[17] = {0};
    prctl(PR_GET_NAME, name, 0, 0, 0);
    job->thread_name = name;
    Report(job);
}

void Run(Job* job) {
    std::vector<const char*> headers;
    for (const std::string& h : job->headers) headers.push_back(h.c_str());
    std::vector<char> buffer(job->buffer_size > 0 ? job->buffer_size : 0);
    char* response = job->buffer_size > 0 ? buffer.data() : nullptr;
    const char* url = job->has_url ? job->url.c_str() : nullptr;
    const void* body = job->has_body ? job->body.data() : nullptr;
    int body_len = static_cast<int>(job->body.size());
    const char** header_list = job->has_headers ? headers.data() : nullptr;
    int header_count = static_cast<int>(headers.size());
    switch (job->kind) {
        case Job::kGet:
            job->code = gLib.get(url, response, job->buffer_size);
            break;
        case Job::kPost:
            job->code = gLib.post(url, header_list, header_count, body, body_len, response, job->buffer_size);
            break;
        default:
            break;
        case Job::kResolve: {
            std::vector<char> ip(job->ip_len > 0 ? job->ip_len : 1, '\0');
            std::vector<char> host(job->host_len > 0 ? job->host_len : 1, '\0');
            job->code = gLib.resolve(url, ip.data(), job->ip_len, &job->source, host.data(), job->host_len,
                                     job->timeout_ms, job->dns_type, job->has_custom ? job->custom.c_str() : nullptr,
                                     CancelAfter, job, job->force_ipv6);
            job->text = ip.data();
            job->host = host.data();
            break;
        }
    }
    if (response && job->kind != Job::kResolve) job->text = response;
    Report(job);
}

// Common start of every job: promise, completion function, worker thread.
napi_value Launch(napi_env env, Job* job) {
    napi_value promise;
    CHECK_OK(napi_create_promise(env, &job->deferred, &promise));
    napi_value name;
    napi_create_string_utf8(env, "httpTestJob", NAPI_AUTO_LENGTH, &name);
    CHECK_OK(napi_create_threadsafe_function(env, nullptr, nullptr, name, 0, 1, nullptr, nullptr, nullptr, Finish,
                                             &job->done));
    if (job->kind == Job::kGetAsync || job->kind == Job::kPostAsync) {
        // Starting never blocks: the library's own thread runs the request and AsyncDone reports.
        std::vector<const char*> headers;
        for (const std::string& h : job->headers) headers.push_back(h.c_str());
        int started = job->kind == Job::kGetAsync
                          ? gLib.get_async(job->has_url ? job->url.c_str() : nullptr, AsyncDone, job)
                          : gLib.post_async(job->has_url ? job->url.c_str() : nullptr, job->has_headers ? headers.data() : nullptr,
                                            static_cast<int>(headers.size()),
                                            job->has_body ? job->body.data() : nullptr,
                                            static_cast<int>(job->body.size()), AsyncDone, job);
        if (started != 0) {
            job->code = -1;
            Report(job);
        }
    } else {
        job->worker = std::thread(Run, job);
    }
    return promise;
}

bool ReadRequestArgs(napi_env env, napi_value* argv, size_t argc, Job* job, bool post) {
    if (argc < 1) return false;
    job->has_url = !IsNullish(env, argv[0]);
    if (job->has_url) job->url = StringArg(env, argv[0]);
    size_t next = 1;
    if (post) {
        if (argc > 1 && !IsNullish(env, argv[1])) {
            job->has_headers = true;
            uint32_t n = 0;
            napi_get_array_length(env, argv[1], &n);
            for (uint32_t i = 0; i < n; ++i) {
                napi_value item;
                napi_get_element(env, argv[1], i, &item);
                job->headers.push_back(StringArg(env, item));
            }
        }
        if (argc > 2 && !IsNullish(env, argv[2])) {
            job->has_body = true;
            void* data = nullptr;
            size_t len = 0;
            napi_get_buffer_info(env, argv[2], &data, &len);
            job->body.assign(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + len);
        }
        next = 3;
    }
    if (argc > next) napi_get_value_int32(env, argv[next], &job->buffer_size);
    return true;
}

bool Bound() { return gLib.get && gLib.post && gLib.get_async && gLib.post_async && gLib.resolve; }

napi_value Bind(napi_env env, napi_callback_info info) {
    size_t argc = 1;
    napi_value argv[1];
    CHECK_OK(napi_get_cb_info(env, info, &argc, argv, nullptr, nullptr));
    std::string path = StringArg(env, argv[0]);
    // The script loaded the library already (process.dlopen); only look it up, never load it here.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle) {
        gLib.get = reinterpret_cast<GetFn>(dlsym(handle, "OS_HttpGet"));
        gLib.post = reinterpret_cast<PostFn>(dlsym(handle, "OS_HttpPost"));
        gLib.get_async = reinterpret_cast<GetAsyncFn>(dlsym(handle, "OS_HttpGet_ASync"));
        gLib.post_async = reinterpret_cast<PostAsyncFn>(dlsym(handle, "OS_HttpPost_ASync"));
        gLib.resolve = reinterpret_cast<ResolveFn>(dlsym(handle, "resolve_ip_cancellable"));
    }
    napi_value result;
    napi_get_boolean(env, handle && Bound(), &result);
    return result;
}

napi_value Request(napi_env env, napi_callback_info info, Job::Kind kind) {
    if (!Bound()) {
        napi_throw_error(env, nullptr, "bind() the library first");
        return nullptr;
    }
    size_t argc = 4;
    napi_value argv[4];
    CHECK_OK(napi_get_cb_info(env, info, &argc, argv, nullptr, nullptr));
    auto* job = new Job;
    job->kind = kind;
    bool post = kind == Job::kPost || kind == Job::kPostAsync;
    if (!ReadRequestArgs(env, argv, argc, job, post)) {
        delete job;
        napi_throw_error(env, nullptr, "bad arguments");
        return nullptr;
    }
    return Launch(env, job);
}

napi_value HttpGet(napi_env env, napi_callback_info info) { return Request(env, info, Job::kGet); }
napi_value HttpPost(napi_env env, napi_callback_info info) { return Request(env, info, Job::kPost); }
napi_value HttpGetAsync(napi_env env, napi_callback_info info) { return Request(env, info, Job::kGetAsync); }
napi_value HttpPostAsync(napi_env env, napi_callback_info info) { return Request(env, info, Job::kPostAsync); }

// resolve(url, {timeoutMs, dnsType, customServers, forceIpv6, cancelAfterPolls, ipLen, hostLen})
napi_value Resolve(napi_env env, napi_callback_info info) {
    if (!Bound()) {
        napi_throw_error(env, nullptr, "bind() the library first");
        return nullptr;
    }
    size_t argc = 2;
    napi_value argv[2];
    CHECK_OK(napi_get_cb_info(env, info, &argc, argv, nullptr, nullptr));
    auto* job = new Job;
    job->kind = Job::kResolve;
    job->has_url = !IsNullish(env, argv[0]);
    if (job->has_url) job->url = StringArg(env, argv[0]);
    if (argc > 1) {
        napi_value options = argv[1];
        job->timeout_ms = IntProperty(env, options, "timeoutMs", 1000);
        job->dns_type = IntProperty(env, options, "dnsType", 0);
        job->cancel_after_polls = IntProperty(env, options, "cancelAfterPolls", -1);
        job->ip_len = IntProperty(env, options, "ipLen", 46);
        job->host_len = IntProperty(env, options, "hostLen", 1024);
        job->force_ipv6 = IntProperty(env, options, "forceIpv6", 0) != 0;
        bool has = false;
        napi_has_named_property(env, options, "customServers", &has);
        if (has) {
            napi_value value;
            napi_get_named_property(env, options, "customServers", &value);
            job->has_custom = !IsNullish(env, value);
            if (job->has_custom) job->custom = StringArg(env, value);
        }
    }
    return Launch(env, job);
}

}  // namespace

NAPI_MODULE_INIT() {
    napi_property_descriptor properties[] = {
        {"bind", nullptr, Bind, nullptr, nullptr, nullptr, napi_default, nullptr},
        {"httpGet", nullptr, HttpGet, nullptr, nullptr, nullptr, napi_default, nullptr},
        {"httpPost", nullptr, HttpPost, nullptr, nullptr, nullptr, napi_default, nullptr},
        {"httpGetAsync", nullptr, HttpGetAsync, nullptr, nullptr, nullptr, napi_default, nullptr},
        {"httpPostAsync", nullptr, HttpPostAsync, nullptr, nullptr, nullptr, napi_default, nullptr},
        {"resolve", nullptr, Resolve, nullptr, nullptr, nullptr, napi_default, nullptr},
    };
    napi_define_properties(env, exports, sizeof(properties) / sizeof(properties[0]), properties);
    return exports;
}
