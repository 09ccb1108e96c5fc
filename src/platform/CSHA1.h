// SHA-1 message digest (FIPS 180-4).
#pragma once

#include <cstddef>
#include <cstdint>

namespace ZeqUtils {

// Reset(), Update() any number of times, Final(), then GetHash(). Updates after Final() are
// ignored until Reset(). Thread safety: one object per thread.
class CSHA1 {
public:
    static constexpr size_t kDigestSize = 20;
    static constexpr size_t kBlockSize = 64;

    CSHA1();

    void Reset();
    void Update(const uint8_t* data, size_t len);
    void Final();
    // Copies the 20 digest bytes; false (nothing copied) before Final().
    bool GetHash(uint8_t* out) const;

private:
    void Transform(const uint8_t block[kBlockSize]);

    uint32_t mState[5];
    uint64_t mBytes;
    uint8_t mBuffer[kBlockSize];
    uint8_t mDigest[kDigestSize];
    bool mFinal;
};

}  // namespace ZeqUtils
