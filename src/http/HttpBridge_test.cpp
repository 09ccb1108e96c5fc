#include "http/HttpBridge.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "http/HttpRequestMap.h"
#include "osal/ConditionVariable.h"
#include "osal/Thread.h"
#include "platform/TestLogCapture.h"

namespace {

using zeqhttp::BridgeRequest;
using zeqhttp::HttpRequestRecord;

// Plays the script thread: a thread of its own takes queued records and answers them by URL:
//   "answer:<code>:<text>"  answers at once     "keep"  answers only when the test says so
// Every record it got is kept for inspection.
class FakeScript : public zeqhttp::HttpDispatcher {
public:
    FakeScript() : mThread(Run, this) { mPrevious = zeqhttp::SetDispatcherForTesting(this); }
    ~FakeScript() override {
        zeqhttp::SetDispatcherForTesting(mPrevious);
        {
            osal::lock_guard<osal::mutex> guard(mLock);
            mQuit = true;
        }
        mWake.notify_one();
        mThread.join();
    }

    bool Queue(std::unique_ptr<HttpRequestRecord> record) override {
        if (mRefuse) return false;
        {
            osal::lock_guard<osal::mutex> guard(mLock);
            mQueue.push_back(std::move(record));
        }
        mWake.notify_one();
        return true;
    }

    std::atomic<bool> mRefuse{false};

    // Records received so far (copies).
    std::vector<HttpRequestRecord> Received() {
        osal::lock_guard<osal::mutex> guard(mLock);
        return mReceived;
    }
    // Waits (bounded) for the n-th record and returns its id.
    std::string WaitForRecord(size_t n) {
        for (int i = 0; i < 500; ++i) {
            {
                osal::lock_guard<osal::mutex> guard(mLock);
                if (mReceived.size() >= n) return mReceived[n - 1].id;
            }
            osal_sleep_ms(2);
        }
        return std::string();
    }

private:
    static osal_bool_t Empty(void* arg) {
        auto* self = static_cast<FakeScript*>(arg);
        return self->mQueue.empty() && !self->mQuit ? 1 : 0;
    }
    static void Run(void* arg) {
        osal::SetCurrentThreadName("FakeScript");
        auto* self = static_cast<FakeScript*>(arg);
        for (;;) {
            std::unique_ptr<HttpRequestRecord> record;
            {
                osal::lock_guard<osal::mutex> guard(self->mLock);
                self->mWake.wait_for(&self->mLock, 100, Empty, self);
                if (self->mQuit) return;
                if (self->mQueue.empty()) continue;
                record = std::move(self->mQueue.front());
                self->mQueue.pop_front();
                self->mReceived.push_back(*record);
            }
            const std::string& url = record->url;
            if (url.rfind("answer:", 0) == 0) {
                size_t colon = url.find(':', 7);
                std::string code = url.substr(7, colon - 7);
                std::string text = colon == std::string::npos ? "" : url.substr(colon + 1);
                zeqhttp::OnResponse(record->id, code.c_str(), text.data(), text.size());
            }
        }
    }

    osal::mutex mLock;
    osal::condition_variable mWake;
    std::deque<std::unique_ptr<HttpRequestRecord>> mQueue;
    std::vector<HttpRequestRecord> mReceived;
    bool mQuit = false;
    osal::thread mThread;
    zeqhttp::HttpDispatcher* mPrevious = nullptr;
};

int Get(const std::string& url, char* buffer, int size) {
    return BridgeRequest(false, url.c_str(), nullptr, 0, nullptr, 0, buffer, size);
}

TEST(HttpBridge, ResultCodesAndTheResponseBuffer) {
    FakeScript script;
    const std::string long_text(2000, 'z');
    const struct {
        std::string url;
        int size;
        int code;
        std::string body;
    } cases[] = {
        {"answer:200:hello", 100, 200, "hello"},
        {"answer:200:hello", 3, 200, "he"},
        {"answer:200:", 100, 702, ""},
        {"answer:404:not here", 100, 404, ""},
        {"answer:abc:x", 100, 0, ""},         // no number: status 0
        {"answer:20000:x", 100, 2000, ""},    // four characters are read
        {"answer:200:" + long_text, 4096, 200, std::string(1023, 'z')},
    };
    for (const auto& c : cases) {
        std::vector<char> buffer(static_cast<size_t>(c.size), 'u');
        EXPECT_EQ(Get(c.url, buffer.data(), c.size), c.code) << c.url.substr(0, 30);
        EXPECT_EQ(std::string(buffer.data()), c.body) << c.url.substr(0, 30);
    }
    // Without a buffer a POST takes the status alone, an empty 200 included.
    EXPECT_EQ(BridgeRequest(true, "answer:200:", nullptr, 0, nullptr, 0, nullptr, 0), 200);
    EXPECT_EQ(BridgeRequest(true, "answer:503:x", nullptr, 0, nullptr, 0, nullptr, 0), 503);
    EXPECT_EQ(zeqhttp::HttpRequestMap::Get().Size(), 0u);
}

TEST(HttpBridge, InvalidArgumentsAnswer700WithoutQueueing) {
    FakeScript script;
    char buffer[10];
    const char* one_header[] = {"A:b"};
    EXPECT_EQ(BridgeRequest(false, nullptr, nullptr, 0, nullptr, 0, buffer, 10), 700);
    EXPECT_EQ(BridgeRequest(false, "", nullptr, 0, nullptr, 0, buffer, 10), 700);
    EXPECT_EQ(BridgeRequest(false, "answer:200:x", nullptr, 0, nullptr, 0, nullptr, 10), 700);
    EXPECT_EQ(BridgeRequest(false, "answer:200:x", nullptr, 0, nullptr, 0, buffer, 1), 700);
    EXPECT_EQ(BridgeRequest(true, "answer:200:x", nullptr, 0, nullptr, 0, buffer, 1), 700);
    EXPECT_EQ(BridgeRequest(true, "answer:200:x", nullptr, 2, nullptr, 0, buffer, 10), 700);
    EXPECT_EQ(BridgeRequest(true, "answer:200:x", one_header, -1, nullptr, 0, buffer, 10), 700);
    EXPECT_TRUE(script.Received().empty());
}

TEST(HttpBridge, RefusedQueueAnswers701) {
    FakeScript script;
    script.mRefuse = true;
    char buffer[10] = "x";
    platform_test::LogCapture log;
    EXPECT_EQ(Get("answer:200:x", buffer, 10), 701);
    EXPECT_STREQ(buffer, "");
    EXPECT_TRUE(log.Has("os_http_post_get, napi_call_threadsafe_function failed."));
    EXPECT_EQ(zeqhttp::HttpRequestMap::Get().Size(), 0u);
}

TEST(HttpBridge, TheRecordHoldsCopiesOfEverything) {
    FakeScript script;
    std::string url = "answer:200:ok";
    std::string h1 = "X-A: b", h2 = "Content-Type:text/plain";
    const char* headers[] = {h1.c_str(), nullptr, h2.c_str()};
    std::vector<uint8_t> body = {1, 0, 2, 255};
    char buffer[10];
    EXPECT_EQ(BridgeRequest(true, url.c_str(), headers, 3, body.data(), 4, buffer, 10), 200);
    // The caller's memory is reused at once; what the script got must not change with it.
    url.assign(url.size(), '#');
    h1.assign(h1.size(), '#');
    body.assign(4, 9);
    std::vector<HttpRequestRecord> got = script.Received();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_TRUE(got[0].is_post);
    EXPECT_EQ(got[0].url, "answer:200:ok");
    EXPECT_EQ(got[0].headers, (std::vector<std::string>{"X-A: b", "Content-Type:text/plain"}));
    EXPECT_EQ(got[0].body, (std::vector<uint8_t>{1, 0, 2, 255}));
    EXPECT_EQ(got[0].id.size(), 16u);
    EXPECT_EQ(got[0].id.find_first_not_of(zeqhttp::kRequestIdAlphabet), std::string::npos);

    EXPECT_EQ(BridgeRequest(true, "answer:200:ok", nullptr, 0, body.data(), 0, buffer, 10), 200);
    EXPECT_TRUE(script.Received()[1].body.empty());  // a length of 0 sends no body
}

TEST(HttpBridge, AnswersAfterTheDeadlineAreDropped) {
    FakeScript script;
    int64_t previous = zeqhttp::SetResponseDeadlineForTesting(150);
    platform_test::LogCapture log;
    char buffer[10] = "x";
    EXPECT_EQ(Get("keep", buffer, 10), 703);
    EXPECT_TRUE(log.Has("os_http_post_get, Get HTTP response timeout!"));
    EXPECT_EQ(zeqhttp::HttpRequestMap::Get().Size(), 0u);
    // The late answer finds no context: logged, and nothing of the ended request is touched.
    std::string id = script.WaitForRecord(1);
    ASSERT_FALSE(id.empty());
    zeqhttp::OnResponse(id, "200", "late", 4);
    EXPECT_TRUE(log.Has("[Native]OnHttpResponse, failed to get response context."));
    EXPECT_STREQ(buffer, "");
    zeqhttp::SetResponseDeadlineForTesting(previous);
}

// Each of many callers on many threads gets its own answer; answers come back out of order.
TEST(HttpBridge, ConcurrentRequestsEachGetTheirOwnAnswer) {
    FakeScript script;
    constexpr int kThreads = 6;
    constexpr int kRequests = 25;
    std::atomic<int> wrong{0};
    struct Arg {
        int index;
        std::atomic<int>* wrong;
    };
    std::vector<Arg> args;
    for (int t = 0; t < kThreads; ++t) args.push_back(Arg{t, &wrong});
    std::vector<osal::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back(
            [](void* p) {
                auto* arg = static_cast<Arg*>(p);
                for (int i = 0; i < kRequests; ++i) {
                    std::string text = "t" + std::to_string(arg->index) + "r" + std::to_string(i);
                    char buffer[32];
                    int code = Get("answer:200:" + text, buffer, sizeof(buffer));
                    if (code != 200 || text != buffer) arg->wrong->fetch_add(1);
                }
            },
            &args[static_cast<size_t>(t)]);
    }
    for (osal::thread& t : threads) t.join();
    EXPECT_EQ(wrong.load(), 0);
    std::set<std::string> ids;
    for (const HttpRequestRecord& r : script.Received()) ids.insert(r.id);
    EXPECT_EQ(ids.size(), static_cast<size_t>(kThreads * kRequests));
    EXPECT_EQ(zeqhttp::HttpRequestMap::Get().Size(), 0u);
}

TEST(HttpRequestMap, IdentifiersStayUniqueWhenTheGeneratorRepeats) {
    auto& map = zeqhttp::HttpRequestMap::Get();
    std::srand(7);
    auto first = map.Create();
    std::srand(7);  // another module reseeds: the same draw comes up again
    auto second = map.Create();
    EXPECT_NE(first->id(), second->id());
    EXPECT_EQ(map.Find(first->id()), first);
    map.Remove(first->id());
    map.Remove(second->id());
    EXPECT_EQ(map.Find(first->id()), nullptr);
}

}  // namespace
