// Test helper for the hash tests: hexadecimal texts, random inputs, OpenSSL references.
#pragma once

#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace platform_test {

inline std::string Hex(const uint8_t* bytes, size_t n) {
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < n; ++i) {
        out.push_back(kHex[bytes[i] >> 4]);
        out.push_back(kHex[bytes[i] & 15]);
    }
    return out;
}

inline std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

// Random lengths that cover every block boundary case of 64-byte block hashes.
inline std::vector<size_t> InterestingLengths() {
    std::vector<size_t> lengths;
    for (size_t n = 0; n <= 200; ++n) lengths.push_back(n);
    for (size_t n : {255, 256, 511, 512, 513, 1000, 4095, 4096, 4097, 65536 + 3}) lengths.push_back(n);
    return lengths;
}

inline std::vector<uint8_t> RandomBytes(std::mt19937& rng, size_t n) {
    std::vector<uint8_t> out(n);
    std::uniform_int_distribution<int> byte(0, 255);
    for (uint8_t& b : out) b = static_cast<uint8_t>(byte(rng));
    return out;
}

inline std::string OpenSslDigestHex(const EVP_MD* md, const std::vector<uint8_t>& data) {
    uint8_t out[EVP_MAX_MD_SIZE];
    unsigned int n = 0;
    EVP_Digest(data.data(), data.size(), out, &n, md, nullptr);
    return Hex(out, n);
}

inline std::string OpenSslHmacSha1Hex(const std::vector<uint8_t>& key, const std::vector<uint8_t>& data) {
    uint8_t out[EVP_MAX_MD_SIZE];
    unsigned int n = 0;
    static const uint8_t kEmpty = 0;
    HMAC(EVP_sha1(), key.empty() ? &kEmpty : key.data(), static_cast<int>(key.size()),
         data.empty() ? &kEmpty : data.data(), data.size(), out, &n);
    return Hex(out, n);
}

}  // namespace platform_test
