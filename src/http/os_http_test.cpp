#include "http/os_http.h"

#include <gtest/gtest.h>
#include <sys/prctl.h>

#include <cstring>
#include <string>
#include <vector>

#include "http/HttpBridge.h"
#include "osal/ConditionVariable.h"
#include "osal/Mutex.h"

namespace {

// What the installed fake functions saw last. Guarded by gLock.
osal::mutex gLock;
std::string gUrl;
std::vector<std::string> gHeaders;
std::string gBody;
std::string gThread;

void Record(const char* url, const char** headers, int count, const void* body, int len) {
    osal::lock_guard<osal::mutex> guard(gLock);
    gUrl = url ? url : "(null)";
    gHeaders.clear();
    for (int i = 0; i < count; ++i) gHeaders.emplace_back(headers[i]);
    gBody.assign(static_cast<const char*>(body ? body : ""), body ? static_cast<size_t>(len) : 0);
    char name[17] = {0};
    prctl(PR_GET_NAME, name, 0, 0, 0);
    gThread = name;
}

int FakeGet(const char* url, char* response, int size) {
    Record(url, nullptr, 0, nullptr, 0);
    std::snprintf(response, static_cast<size_t>(size), "got %s", url ? url : "(null)");
    return 201;
}

int FakePost(const char* url, const char** headers, int count, const void* body, int len, char* response,
             int size) {
    Record(url, headers, count, body, len);
    if (response) std::snprintf(response, static_cast<size_t>(size), "posted %d", len);
    return 202;
}

// Refuses every bridge request, as a process without a registered script function does.
class NoScript : public zeqhttp::HttpDispatcher {
public:
    bool Queue(std::unique_ptr<zeqhttp::HttpRequestRecord>) override { return false; }
};

class OsHttp : public ::testing::Test {
protected:
    void SetUp() override {
        set_http_get_func(nullptr);
        set_http_post_func(nullptr);
        mPrevious = zeqhttp::SetDispatcherForTesting(&mNoScript);
    }
    void TearDown() override {
        zeqhttp::SetDispatcherForTesting(mPrevious);
        set_http_get_func(nullptr);
        set_http_post_func(nullptr);
    }
    NoScript mNoScript;
    zeqhttp::HttpDispatcher* mPrevious = nullptr;
};

TEST_F(OsHttp, InstalledFunctionsAndTheBridgeFallback) {
    EXPECT_EQ(check_http_os_func(), 0);
    set_http_get_func(FakeGet);
    EXPECT_EQ(check_http_os_func(), 0);
    set_http_post_func(FakePost);
    EXPECT_EQ(check_http_os_func(), 1);
    char buffer[64];
    EXPECT_EQ(OS_HttpGet("u1", buffer, sizeof(buffer)), 201);
    EXPECT_STREQ(buffer, "got u1");

    // Without a GET function the bridge's is installed; the embedder's POST function stays.
    set_http_get_func(nullptr);
    EXPECT_EQ(OS_HttpGet("http://127.0.0.1:9/", buffer, sizeof(buffer)), 701);
    EXPECT_EQ(check_http_os_func(), 1);
    EXPECT_EQ(OS_HttpPost("u2", nullptr, 0, "ab", 2, buffer, sizeof(buffer)), 202);

    set_http_functions(nullptr, nullptr);  // both the bridge's now
    EXPECT_EQ(OS_HttpPost("http://127.0.0.1:9/", nullptr, 0, "ab", 2, nullptr, 0), 701);
}

TEST_F(OsHttp, PostWithoutHeadersSendsTheJsonContentType) {
    set_http_post_func(FakePost);
    const char* headers[] = {"X-A: b", "Y:z"};
    char buffer[64];
    EXPECT_EQ(OS_HttpPost("u", nullptr, 0, "{}", 2, buffer, sizeof(buffer)), 202);
    EXPECT_EQ(gHeaders, (std::vector<std::string>{"Content-Type:application/json"}));
    EXPECT_EQ(gBody, "{}");
    EXPECT_EQ(OS_HttpPost("u", headers, 2, nullptr, 0, buffer, sizeof(buffer)), 202);
    EXPECT_EQ(gHeaders, (std::vector<std::string>{"X-A: b", "Y:z"}));
    EXPECT_EQ(OS_HttpPost("u", headers, -1, nullptr, 0, buffer, sizeof(buffer)), 700);
    EXPECT_EQ(OS_HttpPost("u", nullptr, 3, nullptr, 0, buffer, sizeof(buffer)), 700);
}

struct AsyncResult {
    osal::mutex lock;
    osal::condition_variable done;
    bool called = false;
    int result = 0;
    std::string response;
};

osal_bool_t NotCalled(void* arg) { return static_cast<AsyncResult*>(arg)->called ? 0 : 1; }

void AsyncDone(void* user, int result, char* response) {
    auto* r = static_cast<AsyncResult*>(user);
    osal::lock_guard<osal::mutex> guard(r->lock);
    r->called = true;
    r->result = result;
    r->response = response;
    r->done.notify_one();
}

bool WaitCalled(AsyncResult* r) {
    osal::lock_guard<osal::mutex> guard(r->lock);
    return r->done.wait_for(&r->lock, 5000, NotCalled, r);
}

TEST_F(OsHttp, AsynchronousCallsCopyTheirInputsAndRunOnNamedThreads) {
    set_http_get_func(FakeGet);
    set_http_post_func(FakePost);
    {
        AsyncResult r;
        char url[] = "async-url";
        ASSERT_EQ(OS_HttpGet_ASync(url, AsyncDone, &r), 0);
        std::memset(url, 'X', sizeof(url) - 1);  // the caller's text is gone at once
        ASSERT_TRUE(WaitCalled(&r));
        EXPECT_EQ(r.result, 201);
        EXPECT_EQ(r.response, "got async-url");
        osal::lock_guard<osal::mutex> guard(gLock);
        EXPECT_EQ(gThread, "httpget");
    }
    {
        AsyncResult r;
        std::string h = "X-A: b";
        const char* headers[] = {h.c_str()};
        char body[] = "payload";
        ASSERT_EQ(OS_HttpPost_ASync("post-url", headers, 1, body, 7, AsyncDone, &r), 0);
        h.assign(h.size(), '#');
        std::memset(body, '#', 7);
        ASSERT_TRUE(WaitCalled(&r));
        EXPECT_EQ(r.result, 202);
        EXPECT_EQ(r.response, "posted 7");
        osal::lock_guard<osal::mutex> guard(gLock);
        EXPECT_EQ(gThread, "httppost");
        EXPECT_EQ(gHeaders, (std::vector<std::string>{"X-A: b"}));
        EXPECT_EQ(gBody, "payload");
    }
    {
        AsyncResult r;  // no headers: the JSON content type, no body
        ASSERT_EQ(OS_HttpPost_ASync("post-url", nullptr, 5, "x", 0, AsyncDone, &r), 0);
        ASSERT_TRUE(WaitCalled(&r));
        osal::lock_guard<osal::mutex> guard(gLock);
        EXPECT_EQ(gHeaders, (std::vector<std::string>{"Content-Type:application/json"}));
        EXPECT_EQ(gBody, "");
    }
}

TEST_F(OsHttp, TheCaFileIsACopyAndEarlierPathsStayValid) {
    std::string path = "/tmp/ca-one.pem";
    OS_SetCaFile(path.c_str());
    path.assign(path.size(), '#');
    const char* first = get_ca_file();
    ASSERT_NE(first, nullptr);
    EXPECT_STREQ(first, "/tmp/ca-one.pem");
    OS_SetCaFile("/tmp/ca-two.pem");
    EXPECT_STREQ(get_ca_file(), "/tmp/ca-two.pem");
    EXPECT_STREQ(first, "/tmp/ca-one.pem");
    OS_SetCaFile(nullptr);
    EXPECT_EQ(get_ca_file(), nullptr);
}

}  // namespace
