// The resolver against the local HTTP-DNS server, its HTTP lookups carried by the libcurl GET
// function. The server text of a lookup names the server's behaviour as a path prefix
// ("127.0.0.1:<port>/ok5"), see http_test_server.js. System lookups resolve localhost only.
#include <gtest/gtest.h>

#include <string>

#include "CurlHttp.h"
#include "NodeTestServer.h"
#include "http/dns_resolver.h"
#include "http/os_http.h"
#include "platform/TestLogCapture.h"

namespace {

using ZeqUtils::dns_resolver;

struct Outcome {
    int rc;
    std::string ip;
    int source;
};

class DnsOverHttp : public ::testing::Test {
protected:
    static void SetUpTestSuite() { sServer = new http_test::NodeTestServer(VRIO_NODE_EXECUTABLE, VRIO_TEST_SERVER); }
    static void TearDownTestSuite() {
        delete sServer;
        sServer = nullptr;
    }
    void SetUp() override {
        if (sServer->port() == 0) GTEST_SKIP() << "the node test server did not start";
        set_http_get_func(vrio_tools::CurlHttpGet);
    }
    void TearDown() override {
        for (int i = 0; i < 600 && dns_resolver::LiveLookupsForTesting() > 0; ++i) osal_sleep_ms(10);
        EXPECT_EQ(dns_resolver::LiveLookupsForTesting(), 0);
        dns_resolver::SetBuiltInServersForTesting({});
        set_http_get_func(nullptr);
    }
    static std::string Server(const std::string& behaviour) { return sServer->hostport() + "/" + behaviour; }
    static Outcome Resolve(const char* url, const std::string& custom, int dns_type = DnsAny, bool ipv6 = false,
                           int timeout_ms = 3000) {
        char ip[46] = {0};
        char host[1024];
        int source = -1;
        int rc = resolve_ip_cancellable(url, ip, sizeof(ip), &source, host, sizeof(host), timeout_ms, dns_type,
                                        custom.c_str(), nullptr, nullptr, ipv6);
        return Outcome{rc, ip, source};
    }
    static http_test::NodeTestServer* sServer;
};
http_test::NodeTestServer* DnsOverHttp::sServer = nullptr;

TEST_F(DnsOverHttp, CustomServers) {
    const struct {
        std::string custom;
        bool ipv6;
        int rc;
        const char* ip;
        int source;
    } cases[] = {
        {Server("ok5"), false, 0, "192.0.2.5", 15},
        {Server("ok5"), true, 0, "2001:db8::5", 15},
        {Server("fail") + "," + Server("late6-200"), false, 0, "192.0.2.6", 16},
        {Server("mixed"), false, 0, "192.0.2.33", 15},
        {sServer->hostport(), false, 0, "192.0.2.9", 15},  // the server answers the host key
        {Server("bad") + "," + Server("noip") + "," + Server("empty"), false, -1, "", -1},
        {Server("fail") + ",", false, 0, "127.0.0.1", 16},  // trailing comma: the system lookup
    };
    for (const auto& c : cases) {
        // The system lookup of the last case needs a name the machine answers itself.
        const char* url = c.custom.back() == ',' ? "zrtc://localhost:1106/a/b" : "zrtc://192-0-2-9.test:1106/a/b";
        Outcome out = Resolve(url, c.custom, DnsAny, c.ipv6);
        EXPECT_EQ(out.rc, c.rc) << c.custom;
        EXPECT_EQ(out.ip, c.ip) << c.custom;
        EXPECT_EQ(out.source, c.source) << c.custom;
    }
}

TEST_F(DnsOverHttp, MalformedAnswersFailTheirLookupWithALogLine) {
    platform_test::LogCapture log;
    EXPECT_EQ(Resolve("edge.test", Server("bad")).rc, -1);
    EXPECT_TRUE(log.Has("HttpDNS answer refused: not JSON"));
    EXPECT_EQ(Resolve("edge.test", Server("noip")).rc, -1);
    EXPECT_TRUE(log.Has("HttpDNS answer refused: no usable address"));
    EXPECT_EQ(Resolve("edge.test", Server("fail")).rc, -1);
    EXPECT_TRUE(log.Has("HttpDNS server unavailable. Resolve failed!"));
}

TEST_F(DnsOverHttp, BuiltInServersAgainstTheSystemLookup) {
    // HTTP-DNS only: the system answer for localhost comes first but waits for the late server.
    dns_resolver::SetBuiltInServersForTesting({Server("fail"), Server("late7-300")});
    Outcome out = Resolve("localhost", "", DnsHttpOnly);
    EXPECT_EQ(out.rc, 0);
    EXPECT_EQ(out.ip, "192.0.2.7");
    EXPECT_EQ(out.source, 16);
    // The system lookup only: the servers answer at once but are refused.
    dns_resolver::SetBuiltInServersForTesting({Server("ok1"), Server("ok2")});
    out = Resolve("localhost", "", DnsLocalOnly);
    EXPECT_EQ(out.ip, "127.0.0.1");
    EXPECT_EQ(out.source, 10);
    // A server that never answers within the deadline: the system answer is taken at the deadline.
    dns_resolver::SetBuiltInServersForTesting({Server("late1-1500"), Server("late2-1500")});
    out = Resolve("localhost", "", DnsHttpOnly, false, 400);
    EXPECT_EQ(out.ip, "127.0.0.1");
    EXPECT_EQ(out.source, 10);
}

}  // namespace
