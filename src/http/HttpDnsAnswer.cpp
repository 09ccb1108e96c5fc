#include "http/HttpDnsAnswer.h"

#include <arpa/inet.h>
#include <rapidjson/document.h>

#include <cstring>
#include <string>

#include "osal/LLog.h"

namespace ZeqUtils {

namespace {

// The iterative parser keeps its stack on the heap: nesting cannot exhaust the thread's stack.
constexpr unsigned kParseFlags = rapidjson::kParseIterativeFlag;

bool Refuse(const char* what) {
    VLOGE("HttpDNS answer refused: %s. Resolve failed!\n", what);
    return false;
}

// An address in text form: IPv4 dotted quad or IPv6, without embedded NULs.
bool IsAddressText(const char* text, size_t len) {
    if (len == 0 || std::memchr(text, '\0', len) != nullptr) return false;
    unsigned char scratch[sizeof(in6_addr)];
    return inet_pton(AF_INET, text, scratch) == 1 || inet_pton(AF_INET6, text, scratch) == 1;
}

}  // namespace

bool ParseHttpDnsAnswer(const char* body, size_t len, char* ip, size_t ip_size) {
    if (ip && ip_size > 0) ip[0] = '\0';
    if (!ip || ip_size == 0) return Refuse("no output buffer");
    if (!body || len == 0) return Refuse("empty answer");
    if (len > kMaxHttpDnsAnswerBytes) return Refuse("answer too long");

    rapidjson::Document doc;
    doc.Parse<kParseFlags>(body, len);
    if (doc.HasParseError()) return Refuse("not JSON");
    if (!doc.IsObject()) return Refuse("not an object");
    auto info = doc.FindMember("dns_info");
    if (info == doc.MemberEnd() || !info->value.IsArray() || info->value.Empty())
        return Refuse("no dns_info array");
    const rapidjson::Value& first = info->value[0];
    if (!first.IsObject()) return Refuse("dns_info[0] is not an object");
    auto list = first.FindMember("ip");
    if (list == first.MemberEnd() || !list->value.IsArray()) return Refuse("no ip array");
    for (const rapidjson::Value& entry : list->value.GetArray()) {
        if (!entry.IsString()) continue;
        size_t n = entry.GetStringLength();
        if (n + 1 > ip_size || !IsAddressText(entry.GetString(), n)) continue;
        std::memcpy(ip, entry.GetString(), n);
        ip[n] = '\0';
        return true;
    }
    return Refuse("no usable address");
}

}  // namespace ZeqUtils
