// An independent dissector reads the datagrams the codec builds: tshark must see one RTCP APP
// packet per datagram with our sub type, SSRC, name and length, and nothing malformed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "signalling/DiveRtcpApp.h"
#include "signalling/MessageBodies.h"
#include "signalling/test/PcapWriter.h"
#include "signalling/test/SignallingFixtures.h"

namespace dive {
namespace {

using test::kClientSsrc;
using test::Text;

constexpr uint16_t kEdgePort = 20003;  // any port: tshark is told it carries RTCP

bool HaveTshark() { return std::system("command -v tshark >/dev/null 2>&1") == 0; }

std::string RunCommand(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    char buf[512];
    while (size_t n = fread(buf, 1, sizeof(buf), pipe)) out.append(buf, n);
    pclose(pipe);
    return out;
}

struct Expected {
    int subType;
    const char* name;
    std::vector<uint8_t> datagram;
};

TEST(RtcpAppTshark, DissectorSeesRtcpAppPacketsWithOurNamesAndLengths) {
    if (!HaveTshark()) GTEST_SKIP() << "tshark is not installed";

    DiveRtcpApp codec(nullptr, kClientSsrc);
    std::vector<Expected> packets;
    auto build = [&](DiveRtcpAppSubType type, DiveRtcpAppMsgType kind, void* body, const char* name) {
        RtcpAppMsg msg;
        msg.type = type;
        msg.kind = kind;
        msg.msgId = static_cast<uint16_t>(packets.size() + 1);
        msg.body = body;
        std::vector<uint8_t> p(4096);
        p.resize(codec.BuildRtcpApp(msg, p.data(), p.size()));
        ASSERT_FALSE(p.empty()) << name;
        packets.push_back({type, name, p});
    };
    RtcpAppReqConnect connect;
    connect.url = Text("zrtc://edge.example/live/stream-1");
    connect.sessionParams.clientVersion = 0x01040100;
    connect.sessionParams.common = test::SubscribeCommon();
    RtcpAppReqSubscribe subscribe;
    subscribe.url = connect.url;
    subscribe.miniSdp = test::FullMiniSdp(false);
    subscribe.msids = {Text("audio-opus"), Text("video-h264")};
    RtcpAppRspResult ok;
    ok.resultCode = 200;
    RtcpAppReqUpdate update;
    update.url = Text("zrtc://ab");  // 4 + 3 + 9 bytes of data: no padding
    build(kRtcpAppConnect, kRtcpAppRequest, &connect, "CON");
    build(kRtcpAppSubscribe, kRtcpAppRequest, &subscribe, "SUB");
    build(kRtcpAppSubscribeUpdate, kRtcpAppRequest, &update, "SUBU");
    build(kRtcpAppHeartBeat, kRtcpAppRequest, nullptr, "HEBT");
    build(kRtcpAppStop, kRtcpAppFinalRsp, &ok, "STOP");
    build(kRtcpAppConnect, kRtcpAppFinalRspAck, nullptr, "CON");

    test::PcapWriter pcap(40000, kEdgePort);
    for (const Expected& e : packets) pcap.AddDatagram(e.datagram.data(), e.datagram.size());
    char path[] = "/tmp/signalling_tshark_XXXXXX.pcap";
    const int fd = mkstemps(path, 5);
    ASSERT_GE(fd, 0);
    close(fd);
    ASSERT_TRUE(pcap.Save(path));

    const std::string command = std::string("tshark -n -r ") + path + " -d udp.port==" + std::to_string(kEdgePort) +
                                ",rtcp -T fields -E separator='|' -e frame.protocols -e rtcp.version"
                                " -e rtcp.padding -e rtcp.pt -e rtcp.app.subtype -e rtcp.length"
                                " -e rtcp.ssrc.identifier -e rtcp.app.name -e rtcp.app.data -e rtcp.length_check"
                                " -e _ws.malformed -e _ws.expert.message 2>/dev/null";
    const std::string out = RunCommand(command);
    unlink(path);

    std::istringstream lines(out);
    std::string line;
    size_t i = 0;
    while (std::getline(lines, line)) {
        ASSERT_LT(i, packets.size()) << out;
        const Expected& e = packets[i];
        std::vector<std::string> f;
        std::istringstream fields(line);
        for (std::string field; std::getline(fields, field, '|');) f.push_back(field);
        f.resize(12);
        SCOPED_TRACE(line);
        EXPECT_EQ(f[0], "eth:ethertype:ip:udp:rtcp");  // one RTCP packet, nothing left undissected
        EXPECT_EQ(f[1], "2");
        EXPECT_TRUE(f[2] == "0" || f[2] == "False") << f[2];
        EXPECT_EQ(f[3], "204");
        EXPECT_EQ(f[4], std::to_string(e.subType));
        EXPECT_EQ(f[5], std::to_string(e.datagram.size() / 4 - 1));
        EXPECT_EQ(f[6], "0x11223344");
        // The application data is every byte after the name, padding included.
        std::string data;
        for (size_t b = 12; b < e.datagram.size(); ++b) {
            char hex[4];
            std::snprintf(hex, sizeof(hex), "%02x", e.datagram[b]);
            data += hex;
        }
        EXPECT_EQ(f[8], data);
        EXPECT_EQ(f[9], "1");   // frame length check OK
        EXPECT_EQ(f[10], "");  // not malformed
        if (std::string(e.name).size() < 4) {
            // "CON", "SUB" + 0 are not four ASCII characters: the dissector says so, and shows no name.
            EXPECT_EQ(f[7], "");
            EXPECT_EQ(f[11], "Application name is not a string");
        } else {
            EXPECT_EQ(f[7], e.name);
            EXPECT_EQ(f[11], "");
        }
        ++i;
    }
    EXPECT_EQ(i, packets.size()) << out;
}

}  // namespace
}  // namespace dive
