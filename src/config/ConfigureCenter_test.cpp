// The configuration center with real documents: what a document must look like, the terminal
// filters, delivery to observers, the report posted on the message thread, registration, and the
// locking around observers.
#include "config/ConfigureCenter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "config/ConfigDataCenter.h"
#include "config/ConfigTestSupport.h"
#include "config/TerminalInfo.h"
#include "engine/EngineService.h"

namespace zeqnet {
namespace {

using testing_support::DescOf;
using testing_support::Inbox;
using testing_support::LogCapture;
using testing_support::TestContext;

// Takes every value it is given (or refuses all), and counts the end-of-delivery calls.
class RecordingObserver : public ConfigureObserver {
public:
    explicit RecordingObserver(const char* name, int answer = 0) : ConfigureObserver(name), mAnswer(answer) {}
    int Parse(std::string key, std::string value) override {
        std::lock_guard<std::mutex> guard(mMutex);
        received.emplace_back(key, value);
        return mAnswer;
    }
    void OnAllConfigurePosted() override { ++posted; }
    std::vector<std::pair<std::string, std::string>> Received() {
        std::lock_guard<std::mutex> guard(mMutex);
        return received;
    }

    std::atomic<int> posted{0};

private:
    std::mutex mMutex;
    std::vector<std::pair<std::string, std::string>> received;
    int mAnswer;
};

// A session's arrangement: the context reports, publishes the center, and the data center is
// attached; a second observer stands for the jitter buffer.
class ConfigureCenterTest : public ::testing::Test {
protected:
    void SetUp() override {
        ctx.SetMsgHandler(Inbox::Handler, &inbox);
        center.SetReportContext(&ctx);
        ctx.SetConfigureHandle(&center);
        ctx.SetConfigDataCenter(&data);
        data.SetContext(&ctx);
        center.Register(&vjb, "vjb_max");
        center.Register(&vjb, "vjb_startup_fullspeed_frm_cnt");
        log = std::make_unique<LogCapture>();
    }
    void TearDown() override {
        log.reset();
        center.DeRgister(&vjb);
        data.SetContext(nullptr);
        ResetTerminalInfo();
    }
    // Parses and notifies a pull document; returns Parse's result.
    int Apply(const std::string& json) {
        int ret = center.Parse(json.c_str(), ConfigureService::SdkPull);
        if (ret == 0) center.Notify();
        return ret;
    }
    // The one report that must arrive on the message thread.
    std::string OneReport() {
        EXPECT_TRUE(inbox.WaitFor(1));
        std::lock_guard<std::mutex> guard(inbox.m);
        EXPECT_EQ(inbox.codes.size(), 1u);
        if (inbox.codes.empty()) return {};
        EXPECT_EQ(inbox.codes[0], 105);
        EXPECT_EQ(inbox.threads[0], "MessageOutputTh");  // the kernel keeps 15 characters
        EXPECT_NE(inbox.texts[0].find(",where=na,who=0,desc="), std::string::npos) << inbox.texts[0];
        return DescOf(inbox.texts[0]);
    }

    Inbox inbox;
    TestContext ctx;
    ConfigureCenter center;
    ConfigDataCenter data;
    RecordingObserver vjb{"videoJitterBuffer"};
    std::unique_ptr<LogCapture> log;
};

TEST_F(ConfigureCenterTest, AnEmptyDocumentSucceedsWithTheBareReport) {
    ASSERT_EQ(Apply("{}"), 0);
    EXPECT_EQ(OneReport(), "cfgService:sdk pull,profile:,abtest:");
    EXPECT_EQ(center.GetWorkingStatus(), ConfigureCenter::kDeployed);
    EXPECT_TRUE(log->Has("fail to parse profile\n"));
    EXPECT_TRUE(log->Has("fail to parse abtest\n"));
    EXPECT_TRUE(log->Has("empty cfgs\n"));
    EXPECT_TRUE(log->Has("effective config size=0\n"));
    EXPECT_EQ(vjb.posted.load(), 1);  // told of the end even though it received nothing
}

TEST_F(ConfigureCenterTest, ARealisticDocumentReachesItsObserversAndIsReported) {
    const char* json = R"({
      "profile": "live-low-latency",
      "abtest": "groupB",
      "filters": ["os=Harmony", "sdkVer>0", "model=x1"],
      "cfgs": [
        {"maxVQLen": "900", "targetLatencyHi": "2500", "vjb_max": "3000"},
        "not an object",
        {},
        {"maxVideoDuration": "5", "unknownKey": "x", "avPktTimeoutMs": 9000, "dyc_id": "dyc-7"},
        {"vjb_startup_fullspeed_frm_cnt": "5", "crashModu": " VrioSDK, player,,net", "targetLatencyHi": "2600"}
      ]
    })";
    ASSERT_EQ(Apply(json), 0);
    EXPECT_EQ(center.GetProfile(), "live-low-latency");
    EXPECT_EQ(center.GetAbtest(), "groupB");

    // Key order, the later "targetLatencyHi" wins, "maxVideoDuration" counts as effective although
    // the data center refused 5, and nothing unregistered or non-text appears.
    EXPECT_EQ(OneReport(),
              "cfgService:sdk pull,profile:live-low-latency,abtest:groupB,crashModu: VrioSDK, player,,net,"
              "dyc_id:dyc-7,maxVQLen:900,maxVideoDuration:5,targetLatencyHi:2600,vjb_max:3000,"
              "vjb_startup_fullspeed_frm_cnt:5");
    EXPECT_EQ(data.GetMaxVideoQueueLength(), 900u);
    EXPECT_EQ(data.GetTargetLatencyHi(), 2600u);
    EXPECT_EQ(data.GetMaxVideoDuration(), 300u);
    EXPECT_EQ(data.GetAVPacketTimeoutMs(), 4000u);
    EXPECT_EQ(data.GetDycId(), "dyc-7");
    EXPECT_EQ(data.GetStartUpFullSpeedFrameCount(), 5u);
    EXPECT_EQ(data.GetCrashModule(), (std::vector<std::string>{"VrioSDK", "player", "net"}));
    // Both observers of the shared key got it; only the jitter buffer has "vjb_max".
    EXPECT_EQ(vjb.Received(), (std::vector<std::pair<std::string, std::string>>{
                                  {"vjb_max", "3000"}, {"vjb_startup_fullspeed_frm_cnt", "5"}}));

    EXPECT_TRUE(log->Has("get [profile:live-low-latency]\n"));
    EXPECT_TRUE(log->HasPrefix("terminal info, sdkVer=" + GetTerminalInfo().sdkVersion + ", os=Harmony"));
    EXPECT_TRUE(log->Has("unsupport filter\n"));
    EXPECT_TRUE(log->Has("all filters ret=0\n"));
    EXPECT_TRUE(log->Has("cfgs array size=5\n"));
    EXPECT_TRUE(log->Has("invalid cfgs items, type=5\n"));
    EXPECT_TRUE(log->Has("invalid cfgs items, type=3\n"));
    EXPECT_TRUE(log->Has("invalid cfg kv, valueType=6\n"));
    EXPECT_TRUE(log->Has("[unknownKey:x] is not attended\n"));
    EXPECT_TRUE(log->Has("parse done, configure count=7\n"));
    EXPECT_TRUE(log->Has("effective config size=7\n"));
    EXPECT_TRUE(log->Has("observer(ConfigDataCenter) parse ok\n"));
    EXPECT_TRUE(log->Has("observer(videoJitterBuffer) parse ok\n"));
    EXPECT_TRUE(log->Has("parse ret=0\n"));
}

TEST_F(ConfigureCenterTest, RefusedDocumentsLeaveNothingAndNotifyDoesNothing) {
    std::string deep = "{\"x\":" + std::string(200000, '[');  // no stack depth to exhaust
    struct Case {
        std::string json;
        std::string line;  // a line the refusal must log
    };
    const Case cases[] = {
        {"", "parse error=1, offset=0\n"},                                  // empty document
        {"{", "parse error=4, offset=1\n"},                                 // missing member name
        {R"({"profile":"abc)", "parse error=11, offset=15\n"},              // unterminated text
        {R"({"cfgs":[{"maxVQLen":"900"}]} trailing)", "parse error=2, offset=30\n"},
        {R"({"cfgs":[{"maxVQLen":"900"}],})", "parse error=4, offset=29\n"},
        {R"({"n":1e999})", "parse error=13, offset=5\n"},                   // number too big
        {R"({"s":"\uD800"})", "parse error=9, offset=6\n"},                 // lone surrogate
        {deep, "parse error="},
        {R"([{"maxVQLen":"900"}])", "document invalid type=4\n"},
        {R"("text")", "document invalid type=5\n"},
        {"900", "document invalid type=6\n"},
        {"null", "document invalid type=0\n"},
        {"false", "document invalid type=1\n"},
        {"true", "document invalid type=2\n"},
        {R"({"filters":["os!=Harmony"],"cfgs":[{"maxVQLen":"900"}]})", "filters are verified to be invalid\n"},
        {R"({"filters":["sdkVer<1"],"cfgs":[{"maxVQLen":"900"}]})", "fail to verify filter\n"},
        {R"({"filters":["os=Harmony","os=Linux","sdkVer>0"],"cfgs":[{"maxVQLen":"900"}]})",
         "all filters ret=-1\n"},
    };
    for (const Case& c : cases) {
        log->Clear();
        EXPECT_EQ(center.Parse(c.json.c_str(), ConfigureService::SdkPull), -1) << c.json.substr(0, 80);
        bool found = c.line.back() == '\n' ? log->Has(c.line) : log->HasPrefix(c.line);
        EXPECT_TRUE(found) << c.json.substr(0, 80) << " wanted " << c.line;
        EXPECT_TRUE(log->Has("parse ret=-1\n"));
        EXPECT_EQ(center.GetWorkingStatus(), ConfigureCenter::kNothingParsed);
        EXPECT_TRUE(center.GetParsedConfiguration().empty());
        center.Notify();
        EXPECT_TRUE(log->Has("invalid working status=0\n"));
    }
    EXPECT_FALSE(log->Has("checking filter is sdkVer>0\n"));  // checking stops at the first failure
    EXPECT_EQ(data.GetMaxVideoQueueLength(), 1200u);
    EXPECT_EQ(vjb.posted.load(), 0);
    EXPECT_EQ(inbox.Count(), 0u);
}

TEST_F(ConfigureCenterTest, AFailedFilterKeepsProfileAndAbtest) {
    EXPECT_EQ(center.Parse(R"({"profile":"p","abtest":"a","filters":["os!=Harmony"]})", ConfigureService::SdkPull),
              -1);
    EXPECT_EQ(center.GetProfile(), "p");
    EXPECT_EQ(center.GetAbtest(), "a");
    // The next document starts from nothing.
    EXPECT_EQ(center.Parse(R"({"abtest":7})", ConfigureService::SdkPull), 0);
    EXPECT_EQ(center.GetProfile(), "");
    EXPECT_EQ(center.GetAbtest(), "");
    EXPECT_TRUE(log->Has("fail to parse key=abtest\n"));
}

TEST_F(ConfigureCenterTest, FiltersThatAreIgnoredOrSkipped) {
    const char* accepted[] = {
        R"({"filters":"os!=Harmony","cfgs":[{"maxVQLen":"901"}]})",        // not an array
        R"({"filters":[1,null,{"os":"x"}],"cfgs":[{"maxVQLen":"902"}]})",   // no strings
        R"({"filters":[],"cfgs":[{"maxVQLen":"903"}]})",
        R"({"filters":["a=b>c","os!Harmony","os=","","=x"],"cfgs":[{"maxVQLen":"904"}]})",  // all skipped
        R"({"filters":["os=Harmony","sdkVer>=2.6","sdkVer>=10"],"cfgs":[{"maxVQLen":"905"}]})",  // text order
    };
    uint32_t expected = 901;
    for (const char* json : accepted) {
        EXPECT_EQ(Apply(json), 0) << json;
        EXPECT_EQ(data.GetMaxVideoQueueLength(), expected++) << json;
    }
    EXPECT_TRUE(log->Has("not array, type=5\n"));
    EXPECT_TRUE(log->Has("filterArray size=0, ret=-1\n"));
    EXPECT_TRUE(log->Has("invalid format, wrong optr\n"));
    EXPECT_TRUE(log->Has("invalid format, end with optr\n"));
}

TEST_F(ConfigureCenterTest, DeeplyNestedMembersAreReadWithoutRecursion) {
    const size_t depth = 100000;
    std::string json = "{\"x\":" + std::string(depth, '[') + std::string(depth, ']') +
                       ",\"cfgs\":[{\"maxVQLen\":\"950\"}]}";
    EXPECT_EQ(Apply(json), 0);
    EXPECT_EQ(data.GetMaxVideoQueueLength(), 950u);
}

TEST_F(ConfigureCenterTest, TheFiltersCompareWithTheDeviceInformation) {
    SetTerminalInfo(TerminalInfo{"Linux", "3.0.1"});
    EXPECT_EQ(center.Parse(R"({"filters":["os=Harmony"]})", ConfigureService::SdkPull), -1);
    EXPECT_TRUE(log->Has("terminal info, sdkVer=3.0.1, os=Linux\n"));
    EXPECT_EQ(center.Parse(R"({"filters":["os=Linux","sdkVer>=3","sdkVer<3.1"]})", ConfigureService::SdkPull), 0);
    ResetTerminalInfo();
    EXPECT_EQ(GetTerminalInfo().os, "Harmony");
    EXPECT_EQ(center.Parse(R"({"filters":["os=Harmony","sdkVer>0"]})", ConfigureService::SdkPull), 0);
}

TEST_F(ConfigureCenterTest, OnlyPullDocumentsAreRead) {
    const char* json = R"({"cfgs":[{"maxVQLen":"900"}]})";
    struct Case {
        int service;
        const char* line;
    };
    const Case cases[] = {
        {0, "not support publish\n"}, {1, "not support publish by app\n"}, {7, "invalid cfgService=7\n"},
        {-1, "invalid cfgService=-1\n"}};
    for (const Case& c : cases) {
        EXPECT_EQ(center.Parse(json, static_cast<ConfigureService>(c.service)), -1);
        EXPECT_TRUE(log->Has(c.line)) << c.line;
        center.Notify();
    }
    EXPECT_EQ(center.Parse(nullptr, ConfigureService::SdkPull), -1);
    EXPECT_TRUE(log->Has("invalid param, observed cfgs size=26\n"));
    EXPECT_EQ(data.GetMaxVideoQueueLength(), 1200u);
    EXPECT_EQ(inbox.Count(), 0u);
    EXPECT_EQ(ConfigureServiceLabel(static_cast<ConfigureService>(9)), std::string("cfgService:unkonwn"));
    EXPECT_EQ(ConfigureServiceLabel(ConfigureService::AppPush), std::string("cfgService:app push"));

    ConfigureCenter lonely;  // nobody registered anything
    EXPECT_EQ(lonely.Parse("{}", ConfigureService::SdkPull), -1);
    EXPECT_TRUE(log->Has("invalid param, observed cfgs size=0\n"));
}

TEST_F(ConfigureCenterTest, RefusingAndVanishingObserversAreNotReported) {
    RecordingObserver refuser("refuser", -1);
    ConfigureObserver base("base");
    RecordingObserver leaver("leaver");
    center.Register(&refuser, "audioNackSpeed");
    center.Register(&base, "nack_window");
    center.Register(&leaver, "fastNackRate");
    ASSERT_EQ(center.Parse(R"({"cfgs":[{"audioNackSpeed":"2","nack_window":"300","fastNackRate":"5"}]})",
                           ConfigureService::SdkPull),
              0);
    center.DeRegister(&leaver, "fastNackRate");  // between parse and notify
    center.Notify();
    EXPECT_EQ(OneReport(), "cfgService:sdk pull,profile:,abtest:");
    EXPECT_TRUE(log->Has("Unimplemented method, [nack_window:300]\n"));
    EXPECT_TRUE(log->Has("Unattended configuration [fastNackRate:5]\n"));
    EXPECT_TRUE(log->Has("effective config size=0\n"));
    EXPECT_EQ(refuser.Received().size(), 1u);
    EXPECT_TRUE(leaver.Received().empty());
    EXPECT_EQ(leaver.posted.load(), 0);  // no longer registered
    EXPECT_EQ(refuser.posted.load(), 1);
    center.DeRgister(&refuser);
    center.DeRgister(&base);
}

class ThrowingObserver : public ConfigureObserver {
public:
    ThrowingObserver() : ConfigureObserver("thrower") {}
    int Parse(std::string, std::string) override { throw std::runtime_error("bad value"); }
    void OnAllConfigurePosted() override { throw std::runtime_error("bad end"); }
};

TEST_F(ConfigureCenterTest, AnObserverThatThrowsDoesNotEscapeOrStopTheOthers) {
    ThrowingObserver thrower;
    center.Register(&thrower, "vjb_max");
    ASSERT_EQ(center.Parse(R"({"cfgs":[{"vjb_max":"3000","maxVQLen":"910"}]})", ConfigureService::SdkPull), 0);
    center.Notify();
    EXPECT_EQ(OneReport(), "cfgService:sdk pull,profile:,abtest:,maxVQLen:910,vjb_max:3000");
    EXPECT_TRUE(log->Has("observer(thrower) threw on [vjb_max:3000], value not taken\n"));
    EXPECT_EQ(vjb.posted.load(), 1);
    EXPECT_EQ(data.GetMaxVideoQueueLength(), 910u);
    // The mutex was released: the center is usable.
    center.DeRgister(&thrower);
    EXPECT_EQ(center.GetWorkingStatus(), ConfigureCenter::kDeployed);
}

TEST_F(ConfigureCenterTest, NotifyAgainDeploysTheSameValuesAgain) {
    ASSERT_EQ(Apply(R"({"profile":"p","cfgs":[{"vjb_max":"3000"}]})"), 0);
    center.Notify();
    ASSERT_TRUE(inbox.WaitFor(2));
    {
        std::lock_guard<std::mutex> guard(inbox.m);
        EXPECT_EQ(DescOf(inbox.texts[0]), "cfgService:sdk pull,profile:p,abtest:,vjb_max:3000");
        EXPECT_EQ(inbox.texts[1].substr(inbox.texts[1].find("desc=")), inbox.texts[0].substr(inbox.texts[0].find("desc=")));
    }
    EXPECT_EQ(vjb.Received().size(), 2u);
    EXPECT_EQ(vjb.posted.load(), 2);
    EXPECT_EQ(center.GetWorkingStatus(), ConfigureCenter::kDeployed);

    // A refused document after a deployment: nothing to deploy any more.
    EXPECT_EQ(center.Parse("{", ConfigureService::SdkPull), -1);
    center.Notify();
    EXPECT_EQ(vjb.Received().size(), 2u);
}

TEST_F(ConfigureCenterTest, ReportNeedsTextAndContext) {
    EXPECT_EQ(center.ReportConfiguration(nullptr), -1);
    EXPECT_TRUE(log->Has("null context or params\n"));
    EXPECT_EQ(center.ReportConfiguration("hello \"x\""), 0);
    ASSERT_TRUE(inbox.WaitFor(1));
    {
        std::lock_guard<std::mutex> guard(inbox.m);
        EXPECT_EQ(inbox.codes[0], 105);
        EXPECT_EQ(DescOf(inbox.texts[0]), "hello \"x\"");
    }
    center.SetReportContext(nullptr);
    EXPECT_TRUE(log->Has("set report ctx=(nil)\n"));
    ASSERT_EQ(center.Parse("{}", ConfigureService::SdkPull), 0);
    center.Notify();  // deploys, the report itself is refused
    EXPECT_EQ(center.GetWorkingStatus(), ConfigureCenter::kDeployed);
    EXPECT_EQ(log->Count("null context or params\n"), 2u);
}

std::string PointerText(const void* p) {
    char text[32];
    std::snprintf(text, sizeof(text), "%p", p);
    return text;
}

TEST(ConfigureCenterRegistry, RegisterDeregisterAndReset) {
    LogCapture log;
    ConfigureCenter center;
    RecordingObserver a("a"), b("b");
    EXPECT_EQ(center.Register(nullptr, "k"), -1);
    EXPECT_EQ(center.Register(&a, ""), -1);
    EXPECT_EQ(log.Count("invalid param\n"), 2u);
    center.DeRegister(nullptr, "k");
    center.DeRegister(&a, "");
    center.DeRgister(nullptr);
    EXPECT_EQ(log.Count("invalid param\n"), 5u);

    EXPECT_EQ(center.Register(&a, "k1"), 0);
    EXPECT_EQ(center.Register(&a, "k1"), 0);  // harmless twice
    EXPECT_TRUE(log.Has("cfgName=k1, add observer=(a:" + PointerText(&a) + "), observers size=1\n"));
    center.Register(&a, "k2");
    center.Register(&b, "k2");
    EXPECT_EQ(center.ObservedKeyCount(), 2u);
    EXPECT_EQ(center.ObserverCount(), 2u);

    center.DeRegister(&a, "k1");  // a stays for k2
    EXPECT_TRUE(log.HasPrefix("remove observer="));
    EXPECT_EQ(center.ObservedKeyCount(), 1u);
    EXPECT_EQ(center.ObserverCount(), 2u);
    EXPECT_EQ(log.Lines().back().substr(log.Lines().back().find("remain_flag")), "remain_flag=1\n");
    center.DeRegister(&a, "k2");
    EXPECT_EQ(log.Lines().back().substr(log.Lines().back().find("remain_flag")), "remain_flag=0\n");
    EXPECT_EQ(center.ObserverCount(), 1u);
    EXPECT_FALSE(center.IsObserved("k2", &a));
    EXPECT_TRUE(center.IsObserved("k2", &b));

    center.Register(&a, "k3");
    center.Register(&a, "k2");
    center.DeRgister(&a);
    EXPECT_EQ(center.ObservedKeyCount(), 1u);  // k3 dropped, k2 keeps b
    EXPECT_EQ(center.ObserverCount(), 1u);

    ASSERT_EQ(center.Parse(R"({"profile":"p","cfgs":[{"k2":"v"}]})", ConfigureService::SdkPull), 0);
    center.Reset();
    EXPECT_TRUE(log.Has("reset configure center\n"));
    EXPECT_EQ(center.ObservedKeyCount(), 0u);
    EXPECT_EQ(center.ObserverCount(), 0u);
    EXPECT_EQ(center.GetProfile(), "");
    EXPECT_TRUE(center.GetParsedConfiguration().empty());
    EXPECT_EQ(center.GetWorkingStatus(), ConfigureCenter::kNothingParsed);
    center.Notify();
    EXPECT_TRUE(b.Received().empty());
}

// An observer that calls back into the center that is notifying it.
class ReentrantObserver : public ConfigureObserver {
public:
    explicit ReentrantObserver(ConfigureCenter* center) : ConfigureObserver("reentrant"), mCenter(center) {}
    int Parse(std::string, std::string) override {
        registerResult = mCenter->Register(this, "other");
        parseResult = mCenter->Parse("{}", ConfigureService::SdkPull);
        mCenter->Notify();
        return 0;
    }
    int registerResult = 0;
    int parseResult = 0;

private:
    ConfigureCenter* mCenter;
};

TEST(ConfigureCenterLocking, AnObserverCallingBackIsRefusedNotDeadlocked) {
    LogCapture log;
    ConfigureCenter center;
    ReentrantObserver observer(&center);
    center.Register(&observer, "k");
    ASSERT_EQ(center.Parse(R"({"cfgs":[{"k":"v"}]})", ConfigureService::SdkPull), 0);
    center.Notify();
    EXPECT_EQ(observer.registerResult, -1);
    EXPECT_EQ(observer.parseResult, -1);
    EXPECT_TRUE(log.Has("Register called by an observer during notify, refused\n"));
    EXPECT_TRUE(log.Has("Notify called by an observer during notify, refused\n"));
    EXPECT_FALSE(center.IsObserved("other", &observer));
    EXPECT_EQ(center.GetWorkingStatus(), ConfigureCenter::kDeployed);
    center.DeRgister(&observer);
}

// Holds the delivery until another thread is about to register.
class BlockingObserver : public ConfigureObserver {
public:
    BlockingObserver() : ConfigureObserver("blocking") {}
    int Parse(std::string, std::string) override {
        inside = true;
        for (int i = 0; i < 5000 && !otherCalling.load(); ++i) osal_sleep_ms(1);
        // Give the other thread time to reach the mutex; it must still be waiting afterwards.
        osal_sleep_ms(30);
        otherDoneWhileInside = otherDone.load();
        return 0;
    }
    std::atomic<bool> inside{false};
    std::atomic<bool> otherCalling{false};
    std::atomic<bool> otherDone{false};
    bool otherDoneWhileInside = true;
};

TEST(ConfigureCenterLocking, ObserversRunUnderTheCenterMutex) {
    ConfigureCenter center;
    BlockingObserver blocking;
    RecordingObserver late("late");
    center.Register(&blocking, "k");
    ASSERT_EQ(center.Parse(R"({"cfgs":[{"k":"v"}]})", ConfigureService::SdkPull), 0);
    std::thread other([&] {
        for (int i = 0; i < 5000 && !blocking.inside.load(); ++i) osal_sleep_ms(1);
        blocking.otherCalling = true;
        center.Register(&late, "k2");
        blocking.otherDone = true;
    });
    center.Notify();
    other.join();
    EXPECT_FALSE(blocking.otherDoneWhileInside);
    EXPECT_TRUE(center.IsObserved("k2", &late));
}

TEST(ConfigureCenterLocking, RegistrationOnOtherThreadsDuringDeliveries) {
    TestContext ctx;
    ConfigureCenter center;
    ConfigDataCenter data;
    ctx.SetConfigureHandle(&center);
    center.SetReportContext(&ctx);
    data.SetContext(&ctx);
    std::atomic<bool> stop{false};
    std::atomic<uint32_t> lastSeen{0};
    // Consumers read the data center without the center's lock while deliveries write it.
    std::thread reader([&] {
        while (!stop.load()) {
            lastSeen = data.GetMaxVideoQueueLength();
            EXPECT_FALSE(data.GetDycId().empty());
        }
    });
    std::thread churn([&] {
        for (int i = 0; i < 300; ++i) {
            RecordingObserver temp("temp");
            center.Register(&temp, "vjb_max");
            center.Register(&temp, "maxVQLen");
            center.DeRgister(&temp);
        }
    });
    for (int i = 0; i < 300; ++i) {
        std::string json = R"({"cfgs":[{"maxVQLen":")" + std::to_string(1000 + i) + R"(","vjb_max":"1","dyc_id":"d)" +
                           std::to_string(i) + R"("}]})";
        ASSERT_EQ(center.Parse(json.c_str(), ConfigureService::SdkPull), 0);
        center.Notify();
    }
    churn.join();
    stop = true;
    reader.join();
    EXPECT_EQ(data.GetMaxVideoQueueLength(), 1299u);
    EXPECT_EQ(data.GetDycId(), "d299");
    EXPECT_GE(lastSeen.load(), 1000u);
    data.SetContext(nullptr);
}

}  // namespace
}  // namespace zeqnet
