// The process-wide cache that outlives sessions: per media-edge domain the last resolved address,
// the signalling cookie, the socket and when they stop being reusable; the signalling message ids;
// and the one socket kept open for the next session.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "engine/MySocket.h"
#include "osal/Mutex.h"

namespace zeqmcdn {

// Every URL argument is reduced to its domain first (host and port, without scheme or path); a
// text without "://" maps to the empty domain.
//
// Thread safety: every method may be called from any thread; all of them serialise on one
// recursive mutex (engine command threads and transport threads of every session share it).
class CrossSessionCache {
public:
    struct Item {
        std::string ip;                // last resolved address
        std::string port;              // port as decimal text
        std::string cookie;            // signalling cookie of the last session with this edge
        int32_t socket = -1;           // descriptor kept for this edge
        int64_t dnsExpirationTime = 0;     // tick (ms) until which ip and port may be reused
        int64_t cookieExpirationTime = 0;  // tick (ms) until which socket and cookie may be reused

        // ip and port are known and `now` is before their expiry.
        bool DnsUsableAt(int64_t now) const { return !ip.empty() && !port.empty() && now < dnsExpirationTime; }
        // `now` is before the expiry of socket and cookie.
        bool CookieUsableAt(int64_t now) const { return now < cookieExpirationTime; }
    };

    // The one cache of the process, made on first use and destroyed at exit.
    static CrossSessionCache* Inst();

    // Separate instances exist for tests; the library uses Inst() only.
    CrossSessionCache();
    // Closes the kept last socket.
    ~CrossSessionCache();
    CrossSessionCache(const CrossSessionCache&) = delete;
    CrossSessionCache& operator=(const CrossSessionCache&) = delete;

    void UpdateDns(const std::string& url, const std::string& ip, const std::string& port);
    void UpdateDnsExpirationTime(const std::string& url, int64_t tick);
    void UpdateCookieExpirationTime(const std::string& url, int64_t tick);
    void UpdateCookie(const std::string& url, const std::string& cookie);
    void UpdateSocket(const std::string& url, int fd);
    // A copy of the domain's item, or a new item (socket -1, empty texts, expired) when unknown.
    Item GetCache(const std::string& url);

    // The current id for `key` (100 for a new key), then advances it by `step`, wrapping at 65536.
    uint16_t GetThenIncMsgId(const std::string& key, int step);

    // Keeps `socket` open for the next session when it is open and not already the kept one; a
    // different kept socket is closed first. The cache takes over closing the descriptor: the
    // given record's need-close flag is cleared so that its owner's Close() leaves it open.
    void UpdateLastSocket(MySocket& socket);
    // Closes the kept socket, if any. Items that still name that descriptor forget it (-1), so
    // a later session cannot adopt a closed or reused descriptor.
    void CloseLastSocket();
    // The kept socket's descriptor, -1 when none.
    int LastSocketFd();

private:
    Item& ItemFor(const std::string& domain);  // creates it with the defaults; mutex held

    osal::recursive_mutex mMutex;
    std::map<std::string, Item> mItems;         // by domain
    std::map<std::string, uint16_t> mMsgIds;    // by key
    MySocket mLastSocket{true, false};
};

}  // namespace zeqmcdn
