// The Node-API functions the HTTP bridge calls, bound at run time.
//
// The library must load and run in a process that has no Node-API (a plain native player): the
// napi_* functions are then absent, and linking them would make the library unloadable there. So
// nothing links them; they are looked up in the process's global scope when first needed, and a
// process without them gets no table at all.
#pragma once

#include <node_api.h>

namespace zeqhttp {

// Thread safety: the table is filled once, before it is first handed out, and never changes.
struct NapiApi {
    decltype(&::napi_module_register) module_register;
    decltype(&::napi_define_properties) define_properties;
    decltype(&::napi_get_cb_info) get_cb_info;
    decltype(&::napi_create_threadsafe_function) create_threadsafe_function;
    decltype(&::napi_call_threadsafe_function) call_threadsafe_function;
    decltype(&::napi_release_threadsafe_function) release_threadsafe_function;
    decltype(&::napi_unref_threadsafe_function) unref_threadsafe_function;
    decltype(&::napi_get_value_string_utf8) get_value_string_utf8;
    decltype(&::napi_create_int32) create_int32;
    decltype(&::napi_get_undefined) get_undefined;
    decltype(&::napi_get_null) get_null;
    decltype(&::napi_get_boolean) get_boolean;
    decltype(&::napi_create_string_utf8) create_string_utf8;
    decltype(&::napi_create_object) create_object;
    decltype(&::napi_set_named_property) set_named_property;
    decltype(&::napi_create_arraybuffer) create_arraybuffer;
    decltype(&::napi_get_last_error_info) get_last_error_info;
    decltype(&::napi_call_function) call_function;
};

// The table of the hosting process, or nullptr when the process does not provide every function
// of it (no Node-API runtime). Looked up once; safe from any thread.
const NapiApi* GetNapiApi();

}  // namespace zeqhttp
