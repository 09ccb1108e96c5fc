#include "netem/LinkProfileText.h"

#include <gtest/gtest.h>

namespace zrtc {
namespace netem {
namespace {

TEST(LinkProfileTextTest, ReadsTheFullDescription) {
    LinkProfile s;
    std::string error;
    ASSERT_TRUE(ParseLinkProfile("loss=2%,burst=gilbert:p=0.01:r=0.3:h=1,delay=40ms,jitter=10ms,rate=1500kbps,"
                              "queue=50,dup=0.5%,reorder=1%",
                              &s, &error))
        << error;
    EXPECT_EQ(s.lossPpb, 20000000u);
    EXPECT_TRUE(s.burst.enabled);
    EXPECT_EQ(s.burst.pPpb, 10000000u);
    EXPECT_EQ(s.burst.rPpb, 300000000u);
    EXPECT_EQ(s.burst.hPpb, kPpbOne);
    EXPECT_EQ(s.burst.kPpb, 0u);
    EXPECT_EQ(s.delayUs, 40000);
    EXPECT_EQ(s.jitterUs, 10000);
    EXPECT_EQ(s.rateBps, 1500000u);
    EXPECT_EQ(s.queuePackets, 50u);
    EXPECT_EQ(s.queueBytes, 0u);
    EXPECT_EQ(s.dupPpb, 5000000u);
    EXPECT_EQ(s.reorderPpb, 10000000u);
    EXPECT_EQ(s.reorderHoldUs, LinkProfile::kDefaultReorderHoldUs);
    EXPECT_EQ(s.seed, 1u);
}

// Accepted texts and their canonical form (which parses back to the same profile).
TEST(LinkProfileTextTest, AcceptsEveryFormAndFormatsItCanonically) {
    struct Case {
        const char* text;
        const char* canonical;
    };
    const Case cases[] = {
        {"", ""},
        {"  ", ""},
        {"loss=0.02", "loss=2%"},
        {"loss=100%", "loss=100%"},
        {"loss=0.0000001%", "loss=0.0000001%"},
        {"loss=0.000000001", "loss=0.0000001%"},
        {"loss=1.50%", "loss=1.5%"},
        {" loss = 2% , delay = 40ms ", "loss=2%,delay=40ms"},
        {"delay=250us", "delay=250us"},
        {"delay=1.5ms", "delay=1500us"},
        {"delay=0.25s", "delay=250ms"},
        {"delay=2s,jitter=3000us", "delay=2s,jitter=3ms"},
        {"delay=3600s", "delay=3600s"},
        {"jitter=5ms,order=keep", "jitter=5ms,order=keep"},
        {"order=any", ""},
        {"rate=1500kbps", "rate=1500kbps"},
        {"rate=2Mbps", "rate=2mbps"},
        {"rate=1.5mbps", "rate=1500kbps"},
        {"rate=1GBPS", "rate=1gbps"},
        {"rate=1234567bps", "rate=1234567bps"},
        {"rate=off", ""},
        {"rate=0", ""},
        {"queue=50", "queue=50"},
        {"queue=1000", ""},
        {"queue=64kB", "queue=64000B"},
        {"queue=1.5MB", "queue=1500000B"},
        {"burst=off", ""},
        {"burst=gilbert:p=1%:r=30%", "burst=gilbert:p=1%:r=30%:h=100%:k=0%"},
        {"burst=gilbert:r=0.5:p=0.1:k=1%:h=0.9", "burst=gilbert:p=10%:r=50%:h=90%:k=1%"},
        {"dup=0.5%", "dup=0.5%"},
        {"reorder=1%", "reorder=1%"},
        {"reorder=1%:hold=5ms", "reorder=1%:hold=5ms"},
        {"reorder=0%:hold=5ms", "reorder=0%:hold=5ms"},
        {"seed=0", "seed=0"},
        {"seed=18446744073709551615", "seed=18446744073709551615"},
        {"seed=42,loss=1%", "loss=1%,seed=42"},
    };
    for (const Case& c : cases) {
        LinkProfile s;
        std::string error;
        ASSERT_TRUE(ParseLinkProfile(c.text, &s, &error)) << c.text << ": " << error;
        EXPECT_EQ(FormatLinkProfile(s), c.canonical) << c.text;
        LinkProfile again;
        ASSERT_TRUE(ParseLinkProfile(FormatLinkProfile(s), &again, &error)) << c.text << ": " << error;
        EXPECT_EQ(again, s) << c.text;
    }
}

TEST(LinkProfileTextTest, RefusesBadTextSayingWhereAndWhy) {
    struct Case {
        const char* text;
        const char* says;
    };
    const Case cases[] = {
        {"loss", "expected key=value"},
        {"loss=", "missing value"},
        {"speed=1mbps", "unknown key"},
        {"LOSS=1%", "unknown key"},
        {"loss=1%,,delay=1ms", "empty item"},
        {"loss=1%,", "empty item"},
        {"loss=1%,loss=2%", "given twice"},
        {"loss=2", "fraction 0..1 or a percentage"},
        {"loss=101%", "fraction 0..1 or a percentage"},
        {"loss=-1%", "expected a probability"},
        {"loss=.5", "expected a probability"},
        {"loss=5.", "expected a probability"},
        {"loss=1e-3", "expected a probability"},
        {"loss=0.00000000001", "resolves to 1e-9"},
        {"loss=abc", "expected a probability"},
        {"loss=99999999999999999999999%", "fraction 0..1 or a percentage"},
        {"delay=40", "needs a unit"},
        {"delay=40 ms", "unknown time unit"},
        {"delay=40min", "unknown time unit"},
        {"delay=ms", "expected a number first"},
        {"delay=1.0005ms", "resolves to 1us"},
        {"delay=3601s", "at most 3600s"},
        {"delay=1.2.3ms", "expected a number"},
        {"jitter=-5ms", "expected a number first"},
        {"order=strict", "order is keep or any"},
        {"rate=1500", "needs a unit"},
        {"rate=1500kbit", "unknown rate unit"},
        {"rate=999bps", "1kbps..100gbps"},
        {"rate=101gbps", "1kbps..100gbps"},
        {"rate=1.0005kbps", "resolves to 1bps"},
        {"queue=0", "1..1000000 packets"},
        {"queue=1000001", "1..1000000 packets"},
        {"queue=1.5", "1..1000000 packets"},
        {"queue=64kb", "unknown queue unit"},
        {"queue=1001MB", "1B..1000MB"},
        {"queue=0.5B", "1B..1000MB"},
        {"burst=on", "off or gilbert"},
        {"burst=gilbert", "needs p="},
        {"burst=gilbert:p=1%", "needs p="},
        {"burst=gilbert:p=1%:r=2%:x=3%", "is not p=, r=, h= or k="},
        {"burst=gilbert:p=1%:p=2%:r=3%", "given twice"},
        {"burst=gilbert:p=1%:r=300%", "burst r:"},
        {"burst=gilbert:p:r=1%", "is not p=, r=, h= or k="},
        {"reorder=1%:hold=0ms", "above 0"},
        {"reorder=1%:gap=3", "one parameter"},
        {"reorder=1%:hold=1ms:hold=2ms", "one parameter"},
        {"reorder=1%:hold=5", "reorder hold: a time needs a unit"},
        {"seed=-1", "a seed is a whole number"},
        {"seed=18446744073709551616", "a seed is a whole number"},
        {"seed=1x", "a seed is a whole number"},
        {"loss=1%\n", "expected a probability"},
        {"loss=1%\x01", "\\x01"},
    };
    for (const Case& c : cases) {
        LinkProfile s;
        s.delayUs = 7;  // untouched on failure
        std::string error;
        EXPECT_FALSE(ParseLinkProfile(c.text, &s, &error)) << c.text;
        EXPECT_NE(error.find(c.says), std::string::npos) << c.text << " -> " << error;
        EXPECT_EQ(error.rfind("bad link description at '", 0), 0u) << error;
        EXPECT_EQ(s.delayUs, 7) << c.text;
    }
}

TEST(LinkProfileTextTest, ParsesOverTheGivenProfileSoAChangeKeepsTheRest) {
    LinkProfile s;
    ASSERT_TRUE(ParseLinkProfile("loss=2%,delay=40ms,rate=2mbps", &s, nullptr));
    ASSERT_TRUE(ParseLinkProfile("rate=500kbps", &s, nullptr));
    EXPECT_EQ(s.rateBps, 500000u);
    EXPECT_EQ(s.lossPpb, 20000000u);
    EXPECT_EQ(s.delayUs, 40000);
    // A queue given in bytes replaces the packet limit, and back.
    ASSERT_TRUE(ParseLinkProfile("queue=10kB", &s, nullptr));
    EXPECT_EQ(s.queuePackets, 0u);
    EXPECT_EQ(s.queueBytes, 10000u);
    ASSERT_TRUE(ParseLinkProfile("queue=20", &s, nullptr));
    EXPECT_EQ(s.queuePackets, 20u);
    EXPECT_EQ(s.queueBytes, 0u);
    // A reorder without hold keeps the hold in use.
    ASSERT_TRUE(ParseLinkProfile("reorder=1%:hold=7ms", &s, nullptr));
    ASSERT_TRUE(ParseLinkProfile("reorder=2%", &s, nullptr));
    EXPECT_EQ(s.reorderHoldUs, 7000);
}

TEST(LinkProfileTextTest, DuplexSectionsApplyInOrderToTheirDirections) {
    DuplexProfile d;
    std::string error;
    ASSERT_TRUE(ParseDuplexProfile("delay=20ms; up: rate=1mbps ;down:loss=1%,delay=30ms", &d, &error)) << error;
    EXPECT_EQ(d.up.delayUs, 20000);
    EXPECT_EQ(d.up.rateBps, 1000000u);
    EXPECT_EQ(d.up.lossPpb, 0u);
    EXPECT_EQ(d.down.delayUs, 30000);
    EXPECT_EQ(d.down.lossPpb, 10000000u);
    EXPECT_EQ(d.down.rateBps, 0u);
    EXPECT_EQ(FormatDuplexProfile(d), "up: delay=20ms,rate=1mbps; down: loss=1%,delay=30ms");
    DuplexProfile again;
    ASSERT_TRUE(ParseDuplexProfile(FormatDuplexProfile(d), &again, &error)) << error;
    EXPECT_EQ(again, d);

    DuplexProfile same;
    ASSERT_TRUE(ParseDuplexProfile("loss=1%", &same, nullptr));
    EXPECT_EQ(same.up, same.down);
    EXPECT_EQ(FormatDuplexProfile(same), "loss=1%");

    const char* const bad[] = {"loss=1%;;delay=1ms", "loss=1%;", "up: loss=1%; down: loss=2", "sideways: loss=1%"};
    for (const char* text : bad) {
        DuplexProfile untouched;
        untouched.up.delayUs = 9;
        EXPECT_FALSE(ParseDuplexProfile(text, &untouched, &error)) << text;
        EXPECT_EQ(untouched.up.delayUs, 9) << text;
        EXPECT_EQ(untouched.down.delayUs, 0) << text;
    }
}

}  // namespace
}  // namespace netem
}  // namespace zrtc
