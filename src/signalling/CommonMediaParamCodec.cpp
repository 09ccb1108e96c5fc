#include "signalling/CommonMediaParamCodec.h"

namespace dive {

namespace {

enum SrtpTag : uint8_t {
    kSrtpVersion = 1,
    kSrtpEncryptType = 2,
    kSrtpServerKey = 3,
    kSrtpServerSalt = 4,
    kSrtpClientKey = 5,
    kSrtpClientSalt = 6,
};

enum CommonTag : uint8_t {
    kCommonSdpVersion = 1,
    kCommonRtpExt = 2,
    kCommonSrtp = 3,
    kCommonCcType = 4,
    kCommonRtxPadding = 5,
};

constexpr size_t kMinRtpExtList = 2;     // one (type, id) pair
constexpr size_t kMinRtxPaddingLen = 5;  // payload type + SSRC

}  // namespace

void CommonMediaParamCodec::Write(const RtcpAppSrtpParam& srtp, TLVWriter* out) {
    out->Write(kSrtpVersion, srtp.version);
    out->Write(kSrtpEncryptType, srtp.encryptType);
    out->Write(kSrtpServerKey, srtp.serverKey);
    out->Write(kSrtpServerSalt, srtp.serverSalt);
    out->Write(kSrtpClientKey, srtp.clientKey);
    out->Write(kSrtpClientSalt, srtp.clientSalt);
}

void CommonMediaParamCodec::Read(const TLVReader& in, RtcpAppSrtpParam* srtp) {
    in.Read(kSrtpVersion, &srtp->version);
    in.Read(kSrtpEncryptType, &srtp->encryptType);
    in.Read(kSrtpServerKey, &srtp->serverKey);
    in.Read(kSrtpServerSalt, &srtp->serverSalt);
    in.Read(kSrtpClientKey, &srtp->clientKey);
    in.Read(kSrtpClientSalt, &srtp->clientSalt);
}

void CommonMediaParamCodec::Write(const RtcpAppMediaParamCommon& common, TLVWriter* out) {
    out->Write(kCommonSdpVersion, common.sdpVersion);
    if (common.rtpExt.Length() >= kMinRtpExtList) out->Write(kCommonRtpExt, common.rtpExt);
    TLVWriter srtp;
    Write(common.srtp, &srtp);
    out->Write(kCommonSrtp, srtp);
    out->Write(kCommonCcType, common.ccType);
    if (common.rtxPadding.Length() >= kMinRtxPaddingLen) out->Write(kCommonRtxPadding, common.rtxPadding);
}

void CommonMediaParamCodec::Read(const TLVReader& in, RtcpAppMediaParamCommon* common) {
    common->present = true;
    in.Read(kCommonSdpVersion, &common->sdpVersion);
    in.Read(kCommonRtpExt, &common->rtpExt);
    Read(in.Nested(kCommonSrtp), &common->srtp);
    in.Read(kCommonCcType, &common->ccType);
    in.Read(kCommonRtxPadding, &common->rtxPadding);
}

bool CommonMediaParamCodec::ReadEntry(const TLVReader& parent, uint8_t tag, RtcpAppMediaParamCommon* common) {
    const uint8_t* value = nullptr;
    size_t len = 0;
    if (parent.Find(tag, &value, &len) != TLVReader::kFound) return false;
    Read(TLVReader(value, len), common);
    return true;
}

}  // namespace dive
