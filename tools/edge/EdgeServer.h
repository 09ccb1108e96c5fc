// The UDP server: the listening sockets (IPv4 and IPv6), one session per client address with a
// link path each way, the control channel, and the statistics at the end. One thread: a poll loop.
#pragma once

#include <csignal>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <netinet/in.h>
#include <sys/socket.h>

#include "EdgeOptions.h"
#include "EdgeSession.h"
#include "LinkPath.h"
#include "MediaHooks.h"

namespace zrtc {
namespace edge {

// Thread safety: none; Open and Run on one thread.
class EdgeServer {
public:
    // The longest the loop sleeps with nothing due: bounds how late a quit request is seen.
    static constexpr int kMaxPollMs = 50;

    explicit EdgeServer(EdgeOptions options, MediaHooks* hooks = nullptr);
    ~EdgeServer();
    EdgeServer(const EdgeServer&) = delete;
    EdgeServer& operator=(const EdgeServer&) = delete;

    // Binds the sockets; false with *error set when the port cannot be had.
    bool Open(std::string* error);
    uint16_t Port() const { return mPort; }
    uint16_t ControlPort() const { return mControlPort; }
    // Serves until *quit becomes non-zero, then ends every session and writes the statistics.
    void Run(const volatile std::sig_atomic_t* quit);

private:
    struct Client : ClientChannel {
        EdgeServer* server = nullptr;
        int fd = -1;
        sockaddr_storage addr{};
        socklen_t addrLen = 0;
        std::unique_ptr<LinkPath> up;
        std::unique_ptr<LinkPath> down;
        std::unique_ptr<EdgeSession> session;
        void SendToClient(const uint8_t* data, size_t len) override;
    };

    bool BindData(int family, uint16_t port, int* fd, std::string* error);
    void ReceiveAll(int fd, int64_t nowMs);
    void ServeControl();
    std::string Execute(const std::string& line, int64_t nowMs);
    // The `link` command for one client: reconfigures or replaces one direction.
    bool ChangeLink(Client* c, bool up, const std::string& text, int64_t nowMs, std::string* error);
    Client* FindOrCreate(int fd, const sockaddr_storage& addr, socklen_t len, int64_t nowMs);
    void Pump(Client* c, int64_t nowMs);
    void EndSession(const std::string& peer, const std::string& why);
    void WriteStats() const;
    int NextTimeoutMs(int64_t nowMs) const;

    EdgeOptions mOptions;
    MediaHooks* mHooks;
    int mFd4 = -1;
    int mFd6 = -1;
    int mControlFd = -1;
    uint16_t mPort = 0;
    uint16_t mControlPort = 0;
    uint32_t mNextIndex = 1;
    uint64_t mNextLinkStream = uint64_t{1} << 32;  // links made at run time: clear of the sessions' own
    std::map<std::string, std::unique_ptr<Client>> mClients;  // by peer text
    std::vector<std::string> mEndedJson;
    std::vector<uint8_t> mRxBuffer;
};

// "127.0.0.1:40000" or "[::1]:40000".
std::string PeerText(const sockaddr_storage& addr);

// The link path for one direction from its description text; an empty text is a direct path.
// `stream` gives each session and direction its own random streams. Null with *error on bad text.
std::unique_ptr<LinkPath> MakeLinkPath(const std::string& text, uint64_t stream, std::string* error);

}  // namespace edge
}  // namespace zrtc
