// Text parsers of the edge: behaviour switches, control commands, stream descriptions, options.
#include "SessionSwitches.h"

#include <gtest/gtest.h>

#include "ControlCommand.h"
#include "EdgeOptions.h"
#include "StreamCatalogue.h"

namespace zrtc {
namespace edge {
namespace {

TEST(SessionSwitchesTest, AppliesAllOrNothing) {
    SessionSwitches s;
    std::string error;
    ASSERT_TRUE(s.Apply("refuse-subscribe=611,delay=250,twice=on,heartbeat=off,reason=busy now", &error)) << error;
    EXPECT_EQ(s.refuseSubscribe, 611);
    EXPECT_EQ(s.delayMs, 250u);
    EXPECT_TRUE(s.answerTwice);
    EXPECT_FALSE(s.heartbeats);
    EXPECT_EQ(s.refuseReason, "busy now");
    EXPECT_EQ(s.ToString(), "refuse-subscribe=611,reason=busy now,delay=250,twice=on,heartbeat=off");
    SessionSwitches back;
    ASSERT_TRUE(back.Apply(s.ToString(), &error));
    EXPECT_EQ(back.ToString(), s.ToString());

    for (const char* bad : {"refuse-connect=99", "refuse-connect=1000", "delay=60001", "delay=-1", "twice=maybe",
                            "silent", "nosuch=1", "refuse-connect=403,,delay=1", "temp-first=on,delay=x"}) {
        SessionSwitches t = s;
        EXPECT_FALSE(t.Apply(bad, &error)) << bad;
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(t.ToString(), s.ToString()) << bad << " changed something";
    }
    ASSERT_TRUE(s.Apply("refuse-subscribe=0,silent=1", &error));
    EXPECT_EQ(s.refuseSubscribe, 0);
    EXPECT_TRUE(s.silent);
}

TEST(ControlCommandTest, ParsesEveryVerb) {
    ControlCommand c;
    std::string error;
    ASSERT_TRUE(ParseControlCommand("stop 127.0.0.1:4000 404 stream gone away", &c, &error)) << error;
    EXPECT_EQ(c.verb, ControlCommand::Verb::kStop);
    EXPECT_EQ(c.target, "127.0.0.1:4000");
    EXPECT_EQ(c.code, 404);
    EXPECT_EQ(c.reason, "stream gone away");
    ASSERT_TRUE(ParseControlCommand("notify [::1]:5 6 1 0a0B", &c, &error)) << error;
    EXPECT_EQ(c.notifyType, 6);
    EXPECT_EQ(c.notifySub, 1);
    EXPECT_EQ(c.notifyData, (Bytes{0x0A, 0x0B}));
    ASSERT_TRUE(ParseControlCommand("set new delay=5", &c, &error));
    EXPECT_EQ(c.switches, "delay=5");
    ASSERT_TRUE(ParseControlCommand("link * down loss=5%,delay=20ms", &c, &error)) << error;
    EXPECT_FALSE(c.linkUp);
    EXPECT_EQ(c.linkText, "loss=5%,delay=20ms");
    ASSERT_TRUE(ParseControlCommand("link new up none", &c, &error)) << error;
    EXPECT_TRUE(c.linkUp);
    EXPECT_EQ(c.linkText, "");
    for (const char* ok : {"sessions", "help", "mobility *", "drop *", "restart 1.2.3.4:5", "disconnect *",
                           "disconnect * 403", "set * silent=on\n"})
        EXPECT_TRUE(ParseControlCommand(ok, &c, &error)) << ok << ": " << error;
    for (const char* bad : {"", "launch *", "stop", "stop * 70000", "notify * 300 1", "notify * 1 1 abc",
                            "notify * 1 1 zz", "set *", "drop new", "link * sideways x", "link * up", "mobility * extra", "sessions extra"})
        EXPECT_FALSE(ParseControlCommand(bad, &c, &error)) << bad;
}

TEST(StreamCatalogueTest, ParsesStreamsAndFindsThemByUrl) {
    StreamCatalogue cat;
    std::string error;
    ASSERT_TRUE(cat.Add("live=opus+h264", &error)) << error;
    ASSERT_TRUE(cat.Add("cam=aac@44100/1+hevc@1920x1080", &error)) << error;
    ASSERT_TRUE(cat.Add("radio=opus@16000/1", &error)) << error;
    ASSERT_TRUE(cat.Add("mute=hevc", &error)) << error;
    EXPECT_EQ(cat.Streams()[1].sampleRate, 44100u);
    EXPECT_EQ(cat.Streams()[1].width, 1920u);
    EXPECT_EQ(cat.Streams()[2].video, VideoCodec::kNone);
    EXPECT_EQ(cat.Streams()[3].audio, AudioCodec::kNone);
    EXPECT_NE(cat.Streams()[0].audioSsrc, cat.Streams()[1].audioSsrc);
    for (const char* bad : {"live=opus", "noeq", "=opus", "x=mp3", "x=opus+vp8", "x=none+none", "x=aac@12345/2",
                            "x=opus@48000", "x=h264@15x16", "x=h264@641x360", "x=h264@640x9000", "x=opus@48000/9"})
        EXPECT_FALSE(cat.Add(bad, &error)) << bad;
    EXPECT_EQ(cat.Find("zrtc://host/app/cam?trackmode=quenlo", false)->name, "cam");
    EXPECT_EQ(cat.Find("zrtc://host/app/radio@opt=1", false)->name, "radio");
    EXPECT_EQ(cat.Find("zrtc://host/app/other", false), nullptr);
    EXPECT_EQ(cat.Find("zrtc://host/app/other", true)->name, "live");
}

TEST(EdgeOptionsTest, CommandLine) {
    EdgeOptions o;
    std::string error;
    const char* argv[] = {"zrtc-edge", "--port", "0", "--control-port", "0", "--switches", "refuse-connect=403",
                          "--stream", "s=aac+h264", "--strict-streams", "--stats-json", "/tmp/x.json",
                          "--idle-timeout", "5000", "--play-config", "{\"a\":1}"};
    ASSERT_TRUE(ParseEdgeOptions(16, argv, &o, &error)) << error;
    EXPECT_TRUE(o.portGiven);
    EXPECT_TRUE(o.controlGiven);
    EXPECT_EQ(o.switches.refuseConnect, 403);
    EXPECT_EQ(o.catalogue.Streams().size(), 1u);
    EXPECT_FALSE(o.session.fallbackStream);
    EXPECT_EQ(o.session.idleTimeoutMs, 5000);
    EXPECT_EQ(o.session.playConfig, "{\"a\":1}");
    struct Bad {
        std::vector<const char*> args;
    } bads[] = {{{"zrtc-edge"}},
                {{"zrtc-edge", "--port", "70000"}},
                {{"zrtc-edge", "--port"}},
                {{"zrtc-edge", "--port", "1", "--idle-timeout", "10"}},
                {{"zrtc-edge", "--port", "1", "--switches", "x=1"}},
                {{"zrtc-edge", "--port", "1", "--bogus"}}};
    for (const Bad& b : bads) {
        EdgeOptions t;
        EXPECT_FALSE(ParseEdgeOptions(static_cast<int>(b.args.size()), b.args.data(), &t, &error));
    }
    // Every switch is documented.
    const std::string usage = EdgeUsage();
    for (const char* sw : {"--port", "--any", "--control-port", "--stream", "--strict-streams", "--play-config",
                           "--switches", "--idle-timeout", "--stats-json", "--link-up", "--link-down", "--help",
                           "refuse-connect", "refuse-subscribe", "refuse-publish", "refuse-update", "reason=",
                           "delay=", "twice=", "temp-first=", "temp-only=", "heartbeat=", "silent=", "notify",
                           "mobility", "restart", "drop"})
        EXPECT_NE(usage.find(sw), std::string::npos) << sw;
}

}  // namespace
}  // namespace edge
}  // namespace zrtc
