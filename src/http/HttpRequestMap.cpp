#include "http/HttpRequestMap.h"

#include <cstdlib>

namespace zeqhttp {

const char kRequestIdAlphabet[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

namespace {
constexpr int kAlphabetSize = sizeof(kRequestIdAlphabet) - 1;  // 62

std::string DrawIdentifier() {
    std::string id(kRequestIdLength, '0');
    // rand() is the C library generator the identifiers are defined on; glibc serialises it.
    for (char& c : id) c = kRequestIdAlphabet[std::rand() % kAlphabetSize];
    return id;
}
}  // namespace

HttpRequestMap& HttpRequestMap::Get() {
    static HttpRequestMap* map = new HttpRequestMap;
    return *map;
}

std::shared_ptr<HttpRequestContext> HttpRequestMap::Create() {
    osal::lock_guard<osal::mutex> guard(mLock);
    std::string id = DrawIdentifier();
    // Another module may reseed the generator; a repeat of a pending identifier draws again.
    while (mContexts.count(id) != 0) id = DrawIdentifier();
    auto context = std::make_shared<HttpRequestContext>(id);
    mContexts.emplace(id, context);
    return context;
}

std::shared_ptr<HttpRequestContext> HttpRequestMap::Find(const std::string& id) {
    osal::lock_guard<osal::mutex> guard(mLock);
    auto it = mContexts.find(id);
    return it == mContexts.end() ? nullptr : it->second;
}

void HttpRequestMap::Remove(const std::string& id) {
    osal::lock_guard<osal::mutex> guard(mLock);
    mContexts.erase(id);
}

size_t HttpRequestMap::Size() {
    osal::lock_guard<osal::mutex> guard(mLock);
    return mContexts.size();
}

}  // namespace zeqhttp
