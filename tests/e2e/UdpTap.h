// A UDP relay between the library and the edge that notes every datagram it passes: when, which
// way, from which client port, and for signalling the message type, kind and id. One upstream
// socket per client address, so the edge still tells the library's sockets apart.
//
// Thread safety: the relay runs on its own thread; every public call may come from any thread
// (the record is guarded by mLock).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "vrio/osal.h"

namespace e2e {

struct TapDatagram {
    int64_t atMs = 0;
    bool up = false;          // library to edge
    uint16_t clientPort = 0;  // the library's source port
    bool signalling = false;  // an RTCP APP packet (packet type 204)
    int type = -1;            // low five bits of byte 0 (Connect 0, ..., HeartBeat 7, Mobility 13)
    int kind = -1;            // request 0, final 1, temporary 2, ack 3
    int msgId = -1;
    std::vector<uint8_t> bytes;

    // The TLV body after the 16-byte envelope and message header.
    std::vector<uint8_t> Body() const;
};

// The value of the first entry with `tag` in a flat TLV list (1-byte tag, 2-byte length), or
// false when there is none or the list is malformed.
bool FindTlv(const std::vector<uint8_t>& list, uint8_t tag, std::vector<uint8_t>* value);
std::string TlvText(const std::vector<uint8_t>& list, uint8_t tag);

class UdpTap {
public:
    explicit UdpTap(uint16_t edgePort);
    ~UdpTap();
    UdpTap(const UdpTap&) = delete;
    UdpTap& operator=(const UdpTap&) = delete;

    bool Started() const { return mPort != 0; }
    uint16_t Port() const { return mPort; }

    std::vector<TapDatagram> Datagrams() const;
    // Signalling datagrams of one type and kind going one way.
    std::vector<TapDatagram> Messages(int type, int kind, bool up) const;
    // Waits up to timeoutMs until at least `count` such messages passed.
    bool WaitMessages(int type, int kind, bool up, size_t count, int timeoutMs) const;

private:
    static void* Run(void* self);
    void Loop();
    void Note(const uint8_t* data, size_t len, bool up, uint16_t clientPort);

    int mListenFd = -1;
    uint16_t mPort = 0;
    uint16_t mEdgePort = 0;
    std::map<uint16_t, int> mUpstream;  // client port -> socket towards the edge; relay thread only
    std::atomic<bool> mQuit{false};
    osal_thread_t mThread{};
    mutable std::mutex mLock;
    std::vector<TapDatagram> mRecord;
};

}  // namespace e2e
