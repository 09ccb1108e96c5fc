#include "signalling/RtcpAppDebugStrings.h"

#include <cstdarg>
#include <cstdio>

namespace dive {

namespace {

void AppendF(std::string* out, const char* fmt, ...) __attribute__((format(printf, 2, 3)));

void AppendF(std::string* out, const char* fmt, ...) {
    char line[256];
    va_list args;
    va_start(args, fmt);
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(line, sizeof(line), fmt, args);
    va_end(args);
    if (n > 0 && static_cast<size_t>(n) < sizeof(line)) {
        out->append(line, static_cast<size_t>(n));
    } else if (n > 0) {  // long texts from the wire: format again at full size
        const size_t at = out->size();
        out->resize(at + static_cast<size_t>(n) + 1);
        std::vsnprintf(&(*out)[at], static_cast<size_t>(n) + 1, fmt, again);
        out->resize(at + static_cast<size_t>(n));
    }
    va_end(again);
}

std::string Printable(const uint8_t* data, size_t len) {
    std::string s;
    s.reserve(len);
    for (size_t i = 0; i < len; ++i) s += (data[i] >= 0x20 && data[i] < 0x7F) ? static_cast<char>(data[i]) : '.';
    return s;
}

std::string Printable(const DiveBuffer& b) { return Printable(b.Data(), b.Length()); }

const char* FecAlgorithmName(uint8_t algo) {
    switch (algo) {
        case kFecXor: return "xor";
        case kFecReedSolomon: return "rs";
        case kFecZeq: return "zeq";
        default: return "unknown";
    }
}

void AppendTransport(std::string* out, const DiveBuffer& transConfig, const DiveBuffer& fecAlgos,
                     const RtcpAppFecTransConfig& fecTrans, const DiveBuffer& rtxConfig, const DiveBuffer& redConfig) {
    RtcpAppTransConfig trans;
    if (trans.Decode(transConfig))
        AppendF(out, ", TransConfig: { direction:%d, nack:%d rtx:%d fec:%d red:%d }", trans.direction, trans.nack,
                trans.rtx, trans.fec, trans.red);
    if (!fecAlgos.Empty() || !fecTrans.Empty()) {
        out->append(", FEC: { algos:");
        for (size_t i = 0; i < fecAlgos.Length(); ++i) {
            if (i) out->push_back(',');
            out->append(FecAlgorithmName(fecAlgos[i]));
        }
        RtcpAppFecTransType type{};
        uint8_t pt = 0;
        uint32_t prime = 0, fecSsrc = 0;
        if (fecTrans.GetConfig(&type, &pt, &prime, &fecSsrc))
            AppendF(out, " type:%d pt:%d prime_ssrc:0x%x fec_ssrc:0x%x", static_cast<int>(type), pt, prime, fecSsrc);
        out->append(" }");
    }
    RtcpAppRtxConfig rtx;
    if (rtx.Decode(rtxConfig))
        AppendF(out, ", RTX: { pt:%d apt:%d ssrc:0x%x }", rtx.payloadType, rtx.associatedPayloadType, rtx.ssrc);
    RtcpAppRedConfig red;
    if (red.Decode(redConfig)) AppendF(out, ", RED: { type:%d pt:%d }", red.type, red.payloadType);
}

void AppendAudio(std::string* out, int index, const RtcpAppMediaParamAudio& a) {
    RtcpAppAudioCodecConfig codec;
    codec.Decode(a.codecConfig);
    AppendF(out, "AUDIO[%d]: { ", index);
    AppendF(out, "pt:%d, ssrc:0x%x, msid:%s, sample_rate:%d, channle:%d", a.payloadType, a.ssrc,
            Printable(a.msid).c_str(), static_cast<int>(codec.sampleRate), codec.channels);
    RtcpAppOpusConfig opus;
    if (codec.codecId == kAudioCodecOpus && opus.Decode(a.opusConfig))
        AppendF(out, ", codec:opus, opus_config: use_inband_fec:%d use_dtx:%d", opus.inbandFec, opus.dtx);
    else if (codec.codecId == kAudioCodecOpus)
        out->append(", codec:opus");
    else if (codec.codecId == kAudioCodecAac || codec.codecId == kAudioCodecAacVariant)
        AppendF(out, ", codec:aac, aac_config_len:%zu", a.aacConfig.Length());
    else
        AppendF(out, ", codec:%d", codec.codecId);
    AppendTransport(out, a.transConfig, a.fecAlgos, a.fecTransConfig, a.rtxConfig, a.redConfig);
    out->append(" } ");
}

void AppendVideo(std::string* out, int index, const RtcpAppMediaParamVideo& v) {
    AppendF(out, "VIDEO[%d]: { ", index);
    const char* codec = v.codecId == kVideoCodecH264 ? "h264" : v.codecId == kVideoCodecHevc ? "hevc" : "unknown";
    AppendF(out, "pt:%d, ssrc:0x%x, msid:%s, codec:%s, sps_len:%zu, pps_len:%zu, vps_len:%zu, cumu_delay_sei:%d",
            v.payloadType, v.ssrc, Printable(v.msid).c_str(), codec, v.sps.Length(), v.pps.Length(), v.vps.Length(),
            v.cumuDelaySei);
    AppendTransport(out, v.transConfig, v.fecAlgos, v.fecTransConfig, v.rtxConfig, v.redConfig);
    out->append(" } ");
}

}  // namespace

const char* GetCmdTypeName(uint32_t cmd) {
    switch (cmd) {
        case kRtcpAppCmdAdd: return "ADD";
        case kRtcpAppCmdDel: return "DEL";
        case kRtcpAppCmdUpdate: return "UPDATE";
        default: return "UNKONW";
    }
}

std::string CommonMediaParamsToString(const RtcpAppMediaParamCommon& c) {
    std::string out = "common_params:{ ";
    AppendF(&out, "sdp_version:%d, rtp_ext:[ ", c.sdpVersion);
    for (size_t i = 0; i + 1 < c.rtpExt.Length(); i += 2) AppendF(&out, "%d:%d ", c.rtpExt[i], c.rtpExt[i + 1]);
    out.append("]");
    const RtcpAppSrtpParam& s = c.srtp;
    if (s.encryptType == 0)
        out.append(", srtp_params: { disable }");
    else
        AppendF(&out,
                ", srtp_params: { version:%s, encrypt_type:%d, server_key_len:%zu, server_salt_len:%zu, "
                "client_key_len:%zu, client_salt_len:%zu }",
                Printable(s.version).c_str(), s.encryptType, s.serverKey.Length(), s.serverSalt.Length(),
                s.clientKey.Length(), s.clientSalt.Length());
    if (!c.ccType.Empty()) {
        const uint8_t cc = c.ccType[0];
        out.append((cc & 0x40) ? ", cc:receiver-side" : (cc & 0x80) ? ", cc:sender-side" : ", cc:none");
    }
    if (c.rtxPadding.Length() >= 5) {
        const uint8_t* p = c.rtxPadding.Data();
        AppendF(&out, ", rtx_padding: { pt:%d ssrc:0x%x }", p[0],
                (static_cast<uint32_t>(p[1]) << 24) | (static_cast<uint32_t>(p[2]) << 16) |
                    (static_cast<uint32_t>(p[3]) << 8) | p[4]);
    }
    out.append(" }");
    return out;
}

std::string MiniSdpToString(const RtcpAppMiniSDP& sdp) {
    std::string out = "mini_sdp:{ ";
    if (sdp.common.present) out.append(CommonMediaParamsToString(sdp.common)).append(" ");
    for (size_t i = 0; i < sdp.audios.size(); ++i) AppendAudio(&out, static_cast<int>(i), sdp.audios[i]);
    for (size_t i = 0; i < sdp.videos.size(); ++i) AppendVideo(&out, static_cast<int>(i), sdp.videos[i]);
    out.append("}");
    return out;
}

std::string MsidCmdToString(const RtcpAppMsidCmd& cmd) {
    std::string out = cmd.Empty() ? "UNKONW" : GetCmdTypeName(cmd.Cmd());
    out.push_back(':');
    if (cmd.Length() > 1) out.append(Printable(cmd.Data() + 1, cmd.Length() - 1));
    return out;
}

std::string MsidCmdVecToString(const std::vector<RtcpAppMsidCmd>& cmds) {
    std::string out = "msid_cmd:{ ";
    for (const RtcpAppMsidCmd& cmd : cmds) out.append(MsidCmdToString(cmd)).append(" ");
    out.append("}");
    return out;
}

}  // namespace dive
