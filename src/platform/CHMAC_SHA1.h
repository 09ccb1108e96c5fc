// HMAC over SHA-1 (RFC 2104) and Base64 (RFC 4648), as request signing needs them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ZeqUtils {

// Thread safety: the functions share no state.
class CHMAC_SHA1 {
public:
    static constexpr size_t kDigestSize = 20;

    // HMAC-SHA1 of `text` under `key` (64-byte blocks; keys longer than 64 bytes are hashed first)
    // into the 20 bytes at `digest`. Nothing is written when `digest` is null.
    void HMAC_SHA1(const uint8_t* text, size_t text_len, const uint8_t* key, size_t key_len, uint8_t* digest);

    // Base64 with '=' padding and a terminating NUL into `out`, which must hold
    // Base64EncodedSize(len) bytes; returns the text length (without the NUL).
    static int Base64_Encode(char* out, const uint8_t* data, size_t len);
    static size_t Base64EncodedSize(size_t len) { return (len + 2) / 3 * 4 + 1; }
    static std::string Base64(const uint8_t* data, size_t len);
};

}  // namespace ZeqUtils
