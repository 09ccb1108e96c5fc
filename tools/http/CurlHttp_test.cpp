// The libcurl functions installed into the library, against the local HTTP test server.
#include "CurlHttp.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "NodeTestServer.h"
#include "http/os_http.h"
#include "vrio/osal.h"

namespace {

using vrio_tools::CurlHttpGet;
using vrio_tools::CurlHttpPost;

class CurlHttp : public ::testing::Test {
protected:
    static void SetUpTestSuite() { sServer = new http_test::NodeTestServer(VRIO_NODE_EXECUTABLE, VRIO_TEST_SERVER); }
    static void TearDownTestSuite() {
        delete sServer;
        sServer = nullptr;
    }
    void SetUp() override {
        if (sServer->port() == 0) GTEST_SKIP() << "the node test server did not start";
        set_http_get_func(CurlHttpGet);
        set_http_post_func(CurlHttpPost);
    }
    static http_test::NodeTestServer* sServer;
};
http_test::NodeTestServer* CurlHttp::sServer = nullptr;

TEST_F(CurlHttp, GetThroughTheLibrary) {
    ASSERT_EQ(check_http_os_func(), 1);
    const std::string base = sServer->base();
    const struct {
        std::string url;
        int size;
        int code;
        std::string body;
    } cases[] = {
        {base + "/text/abc", 100, 200, "abc"},
        {base + "/text/abcdef", 4, 200, "abc"},
        {base + "/empty", 100, 702, ""},
        {base + "/status/404", 100, 404, ""},
        {base + "/big", 4096, 200, ""},  // the 2000 bytes are added below
        {"", 100, 700, ""},
        {base + "/text/x", 1, 700, ""},
        {"http://127.0.0.1:1/refused", 100, 0, ""},
    };
    for (const auto& c : cases) {
        std::string want = c.body;
        if (c.url == base + "/big") {
            for (int i = 0; i < 200; ++i) want += "0123456789";  // no 1023-byte bound natively
        }
        std::string buffer(static_cast<size_t>(c.size), 'u');
        EXPECT_EQ(OS_HttpGet(c.url.c_str(), &buffer[0], c.size), c.code) << c.url;
        if (c.code == 700) continue;  // invalid arguments touch nothing
        EXPECT_EQ(std::string(buffer.c_str()), want) << c.url;
    }
}

TEST_F(CurlHttp, PostHeadersAndBodyArrive) {
    const std::string url = sServer->base() + "/echo";
    char response[2048];
    ASSERT_EQ(OS_HttpPost(url.c_str(), nullptr, 0, "{\"a\":1}", 7, response, sizeof(response)), 200);
    std::string echoed = response;
    EXPECT_NE(echoed.find("\"content-type\":\"application/json\""), std::string::npos) << echoed;
    EXPECT_NE(echoed.find("\"body\":\"eyJhIjoxfQ==\""), std::string::npos) << echoed;  // base64 of {"a":1}
    const char* headers[] = {"X-A: b", "Content-Type: text/plain"};
    ASSERT_EQ(OS_HttpPost(url.c_str(), headers, 2, nullptr, 0, response, sizeof(response)), 200);
    echoed = response;
    EXPECT_NE(echoed.find("\"x-a\":\"b\""), std::string::npos) << echoed;
    EXPECT_NE(echoed.find("\"content-type\":\"text/plain\""), std::string::npos) << echoed;
    EXPECT_EQ(OS_HttpPost((sServer->base() + "/status/500").c_str(), nullptr, 0, nullptr, 0, nullptr, 0), 500);
}

TEST_F(CurlHttp, ATransferThatNeverEndsTimesOut) {
    vrio_tools::SetCurlHttpTimeoutMs(300);
    char response[16];
    EXPECT_EQ(CurlHttpGet((sServer->base() + "/hang").c_str(), response, sizeof(response)), 703);
    vrio_tools::SetCurlHttpTimeoutMs(60000);
}

TEST_F(CurlHttp, AsynchronousGet) {
    struct Result {
        std::atomic<int> code{-1};
        std::string body;
    } result;
    ASSERT_EQ(OS_HttpGet_ASync((sServer->base() + "/text/async").c_str(),
                               [](void* user, int code, char* response) {
                                   auto* r = static_cast<Result*>(user);
                                   r->body = response;
                                   r->code.store(code);
                               },
                               &result),
              0);
    for (int i = 0; i < 500 && result.code.load() < 0; ++i) osal_sleep_ms(10);
    EXPECT_EQ(result.code.load(), 200);
    EXPECT_EQ(result.body, "async");
}

}  // namespace
