// SHA-1 against the FIPS 180 examples and against OpenSSL on random input.
#include "platform/CSHA1.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/HashTestSupport.h"

namespace {

using ZeqUtils::CSHA1;

std::string Sha1Hex(const std::string& text, size_t repeat = 1) {
    CSHA1 h;
    for (size_t i = 0; i < repeat; ++i) h.Update(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    h.Final();
    uint8_t out[20];
    EXPECT_TRUE(h.GetHash(out));
    return platform_test::Hex(out, sizeof(out));
}

TEST(CSHA1, Fips180Examples) {
    EXPECT_EQ(Sha1Hex("abc"), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(Sha1Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
    EXPECT_EQ(Sha1Hex("a", 1000000), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
    EXPECT_EQ(Sha1Hex(""), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
}

TEST(CSHA1, ResetStartsOverAndNoHashBeforeFinal) {
    CSHA1 h;
    uint8_t out[20];
    h.Update(reinterpret_cast<const uint8_t*>("xyz"), 3);
    EXPECT_FALSE(h.GetHash(out));
    h.Reset();
    h.Update(reinterpret_cast<const uint8_t*>("abc"), 3);
    h.Final();
    h.Update(reinterpret_cast<const uint8_t*>("ignored"), 7);
    h.Final();
    ASSERT_TRUE(h.GetHash(out));
    EXPECT_EQ(platform_test::Hex(out, 20), "a9993e364706816aba3e25717850c26c9cd0d89d");
}

TEST(CSHA1, MatchesOpenSslOnRandomInputFedInRandomPieces) {
    std::mt19937 rng(180);
    for (size_t n : platform_test::InterestingLengths()) {
        const std::vector<uint8_t> data = platform_test::RandomBytes(rng, n);
        CSHA1 h;
        size_t at = 0;
        while (at < n) {
            const size_t piece = std::min<size_t>(n - at, std::uniform_int_distribution<size_t>(0, 130)(rng));
            h.Update(data.data() + at, piece);
            at += piece;
        }
        h.Final();
        uint8_t out[20];
        ASSERT_TRUE(h.GetHash(out));
        ASSERT_EQ(platform_test::Hex(out, 20), platform_test::OpenSslDigestHex(EVP_sha1(), data)) << n;
    }
}

}  // namespace
