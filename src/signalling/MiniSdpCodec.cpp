#include "signalling/MiniSdpCodec.h"

#include "signalling/CommonMediaParamCodec.h"
#include "signalling/TrackMediaParamCodec.h"

namespace dive {

namespace {
enum MiniSdpTag : uint8_t { kSdpCommon = 1, kSdpAudio = 2, kSdpVideo = 3 };
}

void MiniSdpCodec::Write(const RtcpAppMiniSDP& sdp, TLVWriter* out, bool withCommon) {
    if (withCommon && sdp.common.present) {
        TLVWriter common;
        CommonMediaParamCodec::Write(sdp.common, &common);
        out->Write(kSdpCommon, common);
    }
    for (const RtcpAppMediaParamAudio& audio : sdp.audios) {
        if (!audio.enabled) continue;
        TLVWriter entry;
        TrackMediaParamCodec::Write(audio, &entry);
        out->Write(kSdpAudio, entry);
    }
    for (const RtcpAppMediaParamVideo& video : sdp.videos) {
        if (!video.enabled) continue;
        TLVWriter entry;
        TrackMediaParamCodec::Write(video, &entry);
        out->Write(kSdpVideo, entry);
    }
}

void MiniSdpCodec::Read(const TLVReader& in, RtcpAppMiniSDP* sdp) {
    CommonMediaParamCodec::ReadEntry(in, kSdpCommon, &sdp->common);
    in.ForEach(kSdpAudio, [sdp](const uint8_t* value, size_t len) {
        sdp->audios.emplace_back();
        TrackMediaParamCodec::Read(TLVReader(value, len), &sdp->audios.back());
    });
    in.ForEach(kSdpVideo, [sdp](const uint8_t* value, size_t len) {
        sdp->videos.emplace_back();
        TrackMediaParamCodec::Read(TLVReader(value, len), &sdp->videos.back());
    });
}

}  // namespace dive
