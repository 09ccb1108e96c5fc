// The session context with a test double of the edge engine and the simulated clock: the command
// state machine, the reconnect policy, the connection-state drain and destruction.
#include "api/McdnContext1.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "engine/MsgParam.h"
#include "engine/ZeqMediaCdn.h"
#include "osal/TestClock.h"
#include "store/DatabaseManager.h"
#include "store/db_helpers.h"
#include "vrio/osal.h"

namespace zeqmcdn {
namespace {

// Records what the transport asks of the engine; the test answers through the listener.
class FakeEngine : public ZeqMediaCdn {
public:
    struct Log {
        std::mutex m;
        std::vector<std::string> urls;  // one per engine made
        std::vector<uint32_t> commands;
        ZeqMediaCdnListener* listener = nullptr;  // of the live engine
    };
    static Log log;

    explicit FakeEngine(ZeqMediaCdnListener* listener) : mListener(listener) {
        std::lock_guard<std::mutex> guard(log.m);
        log.listener = listener;
    }
    ~FakeEngine() override {
        std::lock_guard<std::mutex> guard(log.m);
        if (log.listener == mListener) log.listener = nullptr;
    }
    bool QueueCommand(const SigCmdParam* cmd) override {
        std::lock_guard<std::mutex> guard(log.m);
        log.commands.push_back(cmd->mCmdId);
        return true;
    }
    int QueueRtpPacket(const uint8_t*, int) override { return 0; }
    int GetProperty(const char*, char* buffer, int size) override {
        snprintf(buffer, static_cast<size_t>(size), "x");
        return 1;
    }
    static ZeqMediaCdn* Make(void*, ZeqMediaCdnListener* listener, const SfuUrl& url) {
        {
            std::lock_guard<std::mutex> guard(log.m);
            log.urls.emplace_back(url.url.c_str());
        }
        return new FakeEngine(listener);
    }

private:
    ZeqMediaCdnListener* mListener;
};
FakeEngine::Log FakeEngine::log;

struct Inbox {
    std::mutex m;
    std::vector<std::pair<int, std::string>> messages;

    static int Take(void* user, int code, void* text, long long) {
        auto* self = static_cast<Inbox*>(user);
        std::lock_guard<std::mutex> guard(self->m);
        self->messages.emplace_back(code, static_cast<const char*>(text));
        return 0;
    }
    std::vector<std::string> TextsOf(int code) {
        std::lock_guard<std::mutex> guard(m);
        std::vector<std::string> texts;
        for (auto& msg : messages)
            if (msg.first == code) texts.push_back(msg.second);
        return texts;
    }
};

// Waits (bounded, real time) until `done` holds.
template <typename F>
bool WaitUntil(F done) {
    for (int i = 0; i < 3000; ++i) {
        if (done()) return true;
        osal_sleep_ms(1);
    }
    return done();
}

class SessionContextTest : public testing::Test {
protected:
    void SetUp() override {
        ctx = std::make_unique<McdnContext1>("session-test");
        previous = ZeqMediaCdn::SetFactory(&FakeEngine::Make);
        {
            std::lock_guard<std::mutex> guard(FakeEngine::log.m);
            FakeEngine::log.urls.clear();
            FakeEngine::log.commands.clear();
        }
        ctx->SetMsgHandler(&Inbox::Take, &inbox);
    }
    void TearDown() override {
        ctx.reset();
        ZeqMediaCdn::SetFactory(previous);
    }

    // Lets the command thread run `n` more passes at the current simulated time.
    void RunPasses(uint64_t n) {
        const uint64_t target = ctx->Passes() + n;
        ASSERT_TRUE(WaitUntil([&] { return ctx->Passes() >= target; }));
    }
    void WaitCommands(uint64_t n) {
        ASSERT_TRUE(WaitUntil([&] { return ctx->CommandsRun() >= n; })) << "commands run " << ctx->CommandsRun();
    }
    size_t Engines() {
        std::lock_guard<std::mutex> guard(FakeEngine::log.m);
        return FakeEngine::log.urls.size();
    }
    std::string LastUrl() {
        std::lock_guard<std::mutex> guard(FakeEngine::log.m);
        return FakeEngine::log.urls.empty() ? "" : FakeEngine::log.urls.back();
    }
    // The edge answers the live engine's Connect.
    void Answer(uint32_t code) {
        MsgConnResult result(String("0"));
        result.mResult = code;
        std::lock_guard<std::mutex> guard(FakeEngine::log.m);
        ASSERT_NE(FakeEngine::log.listener, nullptr);
        FakeEngine::log.listener->OnMessage(&result);
    }
    void Flush() { ctx->ShutdownMessageThread(); }
    void SetAutoReconnect(bool on) {
        CdnSettings s = ctx->GetSetting();
        s.autoReconnect = on;
        s.signallingTimeoutMs = 3000;
        ctx->SetSetting(s);
    }

    osal::SimulatedClock clock{1700000000000LL};
    ZeqMediaCdn::Factory previous = nullptr;
    Inbox inbox;
    std::unique_ptr<McdnContext1> ctx;
};

TEST_F(SessionContextTest, CommandsFollowTheStateTable) {
    ctx->Stop();    // idle: ignored
    ctx->ReLoad();  // idle: ignored
    WaitCommands(2);
    EXPECT_EQ(ctx->GetSessionState(), McdnContext1::kIdle);
    EXPECT_EQ(Engines(), 0u);

    ctx->Start("zrtc://edge.test/live/a");
    WaitCommands(3);
    EXPECT_EQ(ctx->GetSessionState(), McdnContext1::kStarted);
    EXPECT_EQ(LastUrl(), "zrtc://edge.test/live/a");
    Answer(200);
    ASSERT_TRUE(WaitUntil([&] { return ctx->GetConnState() == MCdnTransport::CONN_CONNECTED; }));

    ctx->Start("zrtc://edge.test/live/b");  // started: restart with the new URL
    WaitCommands(4);
    EXPECT_EQ(LastUrl(), "zrtc://edge.test/live/b");
    ctx->ReLoad();  // started: stop and start again with the stored URL
    WaitCommands(5);
    EXPECT_EQ(LastUrl(), "zrtc://edge.test/live/b");
    EXPECT_EQ(Engines(), 3u);
    ctx->Stop();
    WaitCommands(6);
    EXPECT_EQ(ctx->GetSessionState(), McdnContext1::kIdle);
    EXPECT_EQ(ctx->GetConnState(), MCdnTransport::CONN_IDLE);
    ctx->PushCommand(kcommand_t{7, nullptr, nullptr});  // unknown kind: reported, ignored
    WaitCommands(7);

    Flush();
    const std::string prefix = "code=123,when=1700000000000,where=na,who=0,desc=\"reason:";
    EXPECT_EQ(inbox.TextsOf(123), (std::vector<std::string>{prefix + "restart\"", prefix + "connectionlost\"",
                                                           prefix + "stop\""}));
    EXPECT_EQ(inbox.TextsOf(20055).size(), 0u);
}

TEST_F(SessionContextTest, WithoutAutoReconnectOneConnectionLostPerFailureEpisode) {
    SetAutoReconnect(false);
    ctx->Start("zrtc://edge.test/live/a");
    WaitCommands(1);
    Answer(403);  // refused: CONN_FAIL, a non-immediate reconnect need
    RunPasses(3);
    EXPECT_EQ(inbox.TextsOf(20055).size(), 0u) << "nothing within 6000 ms of the thread's start";

    clock.Advance(6001);
    WaitCommands(2);  // the connection-lost command
    clock.Advance(20000);
    RunPasses(5);
    EXPECT_EQ(ctx->CommandsRun(), 2u) << "the episode is told once";

    // The failure clears (a new attempt is connecting), then returns.
    ctx->Start("zrtc://edge.test/live/b");
    WaitCommands(3);
    RunPasses(2);
    Answer(404);
    WaitCommands(4);
    EXPECT_EQ(ctx->GetSessionState(), McdnContext1::kStarted);
    Flush();
    EXPECT_EQ(inbox.TextsOf(20055).size(), 2u);
    EXPECT_EQ(Engines(), 2u) << "no reload without AutoReconnect";
}

TEST_F(SessionContextTest, AutoReconnectReloadsAtMostEvery6000MsAndAtOnceOnSignallingTimeout) {
    SetAutoReconnect(true);
    ctx->Start("zrtc://edge.test/live/a");
    WaitCommands(1);
    Answer(403);
    // Stays refused: each reload is refused again. Reloads come 6000 ms apart, not more often.
    size_t answered = 1;
    for (int step = 0; step < 13; ++step) {
        clock.Advance(1000);
        RunPasses(3);
        if (Engines() > answered) {
            ASSERT_TRUE(WaitUntil([&] { return ctx->GetConnState() == MCdnTransport::CONN_CONNECTING; }));
            Answer(403);
            answered = Engines();
        }
    }
    EXPECT_EQ(Engines(), 3u) << "reloads at 6 s and 12 s after start";

    // The reload at 18 s is left unanswered: beyond the signalling time-out it reloads at once.
    clock.Advance(5000);
    ASSERT_TRUE(WaitUntil([&] { return Engines() == 4; }));
    clock.Advance(3001);
    ASSERT_TRUE(WaitUntil([&] { return Engines() == 5; }));
    Flush();
    EXPECT_EQ(inbox.TextsOf(20055).size(), 0u);
    EXPECT_EQ(inbox.TextsOf(20011).size(), 1u) << "one time-out report per Connect";
}

TEST_F(SessionContextTest, DestructionStopsTheSessionAndTheCommandThread) {
    ctx->Start("zrtc://edge.test/live/a");
    WaitCommands(1);
    Answer(200);
    ctx.reset();
    std::lock_guard<std::mutex> guard(FakeEngine::log.m);
    EXPECT_EQ(FakeEngine::log.listener, nullptr) << "the engine is gone";
    EXPECT_EQ(FakeEngine::log.commands.back(), SigCmdStopParam::kId);
}

TEST_F(SessionContextTest, ConstructionPublishesCentersAndTable0) {
    EXPECT_EQ(ctx->GetConfigureHandle(), static_cast<void*>(ctx->GetConfigureCenter()));
    EXPECT_EQ(ctx->EngineServiceContext::GetConfigDataCenter(), static_cast<void*>(ctx->GetConfigDataCenter()));
    NetBit::DatabaseManager* db = ctx->Database();
    ASSERT_NE(db, nullptr);
    NetBit::DbTableLock table0(db, 0, true);
    EXPECT_TRUE(table0);
    EXPECT_TRUE(ctx->GetConfigureCenter()->IsObserved("lloglevel", ctx.get()));
}

}  // namespace
}  // namespace zeqmcdn
