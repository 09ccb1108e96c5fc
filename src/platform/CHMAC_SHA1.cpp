#include "platform/CHMAC_SHA1.h"

#include <cstring>
#include <vector>

#include "platform/CSHA1.h"

namespace ZeqUtils {

void CHMAC_SHA1::HMAC_SHA1(const uint8_t* text, size_t text_len, const uint8_t* key, size_t key_len,
                           uint8_t* digest) {
    if (!digest) return;
    if (!text) text_len = 0;
    if (!key) key_len = 0;
    uint8_t block_key[CSHA1::kBlockSize] = {};
    CSHA1 sha;
    if (key_len > CSHA1::kBlockSize) {
        sha.Update(key, key_len);
        sha.Final();
        sha.GetHash(block_key);
        sha.Reset();
    } else if (key_len > 0) {
        std::memcpy(block_key, key, key_len);
    }
    uint8_t pad[CSHA1::kBlockSize];
    for (size_t i = 0; i < sizeof(pad); ++i) pad[i] = block_key[i] ^ 0x36;
    uint8_t inner[kDigestSize];
    sha.Update(pad, sizeof(pad));
    sha.Update(text, text_len);
    sha.Final();
    sha.GetHash(inner);

    for (size_t i = 0; i < sizeof(pad); ++i) pad[i] = block_key[i] ^ 0x5c;
    sha.Reset();
    sha.Update(pad, sizeof(pad));
    sha.Update(inner, sizeof(inner));
    sha.Final();
    sha.GetHash(digest);
}

int CHMAC_SHA1::Base64_Encode(char* out, const uint8_t* data, size_t len) {
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    if (!out) return 0;
    if (!data) len = 0;
    size_t o = 0;
    size_t i = 0;
    for (; i + 3 <= len; i += 3) {
        const uint32_t v = (uint32_t{data[i]} << 16) | (uint32_t{data[i + 1]} << 8) | data[i + 2];
        out[o++] = kAlphabet[(v >> 18) & 0x3F];
        out[o++] = kAlphabet[(v >> 12) & 0x3F];
        out[o++] = kAlphabet[(v >> 6) & 0x3F];
        out[o++] = kAlphabet[v & 0x3F];
    }
    if (len - i == 1) {
        const uint32_t v = uint32_t{data[i]} << 16;
        out[o++] = kAlphabet[(v >> 18) & 0x3F];
        out[o++] = kAlphabet[(v >> 12) & 0x3F];
        out[o++] = '=';
        out[o++] = '=';
    } else if (len - i == 2) {
        const uint32_t v = (uint32_t{data[i]} << 16) | (uint32_t{data[i + 1]} << 8);
        out[o++] = kAlphabet[(v >> 18) & 0x3F];
        out[o++] = kAlphabet[(v >> 12) & 0x3F];
        out[o++] = kAlphabet[(v >> 6) & 0x3F];
        out[o++] = '=';
    }
    out[o] = '\0';
    return static_cast<int>(o);
}

std::string CHMAC_SHA1::Base64(const uint8_t* data, size_t len) {
    std::vector<char> out(Base64EncodedSize(data ? len : 0));
    const int n = Base64_Encode(out.data(), data, len);
    return std::string(out.data(), static_cast<size_t>(n));
}

}  // namespace ZeqUtils
