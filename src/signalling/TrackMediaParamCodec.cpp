#include "signalling/TrackMediaParamCodec.h"

namespace dive {

namespace {

enum AudioTag : uint8_t {
    kAudioPayloadType = 1,
    kAudioMsid = 2,
    kAudioSsrc = 3,
    kAudioCodecConfig = 4,
    kAudioAacConfig = 5,
    kAudioOpusConfig = 6,
    kAudioTransConfig = 7,
    kAudioFecAlgos = 8,
    kAudioRtxConfig = 9,
    kAudioFecTransConfig = 10,
    kAudioRedConfig = 11,
};

enum VideoTag : uint8_t {
    kVideoPayloadType = 1,
    kVideoMsid = 2,
    kVideoSsrc = 3,
    kVideoCodec = 4,
    kVideoTransConfig = 5,
    kVideoFecAlgos = 6,
    kVideoRtxConfig = 7,
    kVideoSps = 8,
    kVideoPps = 9,
    kVideoVps = 10,
    kVideoFecTransConfig = 11,
    kVideoRedConfig = 12,
    kVideoCumuDelaySei = 23,
};

// The features of a transport configuration; all off when it is shorter than two bytes.
RtcpAppTransConfig FeaturesOf(const DiveBuffer& transConfig) {
    RtcpAppTransConfig features;
    features.Decode(transConfig);
    return features;
}

}  // namespace

void TrackMediaParamCodec::Write(const RtcpAppMediaParamAudio& audio, TLVWriter* out) {
    out->Write(kAudioPayloadType, audio.payloadType);
    out->Write(kAudioMsid, audio.msid);
    out->Write(kAudioSsrc, audio.ssrc);
    out->Write(kAudioCodecConfig, audio.codecConfig);
    RtcpAppAudioCodecConfig codec;
    if (codec.Decode(audio.codecConfig)) {
        if (codec.codecId == kAudioCodecAac) out->Write(kAudioAacConfig, audio.aacConfig);
        if (codec.codecId == kAudioCodecOpus) out->Write(kAudioOpusConfig, audio.opusConfig);
    }
    out->Write(kAudioTransConfig, audio.transConfig);
    const RtcpAppTransConfig features = FeaturesOf(audio.transConfig);
    if (features.fec) {
        out->Write(kAudioFecAlgos, audio.fecAlgos);
        out->Write(kAudioFecTransConfig, audio.fecTransConfig);
    }
    if (features.rtx) out->Write(kAudioRtxConfig, audio.rtxConfig);
    if (features.red) out->Write(kAudioRedConfig, audio.redConfig);
}

void TrackMediaParamCodec::Read(const TLVReader& in, RtcpAppMediaParamAudio* audio) {
    audio->enabled = true;
    in.Read(kAudioPayloadType, &audio->payloadType);
    in.Read(kAudioMsid, &audio->msid);
    in.Read(kAudioSsrc, &audio->ssrc);
    in.Read(kAudioCodecConfig, &audio->codecConfig);
    in.Read(kAudioAacConfig, &audio->aacConfig);
    in.Read(kAudioOpusConfig, &audio->opusConfig);
    in.Read(kAudioTransConfig, &audio->transConfig);
    in.Read(kAudioFecAlgos, &audio->fecAlgos);
    in.Read(kAudioFecTransConfig, &audio->fecTransConfig);
    in.Read(kAudioRtxConfig, &audio->rtxConfig);
    in.Read(kAudioRedConfig, &audio->redConfig);
}

void TrackMediaParamCodec::Write(const RtcpAppMediaParamVideo& video, TLVWriter* out) {
    out->Write(kVideoPayloadType, video.payloadType);
    out->Write(kVideoMsid, video.msid);
    out->Write(kVideoSsrc, video.ssrc);
    out->Write(kVideoCodec, video.codecId);
    out->Write(kVideoTransConfig, video.transConfig);
    const RtcpAppTransConfig features = FeaturesOf(video.transConfig);
    if (features.fec) {
        out->Write(kVideoFecAlgos, video.fecAlgos);
        out->Write(kVideoFecTransConfig, video.fecTransConfig);
    }
    if (features.rtx) out->Write(kVideoRtxConfig, video.rtxConfig);
    if (features.red) out->Write(kVideoRedConfig, video.redConfig);
    if (video.codecId == kVideoCodecH264 || video.codecId == kVideoCodecHevc) {
        out->Write(kVideoSps, video.sps);
        out->Write(kVideoPps, video.pps);
    }
    if (video.codecId == kVideoCodecHevc) out->Write(kVideoVps, video.vps);
    out->Write(kVideoCumuDelaySei, video.cumuDelaySei);
}

void TrackMediaParamCodec::Read(const TLVReader& in, RtcpAppMediaParamVideo* video) {
    video->enabled = true;
    in.Read(kVideoPayloadType, &video->payloadType);
    in.Read(kVideoMsid, &video->msid);
    in.Read(kVideoSsrc, &video->ssrc);
    video->codecId = kVideoCodecH264;  // what a list without a codec entry means
    in.Read(kVideoCodec, &video->codecId);
    in.Read(kVideoTransConfig, &video->transConfig);
    in.Read(kVideoFecAlgos, &video->fecAlgos);
    in.Read(kVideoFecTransConfig, &video->fecTransConfig);
    in.Read(kVideoRtxConfig, &video->rtxConfig);
    in.Read(kVideoRedConfig, &video->redConfig);
    in.Read(kVideoSps, &video->sps);
    in.Read(kVideoPps, &video->pps);
    if (video->codecId == kVideoCodecHevc) in.Read(kVideoVps, &video->vps);
    in.Read(kVideoCumuDelaySei, &video->cumuDelaySei);
}

}  // namespace dive
