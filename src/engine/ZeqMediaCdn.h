// The media edge engine as the transport sees it: a facade over one signalling session with one
// edge, created per connection attempt and destroyed at its end.
#pragma once

#include <cstdint>

#include "engine/MsgParam.h"
#include "engine/SigCmdParam.h"
#include "platform/String.h"

namespace zeqmcdn {

// Where to connect: the stream URL, and the edge address when the player gave one.
struct SfuUrl {
    String url;
    String sfuIp;
    String sfuPort;
};

// What the engine calls back: result messages and every non-signalling datagram.
// Thread safety: called on the signalling reader thread (and, for a dead link, the command thread).
class ZeqMediaCdnListener {
public:
    virtual ~ZeqMediaCdnListener() = default;
    virtual void OnMessage(const MsgParam* msg) = 0;
    virtual void OnRtpRtcpPacket(const uint8_t* data, int len) = 0;
};

class ZeqMediaCdn {
public:
    using Factory = ZeqMediaCdn* (*)(void* context, ZeqMediaCdnListener* listener, const SfuUrl& url);

    // NULL when `listener` is NULL or no engine can be made.
    static ZeqMediaCdn* Create(void* context, ZeqMediaCdnListener* listener, const SfuUrl& url);
    static void Destroy(ZeqMediaCdn* engine);
    // Replaces what Create builds (nullptr restores the default); returns the previous factory.
    static Factory SetFactory(Factory factory);

    virtual ~ZeqMediaCdn() = default;
    // False when the command queue is full (the command is dropped).
    virtual bool QueueCommand(const SigCmdParam* cmd) = 0;
    virtual int QueueRtpPacket(const uint8_t* data, int len) = 0;
    // 1 with "sfu_ip", "sfu_port" or "ip_version" copied into `buffer`; 0 otherwise.
    virtual int GetProperty(const char* name, char* buffer, int size) = 0;
};

}  // namespace zeqmcdn
