// The process-wide map of pending bridge requests, keyed by request identifier.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "http/HttpRequestContext.h"
#include "osal/Mutex.h"

namespace zeqhttp {

// Length of a request identifier.
constexpr size_t kRequestIdLength = 16;
// The identifier alphabet.
extern const char kRequestIdAlphabet[];

// Thread safety: every method may be called from any thread; mLock guards mContexts (every
// insertion, lookup and removal takes it).
class HttpRequestMap {
public:
    // The process-wide map. Never destroyed: detached threads may still use it at exit.
    static HttpRequestMap& Get();

    // Creates a context under a fresh identifier (16 characters of kRequestIdAlphabet drawn with
    // the C library generator, unique among the pending requests) and inserts it.
    std::shared_ptr<HttpRequestContext> Create();
    // The pending context of `id`, or null.
    std::shared_ptr<HttpRequestContext> Find(const std::string& id);
    void Remove(const std::string& id);
    size_t Size();

private:
    osal::mutex mLock;
    std::map<std::string, std::shared_ptr<HttpRequestContext>> mContexts;
};

}  // namespace zeqhttp
