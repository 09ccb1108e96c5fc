// The logger: routing to the last registered receiver, the [file:line] prefix, the level gate.
#include "osal/LLog.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "osal/CrashLog.h"

namespace {

// A receiver that formats like a player would and keeps the lines.
class RecordingReceiver : public osal::LLogCallback {
public:
    void OnLog(LLogLevel level, const char* text, va_list args) override {
        char line[512];
        vsnprintf(line, sizeof(line), text, args);
        levels.push_back(level);
        lines.emplace_back(line);
    }
    std::vector<int> levels;
    std::vector<std::string> lines;
};

class LLogTest : public testing::Test {
protected:
    void SetUp() override { osal::LLogInterface::GetInst()->SetLogLevel(LLOG_DEBUG); }
    void TearDown() override {
        osal::LLogInterface::GetInst()->DeRegisterCallback(&a);
        osal::LLogInterface::GetInst()->DeRegisterCallback(&b);
        osal::LLogInterface::GetInst()->SetLogLevel(LLOG_DEBUG);
    }
    RecordingReceiver a, b;
};

TEST_F(LLogTest, InitialThresholdIsDebugAndNoReceiverDropsLines) {
    EXPECT_EQ(gLLogLevelVal, 3);
    llogging("x.cpp", 1, LLOG_ERROR, "nobody hears %d\n", 1);  // no receiver: dropped quietly
}

TEST_F(LLogTest, PrefixesSourcePositionAndPassesArgumentsUnformatted) {
    osal::LLogInterface::GetInst()->RegisterCallback(&a);
    llogging("McdnContext1.cpp", 482, LLOG_DEBUG, "lloglevel invalid value:%d, use default level info(2)\n", 101);
    ASSERT_EQ(a.lines.size(), 1u);
    EXPECT_EQ(a.lines[0], "[McdnContext1.cpp:482]lloglevel invalid value:101, use default level info(2)\n");
    EXPECT_EQ(a.levels[0], LLOG_DEBUG);
}

TEST_F(LLogTest, OnlyTheLastRegisteredReceiverGetsLines) {
    auto* log = osal::LLogInterface::GetInst();
    log->RegisterCallback(&a);
    log->RegisterCallback(&b);
    log->RegisterCallback(&a);  // already registered: stays where it is
    llogging("f.cpp", 2, LLOG_INFO, "to b\n");
    EXPECT_TRUE(a.lines.empty());
    ASSERT_EQ(b.lines.size(), 1u);
    log->DeRegisterCallback(&b);
    llogging("f.cpp", 3, LLOG_INFO, "to a\n");
    ASSERT_EQ(a.lines.size(), 1u);
    EXPECT_EQ(a.lines[0], "[f.cpp:3]to a\n");
}

TEST_F(LLogTest, CallSiteGateFollowsTheThreshold) {
    osal::LLogInterface::GetInst()->RegisterCallback(&a);
    struct Case {
        int threshold;
        int level;
        bool passes;
    } cases[] = {
        {2, LLOG_INFO, true}, {2, LLOG_DEBUG, false}, {0, LLOG_ERROR, true}, {0, LLOG_WARN, false},
        {50, LLOG_DEBUG, true}, {99, LLOG_DEBUG, true}, {100, LLOG_ERROR, false},
    };
    for (const Case& c : cases) {
        osal::LLogInterface::GetInst()->SetLogLevel(static_cast<LLogLevel>(c.threshold));
        EXPECT_EQ(gLLogLevelVal, c.threshold);
        a.lines.clear();
        VLOG(c.level, "gate %d\n", c.level);
        EXPECT_EQ(a.lines.size(), c.passes ? 1u : 0u) << "threshold " << c.threshold << " level " << c.level;
    }
}

TEST_F(LLogTest, VlogUsesTheBareFileName) {
    osal::LLogInterface::GetInst()->RegisterCallback(&a);
    VLOGE("x=%s\n", "y");
    ASSERT_EQ(a.lines.size(), 1u);
    EXPECT_EQ(a.lines[0].rfind("[LLog_test.cpp:", 0), 0u) << a.lines[0];
}

// A receiver that logs again from inside OnLog: the recursive mutex lets it re-enter.
class ReentrantReceiver : public osal::LLogCallback {
public:
    void OnLog(LLogLevel, const char* text, va_list) override {
        seen.emplace_back(text);
        if (seen.size() == 1) llogging("inner.cpp", 9, LLOG_INFO, "again\n");
    }
    std::vector<std::string> seen;
};

TEST_F(LLogTest, ReceiverMayLogAgainOnTheSameThread) {
    ReentrantReceiver r;
    osal::LLogInterface::GetInst()->RegisterCallback(&r);
    llogging("outer.cpp", 1, LLOG_INFO, "first\n");
    osal::LLogInterface::GetInst()->DeRegisterCallback(&r);
    ASSERT_EQ(r.seen.size(), 2u);
    EXPECT_EQ(r.seen[1], "[inner.cpp:9]again\n");
}

TEST_F(LLogTest, CrashLogLevelsAreMapped) {
    osal::LLogInterface::GetInst()->RegisterCallback(&a);
    osal::crash_log_callback(0, "crash", "c.cpp", 7, "zero");
    osal::crash_log_callback(1, "crash", "c.cpp", 8, "one");
    osal::crash_log_callback(2, "crash", "c.cpp", 9, "two");
    osal::crash_log_callback(3, "crash", "c.cpp", 10, "dropped");
    ASSERT_EQ(a.levels, (std::vector<int>{LLOG_DEBUG, LLOG_INFO, LLOG_ERROR}));
    EXPECT_NE(a.lines[2].find("[crash][c.cpp:9]two\n"), std::string::npos) << a.lines[2];
    EXPECT_EQ(log_printf("%s %d", "anything", 1), 0);
}

}  // namespace
