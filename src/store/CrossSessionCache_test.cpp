// The cross-session cache: domains, items and their expirations, message ids, the kept socket,
// and many threads at once.
#include "store/CrossSessionCache.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "osal/TestClock.h"
#include "osal/Thread.h"
#include "vrio/osal.h"

namespace {

using zeqmcdn::CrossSessionCache;

bool FdIsOpen(int fd) { return fd >= 0 && fcntl(fd, F_GETFD) != -1; }

TEST(CrossSessionCacheMsgId, StartsAt100AdvancesByStepAndWraps) {
    CrossSessionCache cache;
    EXPECT_EQ(cache.GetThenIncMsgId("a", 1), 100);
    EXPECT_EQ(cache.GetThenIncMsgId("a", 1), 101);
    EXPECT_EQ(cache.GetThenIncMsgId("b", 5), 100);  // keys are independent
    EXPECT_EQ(cache.GetThenIncMsgId("b", 5), 105);
    EXPECT_EQ(cache.GetThenIncMsgId("a", 1), 102);

    EXPECT_EQ(cache.GetThenIncMsgId("w", 65535 - 100), 100);
    EXPECT_EQ(cache.GetThenIncMsgId("w", 1), 65535);
    EXPECT_EQ(cache.GetThenIncMsgId("w", 1), 0);
    EXPECT_EQ(cache.GetThenIncMsgId("w", 1), 1);
}

TEST(CrossSessionCacheItems, UnknownUrlGivesANewItem) {
    CrossSessionCache cache;
    CrossSessionCache::Item item = cache.GetCache("zrtc://never.seen:1106/app/stream");
    EXPECT_EQ(item.socket, -1);
    EXPECT_TRUE(item.ip.empty());
    EXPECT_TRUE(item.port.empty());
    EXPECT_TRUE(item.cookie.empty());
    EXPECT_EQ(item.dnsExpirationTime, 0);
    EXPECT_EQ(item.cookieExpirationTime, 0);
}

TEST(CrossSessionCacheItems, EachSetterCreatesTheItemWithDefaultsAndSetsOneField) {
    CrossSessionCache cache;
    cache.UpdateCookie("zrtc://e1:1/a", "c1");
    cache.UpdateSocket("zrtc://e2:1/a", 42);
    cache.UpdateDnsExpirationTime("zrtc://e3:1/a", 7);
    cache.UpdateCookieExpirationTime("zrtc://e4:1/a", 8);
    cache.UpdateDns("zrtc://e5:1/a", "10.0.0.5", "1106");

    auto e1 = cache.GetCache("zrtc://e1:1/a");
    EXPECT_EQ(e1.cookie, "c1");
    EXPECT_EQ(e1.socket, -1);
    EXPECT_TRUE(e1.ip.empty());
    auto e2 = cache.GetCache("zrtc://e2:1/a");
    EXPECT_EQ(e2.socket, 42);
    EXPECT_TRUE(e2.cookie.empty());
    EXPECT_EQ(cache.GetCache("zrtc://e3:1/a").dnsExpirationTime, 7);
    EXPECT_EQ(cache.GetCache("zrtc://e4:1/a").cookieExpirationTime, 8);
    auto e5 = cache.GetCache("zrtc://e5:1/a");
    EXPECT_EQ(e5.ip, "10.0.0.5");
    EXPECT_EQ(e5.port, "1106");
    EXPECT_EQ(e5.socket, -1);

    cache.UpdateCookie("zrtc://e5:1/a", "later");  // other fields stay
    EXPECT_EQ(cache.GetCache("zrtc://e5:1/a").ip, "10.0.0.5");
}

TEST(CrossSessionCacheItems, UrlsAreReducedToTheirDomain) {
    struct Case {
        const char* stored;
        const char* looked_up;
        bool same_item;
    };
    const Case cases[] = {
        {"zrtc://edge.example:1106/live/a", "zrtc://edge.example:1106/other/b", true},  // path differs
        {"zrtc://edge.example:1106/live/a", "http://edge.example:1106/live/a", true},   // scheme differs
        {"zrtc://edge.example:1106/live/a", "zrtc://edge.example:1106", true},           // no path at all
        {"zrtc://edge.example:1106/live/a", "zrtc://edge.example:1935/live/a", false},  // port differs
        {"zrtc://edge.example:1106/live/a", "zrtc://edge.example/live/a", false},       // no port
        {"edge.example:1106/live/a", "", true},                                          // no "://": empty domain
        {"edge.example:1106/live/a", "other-without-scheme", true},
        {"edge.example:1106/live/a", "zrtc:///live/a", true},                            // empty host
        {"edge.example:1106/live/a", "zrtc://edge.example:1106/live/a", false},
    };
    for (const Case& c : cases) {
        CrossSessionCache cache;
        cache.UpdateCookie(c.stored, "marker");
        EXPECT_EQ(cache.GetCache(c.looked_up).cookie == "marker", c.same_item) << c.stored << " vs " << c.looked_up;
    }
}

TEST(CrossSessionCacheItems, ExpirationsFollowTheLibraryClock) {
    osal::SimulatedClock clock;
    CrossSessionCache cache;
    const std::string url = "zrtc://exp.example:1106/app";
    cache.UpdateCookieExpirationTime(url, osal_get_time_ms() + 5000);
    cache.UpdateDnsExpirationTime(url, osal_get_time_ms() + 3000);

    auto item = cache.GetCache(url);
    EXPECT_FALSE(item.DnsUsableAt(osal_get_time_ms()));  // an expiry alone is not an address
    cache.UpdateDns(url, "192.0.2.7", "1106");
    item = cache.GetCache(url);
    EXPECT_TRUE(item.DnsUsableAt(osal_get_time_ms()));
    EXPECT_TRUE(item.CookieUsableAt(osal_get_time_ms()));

    clock.Advance(2999);
    EXPECT_TRUE(item.DnsUsableAt(osal_get_time_ms()));
    clock.Advance(1);  // the expiry tick itself is already too late
    EXPECT_FALSE(item.DnsUsableAt(osal_get_time_ms()));
    EXPECT_TRUE(item.CookieUsableAt(osal_get_time_ms()));
    clock.Advance(2000);
    EXPECT_FALSE(item.CookieUsableAt(osal_get_time_ms()));
    EXPECT_FALSE(CrossSessionCache::Item().CookieUsableAt(osal_get_time_ms()));
}

int NewUdpFd() { return socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0); }

TEST(CrossSessionCacheLastSocket, KeepsOneOpenSocketAndClosesTheOneItReplaces) {
    CrossSessionCache cache;
    MySocket closed(true, false);
    cache.UpdateLastSocket(closed);  // nothing open: nothing kept
    EXPECT_EQ(cache.LastSocketFd(), -1);

    MySocket first(true, false);
    ASSERT_EQ(first.Create(NewUdpFd(), AF_INET), 0);
    const int fd1 = first.GetFd();
    cache.UpdateLastSocket(first);
    EXPECT_EQ(cache.LastSocketFd(), fd1);
    first.Close();  // the cache owns it now: the old owner's Close leaves it open
    EXPECT_TRUE(FdIsOpen(fd1));
    cache.UpdateLastSocket(first);  // the one already kept: no change
    EXPECT_TRUE(FdIsOpen(fd1));

    cache.UpdateSocket("zrtc://a.example:1/x", fd1);
    MySocket second(false, false);
    ASSERT_EQ(second.Create(NewUdpFd(), AF_INET), 0);
    const int fd2 = second.GetFd();
    cache.UpdateSocket("zrtc://b.example:1/x", fd2);
    cache.UpdateLastSocket(second);
    EXPECT_EQ(cache.LastSocketFd(), fd2);
    EXPECT_FALSE(FdIsOpen(fd1));
    EXPECT_TRUE(FdIsOpen(fd2));
    // The item that named the closed descriptor no longer offers it for adoption.
    EXPECT_EQ(cache.GetCache("zrtc://a.example:1/x").socket, -1);
    EXPECT_EQ(cache.GetCache("zrtc://b.example:1/x").socket, fd2);

    cache.CloseLastSocket();
    EXPECT_FALSE(FdIsOpen(fd2));
    EXPECT_EQ(cache.LastSocketFd(), -1);
    EXPECT_EQ(cache.GetCache("zrtc://b.example:1/x").socket, -1);
    cache.CloseLastSocket();  // nothing kept: harmless
}

TEST(CrossSessionCacheLastSocket, DestructionClosesTheKeptSocket) {
    int fd = -1;
    {
        CrossSessionCache cache;
        MySocket s(false, false);
        ASSERT_EQ(s.Create(NewUdpFd(), AF_INET), 0);
        fd = s.GetFd();
        cache.UpdateSocket("zrtc://d.example:1/x", fd);
        cache.UpdateLastSocket(s);
    }
    EXPECT_FALSE(FdIsOpen(fd));
}

TEST(CrossSessionCacheInst, IsOneObject) {
    CrossSessionCache* a = CrossSessionCache::Inst();
    EXPECT_NE(a, nullptr);
    EXPECT_EQ(a, CrossSessionCache::Inst());
}

// Sessions on several threads share one cache: ids must never repeat and item copies must be
// taken whole.
struct SharedUse {
    CrossSessionCache* cache;
    int index;
    std::vector<uint16_t> ids;
    int torn = 0;
};

constexpr int kIdsPerThread = 3000;

void UseCache(void* arg) {
    osal::SetCurrentThreadName("TestCacheUser");
    auto* u = static_cast<SharedUse*>(arg);
    const std::string url = "zrtc://shared.example:1106/s" + std::to_string(u->index);
    for (int i = 0; i < kIdsPerThread; ++i) {
        u->ids.push_back(u->cache->GetThenIncMsgId("shared.example:1106", 1));
        std::string v = std::to_string(i);
        u->cache->UpdateDns(url, v, v);
        u->cache->UpdateCookie(url, "cookie-" + v);
        CrossSessionCache::Item item = u->cache->GetCache(url);
        if (item.ip != item.port) ++u->torn;
        if (i % 100 == 0) {
            MySocket s(false, false);
            if (s.Create(NewUdpFd(), AF_INET) == 0) {
                u->cache->UpdateSocket(url, s.GetFd());
                u->cache->UpdateLastSocket(s);
            }
        }
    }
}

TEST(CrossSessionCacheThreads, ConcurrentSessionsGetDistinctIdsAndWholeItems) {
    CrossSessionCache cache;
    constexpr int kThreads = 4;
    std::vector<SharedUse> uses;
    for (int i = 0; i < kThreads; ++i) uses.push_back(SharedUse{&cache, i, {}, 0});
    std::vector<osal::thread> threads;
    for (int i = 0; i < kThreads; ++i) threads.emplace_back(UseCache, &uses[static_cast<size_t>(i)]);
    for (auto& t : threads) t.join();

    std::set<uint16_t> all;
    for (const auto& u : uses) {
        EXPECT_EQ(u.torn, 0);
        all.insert(u.ids.begin(), u.ids.end());
    }
    EXPECT_EQ(all.size(), static_cast<size_t>(kThreads * kIdsPerThread));
    EXPECT_EQ(*all.begin(), 100);
    EXPECT_EQ(*all.rbegin(), 100 + kThreads * kIdsPerThread - 1);
    EXPECT_NE(cache.LastSocketFd(), -1);
}

}  // namespace
