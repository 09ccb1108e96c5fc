// MD5 against the RFC 1321 test suite and against OpenSSL on random input.
#include "platform/MD5.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/HashTestSupport.h"

namespace {

using ZeqUtils::MD5;
using ZeqUtils::md5;

TEST(MD5, Rfc1321TestSuite) {
    struct Case {
        const char* text;
        const char* digest;
    } cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const Case& c : cases) EXPECT_EQ(md5(c.text), c.digest) << c.text;
}

TEST(MD5, NoDigestBeforeFinalizeAndNoChangeAfter) {
    MD5 h;
    h.update("ab", 2);
    EXPECT_EQ(h.hexdigest(), "");
    uint8_t raw[16];
    EXPECT_FALSE(h.digest(raw));
    h.update("c", 1);
    EXPECT_EQ(h.finalize().hexdigest(), "900150983cd24fb0d6963f7d28e17f72");
    h.update("more", 4);  // ignored once final
    h.finalize();
    EXPECT_EQ(h.hexdigest(), "900150983cd24fb0d6963f7d28e17f72");
    ASSERT_TRUE(h.digest(raw));
    EXPECT_EQ(platform_test::Hex(raw, 16), "900150983cd24fb0d6963f7d28e17f72");
    MD5 none;
    none.update(static_cast<const char*>(nullptr), 5);  // refused, not read
    EXPECT_EQ(none.finalize().hexdigest(), "d41d8cd98f00b204e9800998ecf8427e");
}

TEST(MD5, MatchesOpenSslOnRandomInputFedInRandomPieces) {
    std::mt19937 rng(1321);
    for (size_t n : platform_test::InterestingLengths()) {
        const std::vector<uint8_t> data = platform_test::RandomBytes(rng, n);
        MD5 h;
        size_t at = 0;
        while (at < n) {
            const size_t piece = std::min<size_t>(n - at, std::uniform_int_distribution<size_t>(0, 130)(rng));
            h.update(data.data() + at, piece);
            at += piece;
        }
        ASSERT_EQ(h.finalize().hexdigest(), platform_test::OpenSslDigestHex(EVP_md5(), data)) << n;
    }
}

}  // namespace
