// The signed token-request URL: canonical order, encoding, signature.
#include "platform/SignedRequestUrl.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

using ZeqUtils::GetSignedRequestUrl;

const std::map<std::string, std::string> kParams = {{"b", "2"}, {"a", "x y"}, {"Z", "/"}};

TEST(SignedRequestUrl, WithoutSecretTheParametersAppearInByteOrder) {
    EXPECT_EQ(GetSignedRequestUrl("https://sts.example", kParams, ""), "https://sts.example/?Z=%2F&a=x%20y&b=2");
}

TEST(SignedRequestUrl, WithSecretASignatureFollows) {
    // Signed text: GET&%2F&Z%3D%252F%26a%3Dx%2520y%26b%3D2 under the key "s3cr3t&" (reference
    // value computed outside this code base).
    EXPECT_EQ(GetSignedRequestUrl("https://sts.example", kParams, "s3cr3t"),
              "https://sts.example/?Z=%2F&a=x%20y&b=2&Signature=jI%2BQ9A4pU3CMG2UFfPuZ5DgmseY%3D");
    const std::map<std::string, std::string> request = {
        {"Timestamp", "2025-04-01T08:05:09Z"}, {"Action", "AssumeQlogRole"}, {"SignatureNonce", "abc"},
        {"Format", "JSON"}};
    EXPECT_EQ(GetSignedRequestUrl("http://h", request, "secret"),
              "http://h/?Action=AssumeQlogRole&Format=JSON&SignatureNonce=abc&Timestamp=2025-04-01T08%3A05%3A09Z"
              "&Signature=CW6vqBU8AWRwFcOGO01XOILVHAI%3D");
}

TEST(SignedRequestUrl, NoParametersNoUrl) {
    EXPECT_EQ(GetSignedRequestUrl("https://sts.example", {}, "s3cr3t"), "");
    EXPECT_EQ(GetSignedRequestUrl("https://sts.example", {}, ""), "");
}

TEST(SignedRequestUrl, NamesOrderByUnsignedBytes) {
    const std::map<std::string, std::string> params = {{"\xc3\xa9", "1"}, {"z", "2"}, {"A", "3"}};
    EXPECT_EQ(GetSignedRequestUrl("e", params, ""), "e/?A=3&z=2&%C3%A9=1");
}

}  // namespace
