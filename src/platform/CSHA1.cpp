#include "platform/CSHA1.h"

#include <cstring>

namespace ZeqUtils {

namespace {

uint32_t Rotl(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

uint32_t Big32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

void PutBig32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

}  // namespace

CSHA1::CSHA1() { Reset(); }

void CSHA1::Reset() {
    mState[0] = 0x67452301;
    mState[1] = 0xEFCDAB89;
    mState[2] = 0x98BADCFE;
    mState[3] = 0x10325476;
    mState[4] = 0xC3D2E1F0;
    mBytes = 0;
    std::memset(mBuffer, 0, sizeof(mBuffer));
    std::memset(mDigest, 0, sizeof(mDigest));
    mFinal = false;
}

void CSHA1::Transform(const uint8_t block[kBlockSize]) {
    uint32_t w[80];
    for (int t = 0; t < 16; ++t) w[t] = Big32(block + 4 * t);
    for (int t = 16; t < 80; ++t) w[t] = Rotl(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);
    uint32_t a = mState[0], b = mState[1], c = mState[2], d = mState[3], e = mState[4];
    for (int t = 0; t < 80; ++t) {
        uint32_t f, k;
        if (t < 20) {
            f = (b & c) | (~b & d);
            k = 0x5A827999;
        } else if (t < 40) {
            f = b ^ c ^ d;
            k = 0x6ED9EBA1;
        } else if (t < 60) {
            f = (b & c) | (b & d) | (c & d);
            k = 0x8F1BBCDC;
        } else {
            f = b ^ c ^ d;
            k = 0xCA62C1D6;
        }
        const uint32_t temp = Rotl(a, 5) + f + e + k + w[t];
        e = d;
        d = c;
        c = Rotl(b, 30);
        b = a;
        a = temp;
    }
    mState[0] += a;
    mState[1] += b;
    mState[2] += c;
    mState[3] += d;
    mState[4] += e;
}

void CSHA1::Update(const uint8_t* data, size_t len) {
    if (mFinal || (!data && len)) return;
    size_t have = static_cast<size_t>(mBytes % kBlockSize);
    mBytes += len;
    while (len > 0) {
        const size_t take = len < kBlockSize - have ? len : kBlockSize - have;
        std::memcpy(mBuffer + have, data, take);
        have += take;
        data += take;
        len -= take;
        if (have == kBlockSize) {
            Transform(mBuffer);
            have = 0;
        }
    }
}

void CSHA1::Final() {
    if (mFinal) return;
    const uint64_t bits = mBytes * 8;
    // Padding: one 1 bit, zeros up to 56 bytes mod 64, then the bit length (big-endian).
    static const uint8_t kPadding[kBlockSize] = {0x80};
    const size_t have = static_cast<size_t>(mBytes % kBlockSize);
    Update(kPadding, have < 56 ? 56 - have : 120 - have);
    uint8_t length[8];
    PutBig32(length, static_cast<uint32_t>(bits >> 32));
    PutBig32(length + 4, static_cast<uint32_t>(bits));
    Update(length, 8);
    for (int i = 0; i < 5; ++i) PutBig32(mDigest + 4 * i, mState[i]);
    mFinal = true;
}

bool CSHA1::GetHash(uint8_t* out) const {
    if (!mFinal || !out) return false;
    std::memcpy(out, mDigest, kDigestSize);
    return true;
}

}  // namespace ZeqUtils
