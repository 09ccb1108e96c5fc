// The engine context: per-connection log routing and levels, parameters, user data, the static
// entry points on NULL contexts.
#include "engine/EngineServiceContext.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/EngineService.h"

namespace zeqmcdn {
namespace {

class TestContext : public EngineServiceContext {
public:
    TestContext() : EngineServiceContext("test") {}
    void NotifyUnlock() override {}
};

struct PlayerLog {
    std::vector<std::string> lines;
    std::vector<int> levels;
    static int Fn(void* user, int level, const char* fmt, va_list args) {
        auto* self = static_cast<PlayerLog*>(user);
        char line[512];
        vsnprintf(line, sizeof(line), fmt, args);
        self->lines.emplace_back(line);
        self->levels.push_back(level);
        return 0;
    }
};

class ContextLogTest : public testing::Test {
protected:
    void TearDown() override { osal::LLogInterface::GetInst()->SetLogLevel(LLOG_DEBUG); }
};

TEST_F(ContextLogTest, FinalLevelGatesAndTagsTheLines) {
    PlayerLog log;
    TestContext ctx;
    ctx.SetLogFunc(true, PlayerLog::Fn, &log, false, false, false, EngineService::kInfo);
    EXPECT_EQ(gLLogLevelVal, 2);
    EXPECT_EQ(ctx.GetFinalLogLevel(), 2);
    llogging("McdnContext1.cpp", 45, LLOG_INFO, "create %d\n", 1);
    llogging("McdnContext1.cpp", 46, LLOG_DEBUG, "hidden\n");
    llogging("x.cpp", 1, LLOG_ERROR, "e\n");
    llogging("x.cpp", 2, LLOG_WARN, "w\n");
    ASSERT_EQ(log.lines.size(), 3u);
    EXPECT_EQ(log.lines[0], "[INFO][McdnContext1.cpp:45]create 1\n");
    EXPECT_EQ(log.lines[1], "[ERROR][x.cpp:1]e\n");
    EXPECT_EQ(log.lines[2], "[WARN][x.cpp:2]w\n");
    EXPECT_EQ(log.levels, (std::vector<int>{2, 0, 1}));
    EXPECT_TRUE(ctx.NeedOutputLocalLog(2));
    EXPECT_FALSE(ctx.NeedOutputLocalLog(3));

    ctx.SetLogFunc(true, PlayerLog::Fn, &log, false, false, false, EngineService::kDebug);
    llogging("x.cpp", 3, LLOG_DEBUG, "d\n");
    EXPECT_EQ(log.lines.back(), "[DBUG][x.cpp:3]d\n");
}

TEST_F(ContextLogTest, WithoutALogFunctionNothingIsDelivered) {
    TestContext ctx;
    ctx.SetLogFunc(false, nullptr, nullptr, false, false, false, EngineService::kDebug);
    llogging("x.cpp", 1, LLOG_ERROR, "nobody\n");  // must not crash or reach anybody
    EXPECT_EQ(EngineService::MyPrintf(&ctx, 0, "x %d\n", 1), 0);  // logging disabled: quietly 0
    EXPECT_EQ(EngineService::MyPrintf(nullptr, 0, "x\n"), -1);

    TestContext enabledButEmpty;
    enabledButEmpty.SetLogFunc(true, nullptr, nullptr, false, false, false, EngineService::kDebug);
    EXPECT_EQ(EngineService::MyPrintf(&enabledButEmpty, 0, "x\n"), -1);
}

TEST_F(ContextLogTest, TheLastCreatedConnectionGetsTheLinesUntilItIsGone) {
    PlayerLog logA, logB;
    TestContext a;
    a.SetLogFunc(true, PlayerLog::Fn, &logA, false, false, false, EngineService::kDebug);
    {
        TestContext b;
        b.SetLogFunc(true, PlayerLog::Fn, &logB, false, false, false, EngineService::kDebug);
        llogging("x.cpp", 1, LLOG_INFO, "to b\n");
        EXPECT_TRUE(logA.lines.empty());
        ASSERT_EQ(logB.lines.size(), 1u);
        // MyPrintf always goes to the context it names, without a source position.
        EXPECT_EQ(EngineService::MyPrintf(&a, 2, "direct %s\n", "a"), 0);
        ASSERT_EQ(logA.lines.size(), 1u);
        EXPECT_EQ(logA.lines[0], "[INFO]direct a\n");
    }
    llogging("x.cpp", 2, LLOG_INFO, "to a\n");
    ASSERT_EQ(logA.lines.size(), 2u);
    EXPECT_EQ(logA.lines[1], "[INFO][x.cpp:2]to a\n");
}

TEST_F(ContextLogTest, RemoteLevelOverride) {
    PlayerLog log;
    TestContext ctx;
    ctx.SetLogFunc(true, PlayerLog::Fn, &log, false, false, false, EngineService::kInfo);
    struct Case {
        const char* value;
        bool applied;
        int level;
    } cases[] = {
        {"3", true, 3}, {"101", false, 3}, {"-1", false, 3}, {"abc", false, 3}, {"", false, 3},
        {"0", true, 0}, {"100", true, 100},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ctx.ApplyLogLevelOverride(c.value), c.applied) << c.value;
        EXPECT_EQ(ctx.GetFinalLogLevel(), c.level) << c.value;
        EXPECT_EQ(gLLogLevelVal, c.level) << c.value;
    }
    log.lines.clear();
    llogging("x.cpp", 1, LLOG_ERROR, "silenced\n");
    EXPECT_TRUE(log.lines.empty());  // 100 silences the connection
    // The override outlives a later SetLogFunc: the final level stays the override.
    ctx.SetLogFunc(true, PlayerLog::Fn, &log, false, false, false, EngineService::kDebug);
    EXPECT_EQ(ctx.GetFinalLogLevel(), 100);
}

TEST(ContextParameters, GetCopiesAtMostSizeMinusOne) {
    TestContext ctx;
    ctx.SetParameter("dns_query_cancel", "0");
    ctx.SetParameter("dns_query_cancel", "1");
    ctx.SetParameter(nullptr, "x");
    ctx.SetParameter("empty", "");
    char buf[8];
    std::memset(buf, 'z', sizeof(buf));
    EXPECT_EQ(ctx.GetParameter("dns_query_cancel", buf, 1), 1);
    EXPECT_EQ(buf[0], '\0');
    EXPECT_EQ(buf[1], 'z');
    EXPECT_EQ(ctx.GetParameter("dns_query_cancel", buf, sizeof(buf)), 1);
    EXPECT_STREQ(buf, "1");
    EXPECT_EQ(ctx.GetParameter("empty", buf, sizeof(buf)), 1);
    EXPECT_STREQ(buf, "");
    ctx.SetParameter("long", "0123456789");
    EXPECT_EQ(ctx.GetParameter("long", buf, 4), 1);
    EXPECT_STREQ(buf, "012");
    EXPECT_EQ(ctx.GetParameter("absent", buf, sizeof(buf)), 0);
    EXPECT_EQ(ctx.GetParameter("long", buf, 0), 0);
    EXPECT_EQ(ctx.GetParameter("long", nullptr, 4), 0);
}

int gDeleted = 0;
void CountingDeleter(void* p) {
    ++gDeleted;
    delete static_cast<int*>(p);
}

TEST(ContextUserData, DeleterRunsAtDestructionAndNullContextsAreHarmless) {
    gDeleted = 0;
    {
        TestContext ctx;
        ctx.SetUserData(new int(5), CountingDeleter);
        EXPECT_EQ(*static_cast<int*>(EngineService::GetUserData(&ctx)), 5);
        EXPECT_FALSE(ctx.CheckReportFunc());  // no upload functions installed
    }
    EXPECT_EQ(gDeleted, 1);
    EXPECT_EQ(EngineService::GetUserData(nullptr), nullptr);
    EngineService::PostEngineMessage(nullptr, 100, "x", 0, "y");
    QlogRecord record{{"msgid", "100"}};
    EngineService::PostMessageToQlog(nullptr, &record);
    TestContext ctx;
    EngineService::PostMessageToQlog(&ctx, &record);  // taken and dropped by this build's client
}

}  // namespace
}  // namespace zeqmcdn
