#include "platform/MD5.h"

#include <cstring>

namespace ZeqUtils {

namespace {

// Per-step constants: floor(|sin(i + 1)| * 2^32).
constexpr uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};

// Left-rotation amounts, four per round.
constexpr int kShift[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

uint32_t Rotl(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

uint32_t Little32(const uint8_t* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

void PutLittle32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

MD5::MD5() : mState{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476}, mBuffer{}, mDigest{} {}

MD5::MD5(const std::string& text) : MD5() {
    update(text.data(), text.size());
    finalize();
}

void MD5::Transform(const uint8_t block[64]) {
    uint32_t x[16];
    for (int i = 0; i < 16; ++i) x[i] = Little32(block + 4 * i);
    uint32_t a = mState[0], b = mState[1], c = mState[2], d = mState[3];
    for (int i = 0; i < 64; ++i) {
        const int round = i / 16;
        uint32_t f;
        int g;
        switch (round) {
            case 0:
                f = (b & c) | (~b & d);
                g = i;
                break;
            case 1:
                f = (d & b) | (~d & c);
                g = (5 * i + 1) % 16;
                break;
            case 2:
                f = b ^ c ^ d;
                g = (3 * i + 5) % 16;
                break;
            default:
                f = c ^ (b | ~d);
                g = (7 * i) % 16;
                break;
        }
        const uint32_t rotated = Rotl(a + f + kSine[i] + x[g], kShift[round][i % 4]);
        a = d;
        d = c;
        c = b;
        b = b + rotated;
    }
    mState[0] += a;
    mState[1] += b;
    mState[2] += c;
    mState[3] += d;
}

void MD5::update(const unsigned char* bytes, size_t n) {
    if (mFinalized || (!bytes && n)) return;
    size_t have = static_cast<size_t>(mBytes % 64);
    mBytes += n;
    while (n > 0) {
        const size_t take = n < 64 - have ? n : 64 - have;
        std::memcpy(mBuffer + have, bytes, take);
        have += take;
        bytes += take;
        n -= take;
        if (have == 64) {
            Transform(mBuffer);
            have = 0;
        }
    }
}

void MD5::update(const char* bytes, size_t n) { update(reinterpret_cast<const unsigned char*>(bytes), n); }

MD5& MD5::finalize() {
    if (mFinalized) return *this;
    const uint64_t bits = mBytes * 8;
    // Padding: one 1 bit, zeros up to 56 bytes mod 64, then the bit length (little-endian).
    static const uint8_t kPadding[64] = {0x80};
    const size_t have = static_cast<size_t>(mBytes % 64);
    update(kPadding, have < 56 ? 56 - have : 120 - have);
    uint8_t length[8];
    PutLittle32(length, static_cast<uint32_t>(bits));
    PutLittle32(length + 4, static_cast<uint32_t>(bits >> 32));
    update(length, 8);
    for (int i = 0; i < 4; ++i) PutLittle32(mDigest + 4 * i, mState[i]);
    mFinalized = true;
    return *this;
}

std::string MD5::hexdigest() const {
    if (!mFinalized) return std::string();
    static const char kHex[] = "0123456789abcdef";
    std::string out(32, '0');
    for (int i = 0; i < 16; ++i) {
        out[2 * i] = kHex[mDigest[i] >> 4];
        out[2 * i + 1] = kHex[mDigest[i] & 0x0F];
    }
    return out;
}

bool MD5::digest(uint8_t out[16]) const {
    if (!mFinalized || !out) return false;
    std::memcpy(out, mDigest, sizeof(mDigest));
    return true;
}

std::string md5(const std::string& text) { return MD5(text).hexdigest(); }

}  // namespace ZeqUtils
