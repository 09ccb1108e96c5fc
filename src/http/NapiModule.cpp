#include "http/NapiModule.h"

#include <cstring>
#include <memory>
#include <string>

#include "http/HttpRequestMap.h"
#include "http/NapiApi.h"
#include "osal/LLog.h"
#include "osal/Mutex.h"

namespace zeqhttp {

namespace {

// Lengths the answer handler reads: the identifier is 16 bytes, one more is read so that a
// longer (foreign) identifier is told apart from a pending one instead of being cut to match it.
constexpr size_t kIdReadBytes = kRequestIdLength + 1;
constexpr size_t kCodeReadBytes = 4;

// Identifies one thread-safe function from its creation to its finalisation by the runtime, so
// that the dispatcher never calls a handle the runtime has already freed (environment teardown).
struct FunctionToken {};

// Thread safety: mLock guards mFunction and mToken. Queue runs on any thread; Replace and
// Finalized run on the script thread. The lock is held while a record is queued so that a
// replaced or finalised handle is never called; queueing never blocks (the queue is unbounded).
class TsfnDispatcher : public HttpDispatcher {
public:
    bool Queue(std::unique_ptr<HttpRequestRecord> record) override {
        const NapiApi* api = GetNapiApi();
        if (!api) return false;
        osal::lock_guard<osal::mutex> guard(mLock);
        if (!mFunction) return false;
        HttpRequestRecord* raw = record.release();
        if (api->call_threadsafe_function(mFunction, raw, napi_tsfn_blocking) != napi_ok) {
            delete raw;
            return false;
        }
        return true;  // CallIntoScript releases the record
    }

    // Installs a new function; the previous one is released (its queued calls still run).
    void Replace(const NapiApi* api, napi_threadsafe_function function, FunctionToken* token) {
        napi_threadsafe_function previous;
        {
            osal::lock_guard<osal::mutex> guard(mLock);
            previous = mFunction;
            mFunction = function;
            mToken = token;
        }
        if (previous) api->release_threadsafe_function(previous, napi_tsfn_release);
    }

    // The runtime freed the function of `token`.
    void Finalized(FunctionToken* token) {
        osal::lock_guard<osal::mutex> guard(mLock);
        if (mToken == token) {
            mFunction = nullptr;
            mToken = nullptr;
        }
    }

private:
    osal::mutex mLock;
    napi_threadsafe_function mFunction = nullptr;
    FunctionToken* mToken = nullptr;
};

TsfnDispatcher& Dispatcher() {
    static TsfnDispatcher* dispatcher = new TsfnDispatcher;  // never destroyed: used until exit
    return *dispatcher;
}

napi_value Undefined(const NapiApi* api, napi_env env) {
    napi_value value = nullptr;
    api->get_undefined(env, &value);
    return value;
}

void FinalizeFunction(napi_env, void* data, void*) {
    auto* token = static_cast<FunctionToken*>(data);
    Dispatcher().Finalized(token);
    delete token;
}

// Builds the headers object: one property per "name:value" text, neither part trimmed; texts
// without ':' are left out.
napi_value HeadersObject(const NapiApi* api, napi_env env, const std::vector<std::string>& headers) {
    napi_value object = nullptr;
    if (api->create_object(env, &object) != napi_ok) return nullptr;
    for (const std::string& header : headers) {
        VLOGE("HTTPPOST - Headers:%s\n", header.c_str());
        size_t colon = header.find(':');
        if (colon == std::string::npos) continue;
        std::string name = header.substr(0, colon);
        napi_value value = nullptr;
        if (api->create_string_utf8(env, header.data() + colon + 1, header.size() - colon - 1, &value) != napi_ok)
            continue;
        api->set_named_property(env, object, name.c_str(), value);
    }
    return object;
}

// Runs on the script thread once per queued record; owns and releases the record.
void CallIntoScript(napi_env env, napi_value js_callback, void*, void* data) {
    std::unique_ptr<HttpRequestRecord> record(static_cast<HttpRequestRecord*>(data));
    if (!record) {
        VLOGE("[Native]HTTP entrance, input is null.\n");
        return;
    }
    const NapiApi* api = GetNapiApi();
    // No environment: the function is being torn down. The waiting request runs into its deadline.
    if (!api || !env || !js_callback) return;

    napi_value args[5] = {};
    api->create_string_utf8(env, record->url.data(), record->url.size(), &args[0]);
    api->create_string_utf8(env, record->id.data(), record->id.size(), &args[1]);
    api->get_boolean(env, record->is_post, &args[2]);
    args[3] = record->headers.empty() ? Undefined(api, env) : HeadersObject(api, env, record->headers);
    if (!args[3]) args[3] = Undefined(api, env);
    if (record->body.empty()) {
        args[4] = Undefined(api, env);
    } else {
        void* bytes = nullptr;
        if (api->create_arraybuffer(env, record->body.size(), &bytes, &args[4]) != napi_ok || !bytes) {
            const napi_extended_error_info* info = nullptr;
            if (api->get_last_error_info(env, &info) == napi_ok && info && info->error_message)
                VLOGE("create extra_data failed... because:%s\n", info->error_message);
            return;
        }
        std::memcpy(bytes, record->body.data(), record->body.size());
        VLOGE("create extra_data success... data_len_:%d\n", static_cast<int>(record->body.size()));
    }
    napi_value result = nullptr;
    if (api->call_function(env, Undefined(api, env), js_callback, 5, args, &result) != napi_ok)
        VLOGE("[Native]HTTP entrance, the script function failed.\n");
}

napi_value RegisterScriptFunction(napi_env env, napi_callback_info info) {
    const NapiApi* api = GetNapiApi();
    if (!api || !env) return nullptr;
    auto result = [&](int32_t value) {
        napi_value out = nullptr;
        api->create_int32(env, value, &out);
        return out;
    };
    size_t argc = 1;
    napi_value argv[1] = {nullptr};
    if (api->get_cb_info(env, info, &argc, argv, nullptr, nullptr) != napi_ok) {
        VLOGE("threadsafeRegisterNapiFunc, napi_get_cb_info failed\n");
        return result(-1);
    }
    napi_value name = nullptr;
    api->create_string_utf8(env, "httpFunction", NAPI_AUTO_LENGTH, &name);
    auto* token = new FunctionToken;
    napi_threadsafe_function function = nullptr;
    if (api->create_threadsafe_function(env, argv[0], nullptr, name, 0, 1, token, FinalizeFunction, nullptr,
                                        CallIntoScript, &function) != napi_ok) {
        delete token;
        VLOGE("threadsafeRegisterNapiFunc, napi_create_threadsafe_function failed\n");
        return result(-1);
    }
    // The bridge is a service of the host: it must not keep the event loop alive on its own.
    api->unref_threadsafe_function(env, function);
    Dispatcher().Replace(api, function, token);
    return result(0);
}

napi_value OnHttpResponse(napi_env env, napi_callback_info info) {
    const NapiApi* api = GetNapiApi();
    if (!api) return nullptr;
    if (!env || !info) {
        VLOGE("OnHttpResponse, env or exports is null\n");
        return env ? Undefined(api, env) : nullptr;
    }
    size_t argc = 3;
    napi_value argv[3] = {nullptr, nullptr, nullptr};
    if (api->get_cb_info(env, info, &argc, argv, nullptr, nullptr) != napi_ok) {
        VLOGE("OnHttpResponse, api_get_cb_info failed\n");
        return Undefined(api, env);
    }
    char id[kIdReadBytes + 1];
    size_t id_len = 0;
    if (api->get_value_string_utf8(env, argv[0], id, sizeof(id), &id_len) != napi_ok) {
        VLOGE("OnHttpResponse, get request_id failed\n");
        return Undefined(api, env);
    }
    char code[kCodeReadBytes + 1];
    size_t code_len = 0;
    if (api->get_value_string_utf8(env, argv[1], code, sizeof(code), &code_len) != napi_ok) {
        VLOGE("OnHttpResponse, get code failed\n");
        return Undefined(api, env);
    }
    char text[kMaxResponseTextBytes + 1];
    size_t text_len = 0;
    if (api->get_value_string_utf8(env, argv[2], text, sizeof(text), &text_len) != napi_ok) {
        VLOGE("OnHttpResponse, get response failed\n");
        return Undefined(api, env);
    }
    if (id_len > kRequestIdLength) {
        VLOGE("[Native]OnHttpResponse, failed to get response context.");
        return Undefined(api, env);
    }
    OnResponse(std::string(id, id_len), code, text, text_len);
    return Undefined(api, env);
}

napi_value Init(napi_env env, napi_value exports) {
    const NapiApi* api = GetNapiApi();
    if (!env || !exports || !api) {
        VLOGE("Init, env or exports is null\n");
        return exports;
    }
    napi_property_descriptor properties[] = {
        {"threadsafeRegisterNapiFunc", nullptr, RegisterScriptFunction, nullptr, nullptr, nullptr, napi_default,
         nullptr},
        {"onHttpResponse", nullptr, OnHttpResponse, nullptr, nullptr, nullptr, napi_default, nullptr},
    };
    if (api->define_properties(env, exports, 2, properties) != napi_ok) {
        VLOGE("Init, napi_define_properties failed\n");
        return nullptr;
    }
    return exports;
}

napi_module gModule = {1, 0, nullptr, Init, "VrioSDK", nullptr, {nullptr, nullptr, nullptr, nullptr}};

// Registers the module when the library is loaded, in a process that provides Node-API.
__attribute__((constructor)) void RegisterModule() {
    const NapiApi* api = GetNapiApi();
    if (api) api->module_register(&gModule);
}

}  // namespace

HttpDispatcher& NapiDispatcher() { return Dispatcher(); }

}  // namespace zeqhttp
