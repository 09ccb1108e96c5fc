// The native module "VrioSDK" of the host's script runtime and the dispatcher that hands bridge
// requests to the script thread through a Node-API thread-safe function.
//
// Script side:
//   threadsafeRegisterNapiFunc(fn) -> 0 | -1   fn(url, requestId, isPost, headers, body) runs
//                                               every request on the script thread
//   onHttpResponse(requestId, code, response)  the script's answer to one request
//
// The module registers itself when the library is loaded into a process that provides Node-API
// (inside node: process.dlopen of the library). Elsewhere nothing registers and every bridge
// request answers 701.
#pragma once

#include "http/HttpBridge.h"

namespace zeqhttp {

// The process-wide dispatcher over the registered script function. Queue fails (701) until the
// script has registered its function, and always in a process without Node-API.
HttpDispatcher& NapiDispatcher();

}  // namespace zeqhttp
