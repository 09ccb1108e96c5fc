#include "EdgeServer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "ControlCommand.h"
#include "EdgeLog.h"
#include "EmulatedPath.h"
#include "netem/LinkProfileText.h"
#include "vrio/osal.h"

namespace zrtc {
namespace edge {

namespace {

// Large enough for any datagram a client sends (its own limit is 4096 for signalling).
constexpr size_t kMaxDatagram = 65536;
// A port taken on IPv4 may be busy on IPv6; a few fresh tries find one free on both.
constexpr int kPortTries = 20;

bool SetNonBlocking(int fd) {
    const int flags = fcntl(fd, F_GETFL, 0);
    return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

uint16_t BoundPort(int fd) {
    sockaddr_storage ss{};
    socklen_t len = sizeof(ss);
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&ss), &len) != 0) return 0;
    if (ss.ss_family == AF_INET) return ntohs(reinterpret_cast<sockaddr_in*>(&ss)->sin_port);
    return ntohs(reinterpret_cast<sockaddr_in6*>(&ss)->sin6_port);
}

}  // namespace

std::string PeerText(const sockaddr_storage& addr) {
    char host[INET6_ADDRSTRLEN] = {0};
    if (addr.ss_family == AF_INET) {
        const auto* a = reinterpret_cast<const sockaddr_in*>(&addr);
        inet_ntop(AF_INET, &a->sin_addr, host, sizeof(host));
        return std::string(host) + ":" + std::to_string(ntohs(a->sin_port));
    }
    const auto* a = reinterpret_cast<const sockaddr_in6*>(&addr);
    inet_ntop(AF_INET6, &a->sin6_addr, host, sizeof(host));
    return "[" + std::string(host) + "]:" + std::to_string(ntohs(a->sin6_port));
}

std::unique_ptr<LinkPath> MakeLinkPath(const std::string& text, uint64_t stream, std::string* error) {
    if (text.empty()) return std::make_unique<DirectPath>();
    netem::LinkProfile profile;
    if (!netem::ParseLinkProfile(text, &profile, error)) return nullptr;
    return std::make_unique<EmulatedPath>(profile, stream);
}

void EdgeServer::Client::SendToClient(const uint8_t* data, size_t len) {
    down->Push(Bytes(data, data + len), osal_get_time_ms() * 1000);
}

EdgeServer::EdgeServer(EdgeOptions options, MediaHooks* hooks) : mOptions(std::move(options)), mHooks(hooks) {}

EdgeServer::~EdgeServer() {
    for (int fd : {mFd4, mFd6, mControlFd})
        if (fd >= 0) close(fd);
}

bool EdgeServer::BindData(int family, uint16_t port, int* fd, std::string* error) {
    *fd = socket(family, SOCK_DGRAM, 0);
    if (*fd < 0) {
        *error = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    sockaddr_storage ss{};
    socklen_t len = 0;
    if (family == AF_INET) {
        auto* a = reinterpret_cast<sockaddr_in*>(&ss);
        a->sin_family = AF_INET;
        a->sin_port = htons(port);
        a->sin_addr.s_addr = htonl(mOptions.anyAddress ? INADDR_ANY : INADDR_LOOPBACK);
        len = sizeof(*a);
    } else {
        const int one = 1;
        setsockopt(*fd, IPPROTO_IPV6, IPV6_V6ONLY, &one, sizeof(one));
        auto* a = reinterpret_cast<sockaddr_in6*>(&ss);
        a->sin6_family = AF_INET6;
        a->sin6_port = htons(port);
        a->sin6_addr = mOptions.anyAddress ? in6addr_any : in6addr_loopback;
        len = sizeof(*a);
    }
    if (bind(*fd, reinterpret_cast<sockaddr*>(&ss), len) != 0 || !SetNonBlocking(*fd)) {
        *error = std::string(family == AF_INET ? "IPv4" : "IPv6") + " port " + std::to_string(port) + ": " +
                 std::strerror(errno);
        close(*fd);
        *fd = -1;
        return false;
    }
    return true;
}

bool EdgeServer::Open(std::string* error) {
    for (int attempt = 0; attempt < kPortTries; ++attempt) {
        if (!BindData(AF_INET, mOptions.port, &mFd4, error)) return false;
        mPort = BoundPort(mFd4);
        std::string why6;
        if (BindData(AF_INET6, mPort, &mFd6, &why6)) break;
        if (errno == EADDRINUSE && mOptions.port == 0) {
            close(mFd4);
            mFd4 = -1;
            continue;  // that port is busy on IPv6: draw another
        }
        EdgeLog("no IPv6 (%s); serving IPv4 only", why6.c_str());
        break;
    }
    if (mFd4 < 0) {
        *error = "no port free on both IPv4 and IPv6";
        return false;
    }
    if (mOptions.controlGiven) {
        mControlFd = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(mOptions.controlPort);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (mControlFd < 0 || bind(mControlFd, reinterpret_cast<sockaddr*>(&a), sizeof(a)) != 0 ||
            !SetNonBlocking(mControlFd)) {
            *error = "control port " + std::to_string(mOptions.controlPort) + ": " + std::strerror(errno);
            return false;
        }
        mControlPort = BoundPort(mControlFd);
    }
    // Fail now, not at the first client, when a link description cannot be served.
    std::string linkError;
    if (!MakeLinkPath(mOptions.linkUp, 0, &linkError) || !MakeLinkPath(mOptions.linkDown, 1, &linkError)) {
        *error = "bad link description: " + linkError;
        return false;
    }
    return true;
}

EdgeServer::Client* EdgeServer::FindOrCreate(int fd, const sockaddr_storage& addr, socklen_t len, int64_t nowMs) {
    const std::string peer = PeerText(addr);
    auto it = mClients.find(peer);
    if (it != mClients.end()) return it->second.get();
    auto c = std::make_unique<Client>();
    c->server = this;
    c->fd = fd;
    c->addr = addr;
    c->addrLen = len;
    std::string error;
    // Checked at Open: the texts parse.
    c->up = MakeLinkPath(mOptions.linkUp, 2 * uint64_t{mNextIndex}, &error);
    c->down = MakeLinkPath(mOptions.linkDown, 2 * uint64_t{mNextIndex} + 1, &error);
    c->session = std::make_unique<EdgeSession>(peer, mNextIndex++, &mOptions.catalogue, mOptions.session,
                                               mOptions.switches, c.get(), mHooks, nowMs);
    EdgeLog("session %s started%s%s", peer.c_str(), mOptions.switches.ToString().empty() ? "" : ", switches ",
            mOptions.switches.ToString().c_str());
    Client* raw = c.get();
    mClients[peer] = std::move(c);
    return raw;
}

void EdgeServer::ReceiveAll(int fd, int64_t nowMs) {
    mRxBuffer.resize(kMaxDatagram);
    for (;;) {
        sockaddr_storage from{};
        socklen_t fromLen = sizeof(from);
        const ssize_t n =
            recvfrom(fd, mRxBuffer.data(), mRxBuffer.size(), 0, reinterpret_cast<sockaddr*>(&from), &fromLen);
        if (n < 0) return;  // drained (or a transient error; the next poll tells)
        Client* c = FindOrCreate(fd, from, fromLen, nowMs);
        c->up->Push(Bytes(mRxBuffer.begin(), mRxBuffer.begin() + n), nowMs * 1000);
    }
}

void EdgeServer::Pump(Client* c, int64_t nowMs) {
    std::vector<Bytes> in;
    c->up->Release(nowMs * 1000, &in);
    for (const Bytes& d : in) c->session->OnDatagram(d.data(), d.size(), nowMs);
    c->session->Poll(nowMs);
    std::vector<Bytes> out;
    c->down->Release(nowMs * 1000, &out);
    for (const Bytes& d : out)
        sendto(c->fd, d.data(), d.size(), 0, reinterpret_cast<const sockaddr*>(&c->addr), c->addrLen);
}

void EdgeServer::EndSession(const std::string& peer, const std::string& why) {
    const auto it = mClients.find(peer);
    if (it == mClients.end()) return;
    Client& c = *it->second;
    const std::string link = "up " + c.up->StatsLine() + "; down " + c.down->StatsLine();
    EdgeLog("%s", c.session->Summary(why, link).c_str());
    mEndedJson.push_back(c.session->SummaryJson(
        why, "{\"up\":" + c.up->StatsJson() + ",\"down\":" + c.down->StatsJson() + "}"));
    if (mHooks != nullptr) mHooks->OnSessionEnded(peer);
    mClients.erase(it);
}

bool EdgeServer::ChangeLink(Client* c, bool up, const std::string& text, int64_t nowMs, std::string* error) {
    error->clear();
    Pump(c, nowMs);  // what the old path holds leaves first
    std::unique_ptr<LinkPath>& path = up ? c->up : c->down;
    if (!text.empty() && path->Reconfigure(text, nowMs * 1000, error)) return true;
    if (!error->empty()) return false;
    std::unique_ptr<LinkPath> fresh = MakeLinkPath(text, mNextLinkStream++, error);
    if (!fresh) return false;
    path = std::move(fresh);
    return true;
}

std::string EdgeServer::Execute(const std::string& line, int64_t nowMs) {
    ControlCommand cmd;
    std::string error;
    if (!ParseControlCommand(line, &cmd, &error)) return "error " + error;
    using V = ControlCommand::Verb;
    if (cmd.verb == V::kHelp) return std::string("ok ") + ControlHelp();
    if (cmd.verb == V::kSessions) {
        std::string out = "ok";
        for (const auto& kv : mClients) out += " " + kv.first;
        return out;
    }
    if (cmd.verb == V::kSet && (cmd.target == "new" || cmd.target == "*")) {
        if (!mOptions.switches.Apply(cmd.switches, &error)) return "error " + error;
        if (cmd.target == "new") return "ok new sessions: " + mOptions.switches.ToString();
    }
    if (cmd.verb == V::kLink && (cmd.target == "new" || cmd.target == "*")) {
        if (!MakeLinkPath(cmd.linkText, 0, &error)) return "error " + error;
        (cmd.linkUp ? mOptions.linkUp : mOptions.linkDown) = cmd.linkText;
        if (cmd.target == "new") return "ok new sessions";
    }
    std::vector<std::string> peers;
    for (const auto& kv : mClients)
        if (cmd.target == "*" || kv.first == cmd.target) peers.push_back(kv.first);
    if (peers.empty() && cmd.target != "*") return "error no session " + cmd.target;
    for (const std::string& peer : peers) {
        EdgeSession& s = *mClients[peer]->session;
        switch (cmd.verb) {
            case V::kSet:
                if (!s.Switches().Apply(cmd.switches, &error)) return "error " + error;
                break;
            case V::kStop: s.SendStop(cmd.code, cmd.reason, nowMs); break;
            case V::kDisconnect: s.SendDisconnect(cmd.code, cmd.reason, nowMs); break;
            case V::kNotify: s.SendNotify(cmd.notifyType, cmd.notifySub, cmd.notifyData, nowMs); break;
            case V::kMobility: s.SendMobility(); break;
            case V::kRestart: s.Restart(); break;
            case V::kDrop: EndSession(peer, "dropped"); continue;
            case V::kLink:
                if (!ChangeLink(mClients[peer].get(), cmd.linkUp, cmd.linkText, nowMs, &error)) return "error " + error;
                break;
            default: break;
        }
        Pump(mClients[peer].get(), nowMs);
    }
    return "ok " + std::to_string(peers.size()) + " session(s)";
}

void EdgeServer::ServeControl() {
    char buf[2048];
    for (;;) {
        sockaddr_storage from{};
        socklen_t fromLen = sizeof(from);
        const ssize_t n = recvfrom(mControlFd, buf, sizeof(buf) - 1, 0, reinterpret_cast<sockaddr*>(&from), &fromLen);
        if (n < 0) return;
        std::string line(buf, static_cast<size_t>(n));
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        const std::string reply = Execute(line, osal_get_time_ms());
        EdgeLog("control '%s': %s", line.c_str(), reply.c_str());
        sendto(mControlFd, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&from), fromLen);
    }
}

int EdgeServer::NextTimeoutMs(int64_t nowMs) const {
    int64_t next = nowMs + kMaxPollMs;
    for (const auto& kv : mClients) {
        next = std::min(next, kv.second->session->NextWakeMs());
        for (const LinkPath* p : {kv.second->up.get(), kv.second->down.get()}) {
            const int64_t us = p->NextReleaseUs();
            if (us != std::numeric_limits<int64_t>::max()) next = std::min(next, (us + 999) / 1000);
        }
    }
    return static_cast<int>(std::max<int64_t>(0, next - nowMs));
}

void EdgeServer::Run(const volatile std::sig_atomic_t* quit) {
    while (*quit == 0) {
        pollfd fds[3];
        nfds_t n = 0;
        for (int fd : {mFd4, mFd6, mControlFd})
            if (fd >= 0) fds[n++] = pollfd{fd, POLLIN, 0};
        poll(fds, n, NextTimeoutMs(osal_get_time_ms()));
        const int64_t now = osal_get_time_ms();
        for (nfds_t i = 0; i < n; ++i) {
            if ((fds[i].revents & POLLIN) == 0) continue;
            if (fds[i].fd == mControlFd)
                ServeControl();
            else
                ReceiveAll(fds[i].fd, now);
        }
        std::vector<std::string> ended;
        for (auto& kv : mClients) {
            Pump(kv.second.get(), now);
            std::string why;
            if (kv.second->session->Ended(now, &why)) ended.push_back(kv.first + "\n" + why);
        }
        for (const std::string& e : ended) {
            const size_t nl = e.find('\n');
            EndSession(e.substr(0, nl), e.substr(nl + 1));
        }
    }
    std::vector<std::string> peers;
    for (const auto& kv : mClients) peers.push_back(kv.first);
    for (const std::string& p : peers) EndSession(p, "edge exit");
    WriteStats();
}

void EdgeServer::WriteStats() const {
    if (mOptions.statsJson.empty()) return;
    FILE* f = std::fopen(mOptions.statsJson.c_str(), "w");
    if (f == nullptr) {
        EdgeLog("cannot write %s: %s", mOptions.statsJson.c_str(), std::strerror(errno));
        return;
    }
    std::fprintf(f, "{\"port\":%u,\"sessions\":[", mPort);
    for (size_t i = 0; i < mEndedJson.size(); ++i) std::fprintf(f, "%s%s", i ? "," : "", mEndedJson[i].c_str());
    std::fprintf(f, "]}\n");
    std::fclose(f);
}

}  // namespace edge
}  // namespace zrtc
