// The RTCP APP envelope: bytes the writer produces and the datagrams the reader refuses.
#include "signalling/DiveRtcpAppPacket.h"

#include <gtest/gtest.h>

#include <vector>

namespace dive {
namespace {

std::vector<uint8_t> Wrap(uint32_t subType, const std::vector<uint8_t>& data, uint32_t ssrc = 0x01020304) {
    DiveRtcpAppWriter w(ssrc);
    const DiveBuffer* p = w.Write(subType, data.data(), data.size());
    return p ? std::vector<uint8_t>(p->Data(), p->Data() + p->Length()) : std::vector<uint8_t>();
}

TEST(DiveRtcpAppWriter, HeaderSsrcNameAndFFPaddingCountedInTheLength) {
    const std::vector<uint8_t> packet = Wrap(0, {2, 0, 0, 1, 0xAA});  // 5 bytes of APP data
    const std::vector<uint8_t> expected = {0x80, 204,  0x00, 0x04, 0x01, 0x02, 0x03, 0x04, 'C',  'O',
                                           'N',  0x00, 2,    0,    0,    1,    0xAA, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(packet, expected);
}

TEST(DiveRtcpAppWriter, NamesBySubType) {
    struct Case {
        uint32_t subType;
        const char name[5];
    } cases[] = {{0, {'C', 'O', 'N', 0, 0}}, {1, "PUB\0"}, {2, "SUB\0"}, {3, "PUBU"}, {4, "SUBU"},
                 {5, "STOP"}, {6, "DISC"}, {7, "HEBT"}, {8, "MTUD"}, {9, "MTUE"}, {10, "CTRL"},
                 {11, "NOTI"}, {12, "UNKN"}, {31, "UNKN"}};
    for (const Case& c : cases) {
        const std::vector<uint8_t> p = Wrap(c.subType, {});
        ASSERT_EQ(p.size(), 12u);
        EXPECT_EQ(p[0], 0x80 | c.subType);
        EXPECT_EQ(std::string(p.begin() + 8, p.end()), std::string(c.name, 4)) << c.subType;
    }
    EXPECT_TRUE(Wrap(32, {}).empty());  // would spill into the padding bit
}

TEST(DiveRtcpAppWriter, RefusesDataBeyondTheLengthField) {
    DiveRtcpAppWriter w(1);
    std::vector<uint8_t> max(DiveRtcpAppWriter::kMaxPacketSize - DiveRtcpAppWriter::kHeaderSize);
    const DiveBuffer* p = w.Write(0, max.data(), max.size());
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->Data()[2], 0xFF);
    EXPECT_EQ(p->Data()[3], 0xFF);
    max.push_back(0);
    EXPECT_EQ(w.Write(0, max.data(), max.size()), nullptr);
}

TEST(DiveRtcpAppReader, TakesSubTypeSsrcNameAndAppData) {
    const std::vector<uint8_t> p = Wrap(7, {2, 0, 0x12, 0x34}, 0xCAFEBABE);
    DiveRtcpAppReader r;
    ASSERT_TRUE(r.Read(p.data(), p.size()));
    EXPECT_EQ(r.SubType(), 7);
    EXPECT_EQ(r.Ssrc(), 0xCAFEBABEu);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(r.Name()), 4), "HEBT");
    ASSERT_EQ(r.AppDataLength(), 4u);
    EXPECT_EQ(r.AppData(), p.data() + 12);
}

TEST(DiveRtcpAppReader, DatagramsThatAreNotAValidAppPacket) {
    const std::vector<uint8_t> good = Wrap(2, {2, 1, 0, 9, 3, 0, 1, 'u', 0xFF});
    ASSERT_EQ(good.size(), 24u);
    auto with = [&](size_t at, uint8_t v) {
        std::vector<uint8_t> p = good;
        p[at] = v;
        return p;
    };
    struct Case {
        const char* what;
        std::vector<uint8_t> datagram;
        bool accepted;
        size_t appDataLen;
    } cases[] = {
        {"well formed", good, true, 12},
        {"trailing bytes after the packet are ignored", [&] { auto p = good; p.insert(p.end(), {1, 2, 3, 4, 5}); return p; }(), true, 12},
        {"shorter than the common header", {0x80, 204, 0}, false, 0},
        {"truncated: length claims more than the datagram", std::vector<uint8_t>(good.begin(), good.end() - 4), false, 0},
        {"length field one word too many", with(3, 6), false, 0},
        {"version 1", with(0, 0x42), false, 0},
        {"version 3", with(0, 0xC2), false, 0},
        {"sender report, not APP", with(1, 200), false, 0},
        {"payload of 4 bytes: too small for an APP packet", {0x80, 204, 0, 1, 1, 2, 3, 4}, false, 0},
        {"length 0", {0x80, 204, 0, 0}, false, 0},
        {"SSRC and name only", {0x80, 204, 0, 2, 1, 2, 3, 4, 'S', 'U', 'B', 0}, true, 0},
        // Padding bit: the last byte counts padding bytes (RFC 3550); the remainder must stay aligned.
        {"padding of 4 bytes", [&] { auto p = good; p[0] |= 0x20; p[23] = 4; return p; }(), true, 8},
        {"padding of 3 bytes leaves a misaligned payload", [&] { auto p = good; p[0] |= 0x20; p[23] = 3; return p; }(), false, 0},
        {"padding count 0", [&] { auto p = good; p[0] |= 0x20; p[23] = 0; return p; }(), false, 0},
        {"padding longer than the payload", [&] { auto p = good; p[0] |= 0x20; p[23] = 21; return p; }(), false, 0},
        {"padding leaves less than SSRC and name", [&] { auto p = good; p[0] |= 0x20; p[23] = 16; return p; }(), false, 0},
    };
    for (const Case& c : cases) {
        DiveRtcpAppReader r;
        EXPECT_EQ(r.Read(c.datagram.data(), c.datagram.size()), c.accepted) << c.what;
        if (c.accepted) {
            EXPECT_EQ(r.AppDataLength(), c.appDataLen) << c.what;
        }
    }
    DiveRtcpAppReader r;
    EXPECT_FALSE(r.Read(nullptr, 24));
}

}  // namespace
}  // namespace dive
