#include "netem/NetemDuplex.h"

#include <gtest/gtest.h>

#include <atomic>

#include "netem/LinkProfileText.h"
#include "osal/Thread.h"

namespace zrtc {
namespace netem {
namespace {

DuplexProfile Profile(const char* text) {
    DuplexProfile s;
    std::string error;
    EXPECT_TRUE(ParseDuplexProfile(text, &s, &error)) << error;
    return s;
}

std::vector<PushResult> PushMany(NetemLink& link, int n) {
    std::vector<PushResult> results;
    for (int i = 0; i < n; ++i) {
        NetemPacket p;
        p.data.resize(100);
        results.push_back(link.Push(std::move(p), i * 1000));
    }
    return results;
}

TEST(NetemDuplexTest, DirectionsAreConfiguredAndDrawnSeparately) {
    NetemDuplex duplex(Profile("loss=10%; up: delay=20ms; down: rate=1mbps"));
    EXPECT_EQ(duplex.Up().Profile().delayUs, 20000);
    EXPECT_EQ(duplex.Up().Profile().rateBps, 0u);
    EXPECT_EQ(duplex.Link(Direction::kDown).Profile().rateBps, 1000000u);
    // One seed, two streams: the directions lose different packets.
    EXPECT_NE(PushMany(duplex.Up(), 500), PushMany(duplex.Down(), 500));
    // Another client's pair differs again, and the same client index repeats.
    NetemDuplex other(Profile("loss=10%"), 1), same(Profile("loss=10%"), 0), again(Profile("loss=10%"), 0);
    const std::vector<PushResult> mine = PushMany(same.Up(), 500);
    EXPECT_NE(mine, PushMany(other.Up(), 500));
    EXPECT_EQ(mine, PushMany(again.Up(), 500));

    duplex.Configure(Profile("down: rate=500kbps"), 600000);
    EXPECT_EQ(duplex.Profile().down.rateBps, 500000u);
    EXPECT_EQ(duplex.Profile().up.lossPpb, 0u);  // a full description: the rest back to defaults
}

TEST(NetemDuplexTest, StatsPrintBothDirections) {
    NetemDuplex duplex(Profile("up: loss=100%"));
    PushMany(duplex.Up(), 3);
    PushMany(duplex.Down(), 2);
    const std::string json = duplex.StatsJson();
    EXPECT_EQ(json.rfind("{\"up\":{\"seed\":1,\"packets_in\":3,", 0), 0u) << json;
    EXPECT_NE(json.find("\"dropped_loss\":3,"), std::string::npos) << json;
    EXPECT_NE(json.find(",\"down\":{\"seed\":1,\"packets_in\":2,\"bytes_in\":200,\"packets_out\":0,"), std::string::npos)
        << json;
    EXPECT_EQ(json.back(), '}');
    const std::string line = duplex.StatsLine();
    EXPECT_EQ(line.rfind("up: in=3 out=0 lost=3 ", 0), 0u) << line;
    EXPECT_NE(line.find(" | down: in=2 out=0 lost=0 "), std::string::npos) << line;
}

// The edge's pattern: one thread pushes into a link while another releases from it and a third
// changes its rate and reads its statistics.
struct Shared {
    NetemLink link{[] {
        LinkProfile s;
        ParseLinkProfile("loss=5%,delay=1ms,jitter=1ms,rate=20mbps,queue=100,dup=5%", &s, nullptr);
        return s;
    }()};
    std::atomic<int64_t> now{0};
    std::atomic<bool> done{false};
    std::atomic<uint64_t> released{0};
};

void Pusher(void* arg) {
    osal::SetCurrentThreadName("netem-push");
    Shared* s = static_cast<Shared*>(arg);
    for (int i = 0; i < 20000; ++i) {
        NetemPacket p;
        p.data.resize(200);
        s->link.Push(std::move(p), s->now.fetch_add(50));
    }
    s->done.store(true);
}

void Popper(void* arg) {
    osal::SetCurrentThreadName("netem-pop");
    Shared* s = static_cast<Shared*>(arg);
    std::vector<NetemPacket> out;
    while (!s->done.load()) {
        out.clear();
        s->released += s->link.PopReady(s->now.load(), &out);
    }
}

void Changer(void* arg) {
    osal::SetCurrentThreadName("netem-conf");
    Shared* s = static_cast<Shared*>(arg);
    for (int i = 0; !s->done.load(); ++i) {
        LinkProfile next = s->link.Profile();
        next.rateBps = i % 2 ? 20000000 : 5000000;
        s->link.Configure(next, s->now.load());
        (void)s->link.Stats().ToJson();
        (void)s->link.NextReleaseTime();
    }
}

TEST(NetemDuplexTest, OneLinkTakesPushPopAndConfigureFromDifferentThreads) {
    Shared shared;
    osal::thread pusher(&Pusher, &shared), popper(&Popper, &shared), changer(&Changer, &shared);
    pusher.join();
    popper.join();
    changer.join();
    std::vector<NetemPacket> out;
    shared.released += shared.link.PopReady(NetemLink::kNever, &out);
    const LinkStats st = shared.link.Stats();
    EXPECT_EQ(st.packetsIn, 20000u);
    EXPECT_EQ(st.inFlight, 0u);
    EXPECT_EQ(st.packetsOut, shared.released.load());
    EXPECT_EQ(st.packetsIn + st.duplicated, st.packetsOut + st.droppedLoss + st.droppedQueue);
}

}  // namespace
}  // namespace netem
}  // namespace zrtc
