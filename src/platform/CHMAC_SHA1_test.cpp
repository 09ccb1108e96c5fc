// HMAC-SHA1 against RFC 2202, Base64 against RFC 4648, both against OpenSSL on random input.
#include "platform/CHMAC_SHA1.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/HashTestSupport.h"

namespace {

using ZeqUtils::CHMAC_SHA1;
using platform_test::Bytes;

std::string HmacHex(const std::vector<uint8_t>& key, const std::vector<uint8_t>& data) {
    uint8_t digest[20];
    CHMAC_SHA1().HMAC_SHA1(data.data(), data.size(), key.data(), key.size(), digest);
    return platform_test::Hex(digest, sizeof(digest));
}

TEST(CHMAC_SHA1, Rfc2202TestCases) {
    std::vector<uint8_t> key4;
    for (uint8_t b = 1; b <= 25; ++b) key4.push_back(b);
    struct Case {
        std::vector<uint8_t> key;
        std::vector<uint8_t> data;
        const char* digest;
    } cases[] = {
        {std::vector<uint8_t>(20, 0x0b), Bytes("Hi There"), "b617318655057264e28bc0b6fb378c8ef146be00"},
        {Bytes("Jefe"), Bytes("what do ya want for nothing?"), "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79"},
        {std::vector<uint8_t>(20, 0xaa), std::vector<uint8_t>(50, 0xdd), "125d7342b9ac11cd91a39af48aa17b4f63f175d3"},
        {key4, std::vector<uint8_t>(50, 0xcd), "4c9007f4026250c6bc8414f9bf50c86c2d7235da"},
        {std::vector<uint8_t>(20, 0x0c), Bytes("Test With Truncation"), "4c1a03424b55e07fe7f27be1d58bb9324a9a5a04"},
        {std::vector<uint8_t>(80, 0xaa), Bytes("Test Using Larger Than Block-Size Key - Hash Key First"),
         "aa4ae5e15272d00e95705637ce8a3b55ed402112"},
        {std::vector<uint8_t>(80, 0xaa),
         Bytes("Test Using Larger Than Block-Size Key and Larger Than One Block-Size Data"),
         "e8e99d0f45237d786d6bbaa7965c7808bbff1a91"},
    };
    for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i)
        EXPECT_EQ(HmacHex(cases[i].key, cases[i].data), cases[i].digest) << "case " << i + 1;
}

TEST(CHMAC_SHA1, MatchesOpenSslForKeysAroundTheBlockSize) {
    std::mt19937 rng(2104);
    for (size_t key_len : {0, 1, 20, 63, 64, 65, 100, 200}) {
        for (size_t data_len : {0, 1, 55, 56, 64, 119, 1000}) {
            const std::vector<uint8_t> key = platform_test::RandomBytes(rng, key_len);
            const std::vector<uint8_t> data = platform_test::RandomBytes(rng, data_len);
            ASSERT_EQ(HmacHex(key, data), platform_test::OpenSslHmacSha1Hex(key, data)) << key_len << "/" << data_len;
        }
    }
}

TEST(CHMAC_SHA1, NullDigestIsNotWritten) {
    CHMAC_SHA1().HMAC_SHA1(nullptr, 5, nullptr, 5, nullptr);  // nothing to write to: no crash
    uint8_t digest[20];
    CHMAC_SHA1().HMAC_SHA1(nullptr, 5, nullptr, 5, digest);   // null inputs count as empty
    EXPECT_EQ(platform_test::Hex(digest, 20), "fbdb1d1b18aa6c08324b7d64b71fb76370690e1d");
}

std::string B64(const std::string& s) {
    std::vector<char> out(CHMAC_SHA1::Base64EncodedSize(s.size()));
    const int n = CHMAC_SHA1::Base64_Encode(out.data(), reinterpret_cast<const uint8_t*>(s.data()), s.size());
    EXPECT_EQ(static_cast<size_t>(n) + 1, out.size());
    EXPECT_EQ(out.back(), '\0');
    return std::string(out.data());
}

TEST(CHMAC_SHA1, Base64Rfc4648Vectors) {
    EXPECT_EQ(B64(""), "");
    EXPECT_EQ(B64("f"), "Zg==");
    EXPECT_EQ(B64("fo"), "Zm8=");
    EXPECT_EQ(B64("foo"), "Zm9v");
    EXPECT_EQ(B64("foob"), "Zm9vYg==");
    EXPECT_EQ(B64("fooba"), "Zm9vYmE=");
    EXPECT_EQ(B64("foobar"), "Zm9vYmFy");
    EXPECT_EQ(B64("\xfb\xff\xfe"), "+//+");
}

TEST(CHMAC_SHA1, Base64MatchesOpenSslOnRandomInput) {
    std::mt19937 rng(4648);
    for (size_t n : platform_test::InterestingLengths()) {
        const std::vector<uint8_t> data = platform_test::RandomBytes(rng, n);
        std::vector<unsigned char> want(4 * ((n + 2) / 3) + 1);
        const int want_len = EVP_EncodeBlock(want.data(), data.data(), static_cast<int>(n));
        ASSERT_EQ(CHMAC_SHA1::Base64(data.data(), n), std::string(reinterpret_cast<char*>(want.data()), want_len)) << n;
    }
}

}  // namespace
