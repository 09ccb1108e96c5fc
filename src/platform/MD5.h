// MD5 message digest (RFC 1321).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ZeqUtils {

// Feed with update(), close with finalize(), read with hexdigest(). Updates after finalize() are
// ignored. Thread safety: one object per thread.
class MD5 {
public:
    MD5();
    explicit MD5(const std::string& text);  // update(text) + finalize()

    void update(const unsigned char* bytes, size_t n);
    void update(const char* bytes, size_t n);
    MD5& finalize();
    // 32 lower-case hexadecimal digits; empty before finalize().
    std::string hexdigest() const;
    // The 16 digest bytes; false before finalize().
    bool digest(uint8_t out[16]) const;

private:
    void Transform(const uint8_t block[64]);

    uint32_t mState[4];
    uint64_t mBytes = 0;      // message length so far
    uint8_t mBuffer[64];      // bytes of the block being filled: mBytes % 64 of them
    uint8_t mDigest[16];
    bool mFinalized = false;
};

// The hexdigest of `text`.
std::string md5(const std::string& text);

}  // namespace ZeqUtils
