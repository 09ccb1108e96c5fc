// Many short sessions in a row against edges that answer, refuse or say nothing: every destroy
// is quick and nothing stays behind (the sanitizer builds report leaks and races).
#include <gtest/gtest.h>

#include "EdgeProcess.h"
#include "PlayerProbe.h"
#include "vrio/osal.h"
#include "vrio/zeq_net_api.h"

namespace e2e {
namespace {

constexpr int kCycles = 50;
constexpr int64_t kDestroyLimitMs = 1000;

TEST(OpenDestroyCycles, FiftySessionsAgainstAnsweringRefusingAndSilentEdges) {
    ASSERT_EQ(SetProcessOption("AutoReconnect", "true"), 0);
    ASSERT_EQ(SetProcessOption("SigTimeoutMs", "300"), 0);  // the silent edge's sessions time out and reload
    EdgeProcess answering;
    EdgeProcess refusing({"--switches", "refuse-connect=403"});
    EdgeProcess silent({"--switches", "silent=on"});
    ASSERT_TRUE(answering.Started() && refusing.Started() && silent.Started());
    EdgeProcess* edges[] = {&answering, &refusing, &silent};
    {
        // One session first: what a process starts once (a sanitizer's own thread) is not a leak.
        PlayerProbe warmUp;
        ASSERT_TRUE(warmUp.Open(EdgeUrl(answering.Port())));
    }
    const int threadsBefore = ThreadCount();

    int64_t slowest = 0;
    for (int i = 0; i < kCycles; ++i) {
        EdgeProcess& edge = *edges[i % 3];
        PlayerProbe player;
        ASSERT_TRUE(player.Open(EdgeUrl(edge.Port()))) << "cycle " << i;
        // Destroy at different points of the session's life: at once, while connecting, connected.
        const int lifeMs = (i / 3) % 4 * 150;
        if (lifeMs > 0) osal_sleep_ms(lifeMs);
        const int64_t took = player.Destroy();
        EXPECT_LT(took, kDestroyLimitMs) << "cycle " << i;
        slowest = std::max(slowest, took);
        EXPECT_EQ(player.Messages(121).size(), 1u) << "cycle " << i;
    }
    EXPECT_LE(WaitThreadCount(threadsBefore, 1000), threadsBefore);
    RecordProperty("slowest_destroy_ms", static_cast<int>(slowest));
    // Every session the edges saw ends as sessions do; none of them saw a malformed message.
    for (EdgeProcess* e : edges) EXPECT_TRUE(e->LogLines("edge: bad").empty()) << e->Log();
    EXPECT_GE(answering.LogLines(" started").size(), 1u);
}

}  // namespace
}  // namespace e2e
