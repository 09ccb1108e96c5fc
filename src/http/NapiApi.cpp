#include "http/NapiApi.h"

#include <dlfcn.h>

namespace zeqhttp {

namespace {

template <typename Fn>
bool Bind(Fn* slot, const char* name) {
    // dlsym returns an object pointer; POSIX guarantees it converts to a function pointer.
    void* symbol = dlsym(RTLD_DEFAULT, name);
    *slot = reinterpret_cast<Fn>(symbol);
    return symbol != nullptr;
}

NapiApi* LookUp() {
    static NapiApi table;
    bool all = true;
    all &= Bind(&table.module_register, "napi_module_register");
    all &= Bind(&table.define_properties, "napi_define_properties");
    all &= Bind(&table.get_cb_info, "napi_get_cb_info");
    all &= Bind(&table.create_threadsafe_function, "napi_create_threadsafe_function");
    all &= Bind(&table.call_threadsafe_function, "napi_call_threadsafe_function");
    all &= Bind(&table.release_threadsafe_function, "napi_release_threadsafe_function");
    all &= Bind(&table.unref_threadsafe_function, "napi_unref_threadsafe_function");
    all &= Bind(&table.get_value_string_utf8, "napi_get_value_string_utf8");
    all &= Bind(&table.create_int32, "napi_create_int32");
    all &= Bind(&table.get_undefined, "napi_get_undefined");
    all &= Bind(&table.get_null, "napi_get_null");
    all &= Bind(&table.get_boolean, "napi_get_boolean");
    all &= Bind(&table.create_string_utf8, "napi_create_string_utf8");
    all &= Bind(&table.create_object, "napi_create_object");
    all &= Bind(&table.set_named_property, "napi_set_named_property");
    all &= Bind(&table.create_arraybuffer, "napi_create_arraybuffer");
    all &= Bind(&table.get_last_error_info, "napi_get_last_error_info");
    all &= Bind(&table.call_function, "napi_call_function");
    // A partial table would fail half-way through a request: all or nothing.
    return all ? &table : nullptr;
}

}  // namespace

const NapiApi* GetNapiApi() {
    static const NapiApi* api = LookUp();  // thread-safe one-time initialisation
    return api;
}

}  // namespace zeqhttp
