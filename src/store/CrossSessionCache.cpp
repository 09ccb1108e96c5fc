#include "store/CrossSessionCache.h"

#include "platform/UrlText.h"

#include "osal/LLog.h"

namespace zeqmcdn {

namespace {

// The domain of a URL: what follows the first "://" up to the next '/' (all of it when there is
// no '/'); empty for an empty text or one without "://".
// Message ids of a key that was never used start here.
constexpr uint16_t kFirstMsgId = 100;

}  // namespace

CrossSessionCache* CrossSessionCache::Inst() {
    static CrossSessionCache instance;  // thread-safe construction; destroyed at process exit
    return &instance;
}

CrossSessionCache::CrossSessionCache() {
    // The destructor logs; making sure the logger exists first makes it outlive this object when
    // both are destroyed at process exit.
    osal::LLogInterface::GetInst();
}

CrossSessionCache::~CrossSessionCache() {
    // Only the kept socket belongs to the cache. The descriptors recorded in items are references
    // to it or to sockets that their sessions closed; closing those numbers could hit a file that
    // has reused them since.
    CloseLastSocket();
}

CrossSessionCache::Item& CrossSessionCache::ItemFor(const std::string& domain) { return mItems[domain]; }

void CrossSessionCache::UpdateDns(const std::string& url, const std::string& ip, const std::string& port) {
    osal::lock_guard<osal::recursive_mutex> lock(mMutex);
    std::string domain = NetBit::GetDomainName(url);
    Item& item = ItemFor(domain);
    item.ip = ip;
    item.port = port;
    VLOGI("UpdateDns: %s -> %s:%s\n", domain.c_str(), ip.c_str(), port.c_str());
}

void CrossSessionCache::UpdateDnsExpirationTime(const std::string& url, int64_t tick) {
    osal::lock_guard<osal::recursive_mutex> lock(mMutex);
    std::string domain = NetBit::GetDomainName(url);
    ItemFor(domain).dnsExpirationTime = tick;
    VLOGI("UpdateDnsExpirationTime: %s -> %lld\n", domain.c_str(), static_cast<long long>(tick));
}

void CrossSessionCache::UpdateCookieExpirationTime(const std::string& url, int64_t tick) {
    osal::lock_guard<osal::recursive_mutex> lock(mMutex);
    std::string domain = NetBit::GetDomainName(url);
    ItemFor(domain).cookieExpirationTime = tick;
    VLOGI("UpdateCookieExpirationTime: %s -> %lld\n", domain.c_str(), static_cast<long long>(tick));
}

void CrossSessionCache::UpdateCookie(const std::string& url, const std::string& cookie) {
    osal::lock_guard<osal::recursive_mutex> lock(mMutex);
    std::string domain = NetBit::GetDomainName(url);
    ItemFor(domain).cookie = cookie;
    VLOGI("UpdateCookie:%s -> %s\n", domain.c_str(), cookie.c_str());
}

void CrossSessionCache::UpdateSocket(const std::string& url, int fd) {
    osal::lock_guard<osal::recursive_mutex> lock(mMutex);
    std::string domain = NetBit::GetDomainName(url);
    ItemFor(domain).socket = fd;
    VLOGI("UpdateSocket:%s -> %d\n", domain.c_str(), fd);
}

CrossSessionCache::Item CrossSessionCache::GetCache(const std::string& url) {
    osal::lock_guard<osal::recursive_mutex> lock(mMutex);
    std::string domain = NetBit::GetDomainName(url);
    auto it = mItems.find(domain);
    Item item = it == mItems.end() ? Item() : it->second;
    VLOGI("GetCache:%s->%s:%s:%s", domain.c_str(), item.ip.c_str(), item.port.c_str(), item.cookie.c_str());
    return item;
}

uint16_t CrossSessionCache::GetThenIncMsgId(const std::string& key, int step) {
    osal::lock_guard<osal::recursive_mutex> lock(mMutex);
    auto it = mMsgIds.emplace(key, kFirstMsgId).first;
    uint16_t id = it->second;
    // Unsigned arithmetic wraps at 65536 (a negative step counts down).
    it->second = static_cast<uint16_t>(static_cast<uint32_t>(id) + static_cast<uint32_t>(step));
    VLOGI("GetThenIncMsgId:%s->%u", key.c_str(), static_cast<unsigned>(id));
    return id;
}

void CrossSessionCache::UpdateLastSocket(MySocket& socket) {
    osal::lock_guard<osal::recursive_mutex> lock(mMutex);
    if (socket.GetFd() == -1 || socket.GetFd() == mLastSocket.GetFd()) return;
    CloseLastSocket();
    mLastSocket = socket;
    socket.SetNeedClose(false);
}

void CrossSessionCache::CloseLastSocket() {
    osal::lock_guard<osal::recursive_mutex> lock(mMutex);
    int fd = mLastSocket.GetFd();
    if (fd == -1) return;
    VLOGI("CloseLastSocket id:%d", fd);
    mLastSocket.SetNeedClose(true);  // the kept record is the owner whatever flag it came with
    mLastSocket.Close();
    for (auto& entry : mItems) {
        if (entry.second.socket == fd) entry.second.socket = -1;
    }
}

int CrossSessionCache::LastSocketFd() {
    osal::lock_guard<osal::recursive_mutex> lock(mMutex);
    return mLastSocket.GetFd();
}

}  // namespace zeqmcdn
