// The streams the edge serves: per stream an audio and a video track description, from which the
// subscribe answer's mini SDP is built.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "signalling/MediaParams.h"

namespace zrtc {
namespace edge {

enum class AudioCodec { kNone, kOpus, kAac };
enum class VideoCodec { kNone, kH264, kHevc };

struct StreamDescription {
    std::string name;
    AudioCodec audio = AudioCodec::kOpus;
    VideoCodec video = VideoCodec::kH264;
    uint32_t sampleRate = 48000;
    uint8_t channels = 2;
    uint32_t width = 640;
    uint32_t height = 360;
    uint32_t audioSsrc = 0;
    uint32_t videoSsrc = 0;
};

// Thread safety: none; filled before the server starts and read-only afterwards.
class StreamCatalogue {
public:
    // Payload types the edge grants: the dynamic range values usual for these codecs.
    static constexpr uint8_t kOpusPayloadType = 111;
    static constexpr uint8_t kAacPayloadType = 97;
    static constexpr uint8_t kH264PayloadType = 96;
    static constexpr uint8_t kHevcPayloadType = 98;

    // Parses "NAME=AUDIO+VIDEO" where AUDIO is opus[@RATE/CH], aac[@RATE/CH] or none and VIDEO is
    // h264[@WxH], hevc[@WxH] or none (either half may be left out: "radio=opus"). SSRCs are given
    // from the stream's position. False with *error set on bad text.
    bool Add(const std::string& text, std::string* error);
    void Add(StreamDescription stream);
    // The built-in stream "live" (Opus 48 kHz stereo + H.264 640x360) when nothing was added.
    void AddDefaultIfEmpty();

    // The stream named by the URL's last path segment (before any '?' or '@'), else with
    // `fallback` the first stream; null when there is none.
    const StreamDescription* Find(const std::string& url, bool fallback) const;
    const std::vector<StreamDescription>& Streams() const { return mStreams; }

    // The track descriptions granted to a subscriber, with the msid it asked for.
    static dive::RtcpAppMediaParamAudio AudioTrack(const StreamDescription& s, const dive::DiveBuffer& msid);
    static dive::RtcpAppMediaParamVideo VideoTrack(const StreamDescription& s, const dive::DiveBuffer& msid,
                                                   uint8_t cumuDelaySei);

    // The stream name a URL names: its last path segment before '?' or '@'.
    static std::string StreamName(const std::string& url);

private:
    std::vector<StreamDescription> mStreams;
};

}  // namespace edge
}  // namespace zrtc
