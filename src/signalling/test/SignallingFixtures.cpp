#include "signalling/test/SignallingFixtures.h"

#include <cstdio>

#include "signalling/DiveRtcpAppPacket.h"

namespace dive {
namespace test {

void RecordingHandler::Record(Callback cb, RtcpAppMsg& msg) {
    RtcpAppMsgHeader h;
    h.msgId = msg.msgId;
    h.ssrc = msg.ssrc;
    h.type = msg.type;
    h.kind = msg.kind;
    calls.push_back({cb, h});
    if (inspect) inspect(msg);
}

DiveBuffer Text(const std::string& s) { return DiveBuffer(s); }

DiveBuffer Bytes(size_t len, uint8_t first) {
    DiveBuffer b;
    for (size_t i = 0; i < len; ++i) b.Append(static_cast<uint8_t>(first + i));
    return b;
}

RtcpAppMediaParamCommon SubscribeCommon() {
    RtcpAppMediaParamCommon c;
    c.present = true;
    c.sdpVersion = 1;
    c.rtpExt.AddExt(kRtpExtGlobalDelay, 14);
    c.rtpExt.AddExt(kRtpExtTransportSequence, 5);
    c.rtpExt.AddExt(kRtpExtCts, 12);
    c.rtpExt.AddExt(kRtpExtVideoBaseTs, 6);
    c.rtpExt.AddExt(kRtpExtAudioBaseTs, 7);
    c.srtp.version = Text("20");
    c.ccType.Append(static_cast<uint8_t>(0x80));
    return c;
}

RtcpAppMiniSDP FullMiniSdp(bool withCommon) {
    RtcpAppMiniSDP sdp;
    if (withCommon) {
        sdp.common = SubscribeCommon();
        sdp.common.srtp.encryptType = 1;
        sdp.common.srtp.serverKey = Bytes(16, 0x10);
        sdp.common.srtp.serverSalt = Bytes(14, 0x20);
        sdp.common.srtp.clientKey = Bytes(16, 0x30);
        sdp.common.srtp.clientSalt = Bytes(14, 0x40);
        sdp.common.rtxPadding = Bytes(5, 0x50);
    }
    RtcpAppTransConfig allOn;
    allOn.direction = 3;
    allOn.nack = 1;
    allOn.rtx = 1;
    allOn.fec = 1;
    allOn.red = 1;
    RtcpAppRtxConfig rtx;
    rtx.payloadType = 97;
    rtx.associatedPayloadType = 96;
    rtx.ssrc = 0x0000BEEF;
    RtcpAppRedConfig red;
    red.type = 1;
    red.payloadType = 127;

    RtcpAppMediaParamAudio opus;
    opus.enabled = true;
    opus.payloadType = 111;
    opus.msid = Text("audio-opus");
    opus.ssrc = 0x01020304;
    RtcpAppAudioCodecConfig opusCodec;
    opusCodec.codecId = kAudioCodecOpus;
    opusCodec.sampleRate = 48000;
    opusCodec.channels = 2;
    opus.codecConfig = opusCodec.Encode();
    RtcpAppOpusConfig opusConfig;
    opusConfig.inbandFec = 1;
    opusConfig.dtx = 1;
    opus.opusConfig = opusConfig.Encode();
    opus.transConfig = allOn.Encode();
    opus.fecAlgos.Append(static_cast<uint8_t>(kFecXor));
    opus.fecAlgos.Append(static_cast<uint8_t>(kFecZeq));
    opus.fecTransConfig.SetConfig(static_cast<RtcpAppFecTransType>(2), 120, opus.ssrc, 0x0A0B0C0D);
    opus.rtxConfig = rtx.Encode();
    opus.redConfig = red.Encode();
    sdp.audios.push_back(opus);

    RtcpAppMediaParamAudio aac;
    aac.enabled = true;
    aac.payloadType = 100;
    aac.msid = Text("audio-aac");
    aac.ssrc = 0xFFFFFFFE;
    RtcpAppAudioCodecConfig aacCodec;
    aacCodec.codecId = kAudioCodecAac;
    aacCodec.sampleRate = 44100;
    aacCodec.channels = 1;
    aac.codecConfig = aacCodec.Encode();
    aac.aacConfig.Append(static_cast<uint8_t>(0x12));
    aac.aacConfig.Append(static_cast<uint8_t>(0x10));
    sdp.audios.push_back(aac);

    RtcpAppMediaParamVideo h264;
    h264.enabled = true;
    h264.payloadType = 96;
    h264.msid = Text("video-h264");
    h264.ssrc = 0x05060708;
    h264.codecId = kVideoCodecH264;
    h264.transConfig = allOn.Encode();
    h264.fecAlgos.Append(static_cast<uint8_t>(kFecReedSolomon));
    h264.fecTransConfig.SetConfig(static_cast<RtcpAppFecTransType>(1), 121, h264.ssrc, 0x0E0E0E0E);
    h264.rtxConfig = rtx.Encode();
    h264.redConfig = red.Encode();
    h264.sps = Bytes(12, 0x67);
    h264.pps = Bytes(4, 0x68);
    h264.cumuDelaySei = 1;
    sdp.videos.push_back(h264);

    RtcpAppMediaParamVideo hevc;
    hevc.enabled = true;
    hevc.payloadType = 98;
    hevc.msid = Text("video-hevc");
    hevc.ssrc = 0x090A0B0C;
    hevc.codecId = kVideoCodecHevc;
    hevc.sps = Bytes(20, 0x42);
    hevc.pps = Bytes(6, 0x44);
    hevc.vps = Bytes(9, 0x40);
    sdp.videos.push_back(hevc);
    return sdp;
}

std::vector<uint8_t> ServerDatagram(DiveRtcpAppSubType type, uint8_t kind, uint16_t msgId,
                                    const std::function<void(TLVWriter*)>& body) {
    TLVWriter entries;
    TLVHeader header;
    header.kind = kind;
    header.msgId = msgId;
    header.WriteHeader(&entries.Buffer());
    if (body) body(&entries);
    DiveRtcpAppWriter writer(kServerSsrc);
    const DiveBuffer* packet = writer.Write(type, entries.Buffer());
    return packet ? std::vector<uint8_t>(packet->Data(), packet->Data() + packet->Length()) : std::vector<uint8_t>();
}

std::string Hex(const uint8_t* data, size_t len) {
    std::string s;
    char b[4];
    for (size_t i = 0; i < len; ++i) {
        std::snprintf(b, sizeof(b), "%02x ", data[i]);
        s += b;
    }
    return s;
}

}  // namespace test
}  // namespace dive
