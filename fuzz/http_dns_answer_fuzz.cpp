// Arbitrary HTTP-DNS answers through the answer reader, with the resolver's 46-byte address buffer
// and with a narrow one: an accepted address is always a terminated address text that fits.
#include <arpa/inet.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "http/HttpDnsAnswer.h"

namespace {

void Check(const char* body, size_t size, size_t ip_size) {
    char ip[64];
    std::memset(ip, 'x', sizeof(ip));
    bool ok = ZeqUtils::ParseHttpDnsAnswer(body, size, ip, ip_size);
    const void* end = std::memchr(ip, '\0', ip_size);
    if (!end) __builtin_trap();  // never left unterminated
    if (!ok) {
        if (ip[0] != '\0') __builtin_trap();
        return;
    }
    unsigned char scratch[16];
    if (inet_pton(AF_INET, ip, scratch) != 1 && inet_pton(AF_INET6, ip, scratch) != 1) __builtin_trap();
    for (size_t i = ip_size; i < sizeof(ip); ++i)
        if (ip[i] != 'x') __builtin_trap();  // nothing written past the buffer
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* body = reinterpret_cast<const char*>(data);
    Check(body, size, 46);
    Check(body, size, 8);
    return 0;
}
