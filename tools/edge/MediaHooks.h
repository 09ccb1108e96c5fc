// Where media meets the sessions. The signalling stage of the edge installs none: media datagrams
// from clients are counted and dropped, and nothing is sent to subscribers. A media source or sink
// (stream playback, publish capture, loop-back) plugs in here without touching the session logic.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "StreamCatalogue.h"

namespace zrtc {
namespace edge {

// Sends datagrams to one client through its downlink.
// Thread safety: call on the server's loop thread only (the one that delivers the hooks).
class ClientChannel {
public:
    virtual ~ClientChannel() = default;
    virtual void SendToClient(const uint8_t* data, size_t len) = 0;
};

// Thread safety: every hook runs on the server's loop thread.
class MediaHooks {
public:
    virtual ~MediaHooks() = default;
    // A subscriber was granted tracks of `stream` (SSRCs 0 when a track was not granted); media for
    // it goes out through `channel`, valid until OnSessionEnded.
    virtual void OnSubscribed(const std::string& peer, const StreamDescription& stream, uint32_t audioSsrc,
                              uint32_t videoSsrc, ClientChannel* channel) = 0;
    // A publisher was granted tracks under this stream name.
    virtual void OnPublished(const std::string& peer, const std::string& streamName) = 0;
    // The client stopped its stream (Stop request); the session goes on.
    virtual void OnStreamStopped(const std::string& peer) = 0;
    // A datagram from the client that is not signalling (RTP, RTCP feedback).
    virtual void OnClientMedia(const std::string& peer, const uint8_t* data, size_t len, int64_t nowMs) = 0;
    virtual void OnSessionEnded(const std::string& peer) = 0;
};

}  // namespace edge
}  // namespace zrtc
