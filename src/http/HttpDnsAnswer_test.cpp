#include "http/HttpDnsAnswer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using ZeqUtils::ParseHttpDnsAnswer;

TEST(HttpDnsAnswer, TakesTheFirstUsableAddressOfTheFirstEntry) {
    const struct {
        std::string body;
        const char* ip;  // nullptr: refused
    } cases[] = {
        {R"({"dns_info":[{"ip":["192.0.2.1","192.0.2.2"]}]})", "192.0.2.1"},
        {R"({"dns_info":[{"ip":["2001:db8::1"]}],"ttl":5})", "2001:db8::1"},
        {R"({"dns_info":[{"ip":[1, null, {}, "nope", "192.0.2.3"]}]})", "192.0.2.3"},
        {R"({"dns_info":[{"ip":["2001:0db8:0000:0000:0000:0000:0000:0001:ffff"]}, {}]})", nullptr},
        {R"({"dns_info":[{"ip":["1111:2222:3333:4444:5555:6666:255.255.255.255"]}]})",
         "1111:2222:3333:4444:5555:6666:255.255.255.255"},  // 45 characters: fits 46 bytes
        {R"({"dns_info":[{"ip":["192.0.2.1\u0000x"]}]})", nullptr},  // embedded NUL
        {R"({"dns_info":[{"ip":[]}]})", nullptr},
        {R"({"dns_info":[{"ip":[]}, {"ip":["192.0.2.9"]}]})", nullptr},  // only the first entry counts
        {R"({"dns_info":[]})", nullptr},
        {R"({"dns_info":{}})", nullptr},
        {R"({"dns_info":[["192.0.2.1"]]})", nullptr},
        {R"({"dns_info":[{"ip":"192.0.2.1"}]})", nullptr},
        {R"({"other":1})", nullptr},
        {R"(["dns_info"])", nullptr},
        {R"("text")", nullptr},
        {R"({"dns_info":[{"ip":["192.0.2.1"]}]} trailing)", nullptr},
        {R"({"dns_info":[{"ip":["192.0.2.1")", nullptr},
        {std::string(3000, '[') + std::string(3000, ']'), nullptr},
        {"", nullptr},
    };
    for (const auto& c : cases) {
        char ip[46] = "unchanged";
        bool ok = ParseHttpDnsAnswer(c.body.data(), c.body.size(), ip, sizeof(ip));
        EXPECT_EQ(ok, c.ip != nullptr) << c.body.substr(0, 80);
        EXPECT_STREQ(ip, c.ip ? c.ip : "") << c.body.substr(0, 80);
    }
}

TEST(HttpDnsAnswer, RefusesAddressesThatDoNotFitAndOverlongAnswers) {
    std::string body = R"({"dns_info":[{"ip":["10.200.30.40","1.2.3.4"]}]})";
    char small[8];
    ASSERT_TRUE(ParseHttpDnsAnswer(body.data(), body.size(), small, sizeof(small)));
    EXPECT_STREQ(small, "1.2.3.4");

    std::string padded = R"({"dns_info":[{"ip":["192.0.2.1"]}],"pad":")" + std::string(4100, 'p') + "\"}";
    char ip[46];
    EXPECT_FALSE(ParseHttpDnsAnswer(padded.data(), padded.size(), ip, sizeof(ip)));
    EXPECT_FALSE(ParseHttpDnsAnswer(body.data(), body.size(), nullptr, 46));
}

}  // namespace
