#include "StreamCatalogue.h"

#include "ParameterSets.h"
#include "osal/DecimalText.h"

namespace zrtc {
namespace edge {

namespace {

constexpr uint32_t kMaxDimension = 8192;

bool ParseNumber(const std::string& text, uint64_t max, uint64_t* out) {
    return zeqnet::ParseUnsigned(text.c_str(), out) && *out <= max;
}

bool ParseAudio(const std::string& text, StreamDescription* s, std::string* error) {
    const size_t at = text.find('@');
    const std::string codec = text.substr(0, at);
    if (codec == "opus") s->audio = AudioCodec::kOpus;
    else if (codec == "aac") s->audio = AudioCodec::kAac;
    else if (codec == "none") s->audio = AudioCodec::kNone;
    else return *error = "unknown audio codec '" + codec + "'", false;
    if (at == std::string::npos) return true;
    const std::string rest = text.substr(at + 1);
    const size_t slash = rest.find('/');
    uint64_t rate = 0;
    uint64_t channels = 0;
    if (slash == std::string::npos || !ParseNumber(rest.substr(0, slash), 192000, &rate) || rate == 0 ||
        !ParseNumber(rest.substr(slash + 1), 8, &channels) || channels == 0)
        return *error = "bad audio format '" + rest + "', expected RATE/CHANNELS", false;
    s->sampleRate = static_cast<uint32_t>(rate);
    s->channels = static_cast<uint8_t>(channels);
    if (s->audio == AudioCodec::kAac && MakeAacConfig(s->sampleRate, s->channels).empty())
        return *error = "AAC has no sampling index for " + std::to_string(rate) + " Hz", false;
    return true;
}

bool ParseVideo(const std::string& text, StreamDescription* s, std::string* error) {
    const size_t at = text.find('@');
    const std::string codec = text.substr(0, at);
    if (codec == "h264") s->video = VideoCodec::kH264;
    else if (codec == "hevc") s->video = VideoCodec::kHevc;
    else if (codec == "none") s->video = VideoCodec::kNone;
    else return *error = "unknown video codec '" + codec + "'", false;
    if (at == std::string::npos) return true;
    const std::string rest = text.substr(at + 1);
    const size_t x = rest.find('x');
    uint64_t w = 0;
    uint64_t h = 0;
    if (x == std::string::npos || !ParseNumber(rest.substr(0, x), kMaxDimension, &w) ||
        !ParseNumber(rest.substr(x + 1), kMaxDimension, &h) || w < 16 || h < 16 || w % 2 != 0 || h % 2 != 0)
        return *error = "bad picture size '" + rest + "', expected even WxH from 16 to 8192", false;
    s->width = static_cast<uint32_t>(w);
    s->height = static_cast<uint32_t>(h);
    return true;
}

bool IsAudioWord(const std::string& part) {
    const std::string codec = part.substr(0, part.find('@'));
    return codec == "opus" || codec == "aac";
}

}  // namespace

bool StreamCatalogue::Add(const std::string& text, std::string* error) {
    const size_t eq = text.find('=');
    if (eq == std::string::npos || eq == 0) return *error = "expected NAME=AUDIO+VIDEO in '" + text + "'", false;
    StreamDescription s;
    s.name = text.substr(0, eq);
    const std::string tracks = text.substr(eq + 1);
    const size_t plus = tracks.find('+');
    if (plus == std::string::npos) {
        // One half only: the other track is absent.
        if (IsAudioWord(tracks)) {
            s.video = VideoCodec::kNone;
            if (!ParseAudio(tracks, &s, error)) return false;
        } else {
            s.audio = AudioCodec::kNone;
            if (!ParseVideo(tracks, &s, error)) return false;
        }
    } else if (!ParseAudio(tracks.substr(0, plus), &s, error) || !ParseVideo(tracks.substr(plus + 1), &s, error)) {
        return false;
    }
    if (s.audio == AudioCodec::kNone && s.video == VideoCodec::kNone)
        return *error = "stream '" + s.name + "' has no track", false;
    for (const StreamDescription& other : mStreams)
        if (other.name == s.name) return *error = "stream '" + s.name + "' given twice", false;
    Add(std::move(s));
    return true;
}

void StreamCatalogue::Add(StreamDescription stream) {
    // Distinct, recognisable SSRCs per stream: 0x5EED<index><track>.
    const uint32_t base = 0x5EED0000u | (static_cast<uint32_t>(mStreams.size() & 0xFF) << 8);
    if (stream.audioSsrc == 0) stream.audioSsrc = base | 0x01;
    if (stream.videoSsrc == 0) stream.videoSsrc = base | 0x02;
    mStreams.push_back(std::move(stream));
}

void StreamCatalogue::AddDefaultIfEmpty() {
    if (!mStreams.empty()) return;
    StreamDescription live;
    live.name = "live";
    Add(live);
}

std::string StreamCatalogue::StreamName(const std::string& url) {
    const std::string path = url.substr(0, url.find_first_of("?@"));
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

const StreamDescription* StreamCatalogue::Find(const std::string& url, bool fallback) const {
    const std::string name = StreamName(url);
    for (const StreamDescription& s : mStreams)
        if (s.name == name) return &s;
    return fallback && !mStreams.empty() ? &mStreams.front() : nullptr;
}

dive::RtcpAppMediaParamAudio StreamCatalogue::AudioTrack(const StreamDescription& s, const dive::DiveBuffer& msid) {
    dive::RtcpAppMediaParamAudio a;
    a.enabled = true;
    a.msid = msid;
    a.ssrc = s.audioSsrc;
    dive::RtcpAppAudioCodecConfig codec;
    codec.sampleRate = s.sampleRate;
    codec.channels = s.channels;
    if (s.audio == AudioCodec::kAac) {
        a.payloadType = kAacPayloadType;
        codec.codecId = dive::kAudioCodecAac;
        const NalBytes asc = MakeAacConfig(s.sampleRate, s.channels);
        a.aacConfig.Assign(asc.data(), asc.size());
    } else {
        a.payloadType = kOpusPayloadType;
        codec.codecId = dive::kAudioCodecOpus;
        dive::RtcpAppOpusConfig opus;
        opus.inbandFec = 1;
        a.opusConfig = opus.Encode();
    }
    a.codecConfig = codec.Encode();
    dive::RtcpAppTransConfig trans;
    trans.direction = 2;  // edge to subscriber
    trans.nack = 1;
    a.transConfig = trans.Encode();
    return a;
}

dive::RtcpAppMediaParamVideo StreamCatalogue::VideoTrack(const StreamDescription& s, const dive::DiveBuffer& msid,
                                                         uint8_t cumuDelaySei) {
    dive::RtcpAppMediaParamVideo v;
    v.enabled = true;
    v.msid = msid;
    v.ssrc = s.videoSsrc;
    v.cumuDelaySei = cumuDelaySei;
    dive::RtcpAppTransConfig trans;
    trans.direction = 2;
    trans.nack = 1;
    v.transConfig = trans.Encode();
    NalBytes sps;
    NalBytes pps;
    if (s.video == VideoCodec::kHevc) {
        v.payloadType = kHevcPayloadType;
        v.codecId = dive::kVideoCodecHevc;
        const NalBytes vps = MakeHevcVps();
        v.vps.Assign(vps.data(), vps.size());
        sps = MakeHevcSps(s.width, s.height);
        pps = MakeHevcPps();
    } else {
        v.payloadType = kH264PayloadType;
        v.codecId = dive::kVideoCodecH264;
        sps = MakeH264Sps(s.width, s.height);
        pps = MakeH264Pps();
    }
    v.sps.Assign(sps.data(), sps.size());
    v.pps.Assign(pps.data(), pps.size());
    return v;
}

}  // namespace edge
}  // namespace zrtc
