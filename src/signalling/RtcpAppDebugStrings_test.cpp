// Log renderings: the fields a reader of the logs looks for, and no key material.
#include "signalling/RtcpAppDebugStrings.h"

#include <gtest/gtest.h>

#include "signalling/test/SignallingFixtures.h"

namespace dive {
namespace {

using test::FullMiniSdp;
using test::Text;

TEST(RtcpAppDebugStrings, MiniSdpShowsEveryTrack) {
    const std::string s = MiniSdpToString(FullMiniSdp(true));
    const char* expected[] = {
        "mini_sdp:{ common_params:{ ",
        "AUDIO[0]: { pt:111, ssrc:0x1020304, msid:audio-opus, sample_rate:48000, channle:2, codec:opus, "
        "opus_config: use_inband_fec:1 use_dtx:1, TransConfig: { direction:3, nack:1 rtx:1 fec:1 red:1 }, "
        "FEC: { algos:xor,zeq type:2 pt:120 prime_ssrc:0x1020304 fec_ssrc:0xa0b0c0d }, "
        "RTX: { pt:97 apt:96 ssrc:0xbeef }, RED: { type:1 pt:127 } }",
        "AUDIO[1]: { pt:100, ssrc:0xfffffffe, msid:audio-aac, sample_rate:44100, channle:1, codec:aac",
        "VIDEO[0]: { pt:96, ssrc:0x5060708, msid:video-h264, codec:h264, sps_len:12, pps_len:4, vps_len:0, "
        "cumu_delay_sei:1",
        "VIDEO[1]: { pt:98, ssrc:0x90a0b0c, msid:video-hevc, codec:hevc, sps_len:20, pps_len:6, vps_len:9",
    };
    for (const char* part : expected) EXPECT_NE(s.find(part), std::string::npos) << part << "\nin: " << s;
    EXPECT_EQ(s.back(), '}');
}

TEST(RtcpAppDebugStrings, CommonParametersNeverPrintKeys) {
    RtcpAppMediaParamCommon c = test::SubscribeCommon();
    EXPECT_EQ(CommonMediaParamsToString(c),
              "common_params:{ sdp_version:1, rtp_ext:[ 10:14 1:5 2:12 11:6 18:7 ], srtp_params: { disable }, "
              "cc:sender-side }");
    c.srtp.encryptType = 1;
    c.srtp.serverKey = Text("SECRETKEY");
    c.ccType.Data()[0] = 0x40;
    const std::string s = CommonMediaParamsToString(c);
    EXPECT_NE(s.find("server_key_len:9"), std::string::npos) << s;
    EXPECT_NE(s.find("cc:receiver-side"), std::string::npos) << s;
    EXPECT_EQ(s.find("SECRET"), std::string::npos) << s;
}

TEST(RtcpAppDebugStrings, MsidCommands) {
    std::vector<RtcpAppMsidCmd> cmds(4);
    cmds[0].Set(kRtcpAppCmdAdd, Text("v1"));
    cmds[1].Set(kRtcpAppCmdUpdate, Text("a\x01"));  // non-printable bytes are masked
    cmds[2].Set(static_cast<RtcpAppCmdType>(7), Text("x"));
    EXPECT_EQ(MsidCmdToString(cmds[0]), "ADD:v1");
    EXPECT_EQ(MsidCmdVecToString(cmds), "msid_cmd:{ ADD:v1 UPDATE:a. UNKONW:x UNKONW: }");
    EXPECT_STREQ(GetCmdTypeName(1), "DEL");
    DiveBuffer msid(std::string("kept"));
    EXPECT_FALSE(cmds[3].GetCmdMsid(&msid));
    RtcpAppMsidCmd onlyCmd(std::string("\x01"));
    EXPECT_FALSE(onlyCmd.GetCmdMsid(&msid));
    EXPECT_EQ(msid.ToString(), "kept");
}

}  // namespace
}  // namespace dive
