// Peeking sequence number, timestamp and SSRC out of an RTP header.
#include "platform/RtpPeek.h"

#include <gtest/gtest.h>

namespace {

using namespace NetBit;

// V=2, PT 96, seq 0xBEEF, ts 0x01020304, SSRC 0xCAFEBABE, one payload byte.
const uint8_t kPacket[] = {0x80, 0x60, 0xBE, 0xEF, 0x01, 0x02, 0x03, 0x04, 0xCA, 0xFE, 0xBA, 0xBE, 0x55};

TEST(RtpPeek, ReadsBigEndianFields) {
    uint16_t seq = 0;
    uint32_t ts = 0, ssrc = 0;
    ASSERT_TRUE(GetRtpSeqNum(kPacket, sizeof(kPacket), &seq));
    ASSERT_TRUE(GetRtpTs(kPacket, sizeof(kPacket), &ts));
    ASSERT_TRUE(GetRtpSsrc(kPacket, sizeof(kPacket), &ssrc));
    EXPECT_EQ(seq, 0xBEEF);
    EXPECT_EQ(ts, 0x01020304u);
    EXPECT_EQ(ssrc, 0xCAFEBABEu);
    // Exactly the fixed header is enough.
    EXPECT_TRUE(GetRtpSsrc(kPacket, 12, &ssrc));
}

TEST(RtpPeek, ShortOrNullInputIsRefusedAndLeavesTheOutputAlone) {
    uint16_t seq = 7;
    uint32_t ts = 7, ssrc = 7;
    for (size_t len : {size_t{0}, size_t{4}, size_t{11}}) {
        EXPECT_FALSE(GetRtpSeqNum(kPacket, len, &seq)) << len;
        EXPECT_FALSE(GetRtpTs(kPacket, len, &ts)) << len;
        EXPECT_FALSE(GetRtpSsrc(kPacket, len, &ssrc)) << len;
    }
    EXPECT_FALSE(GetRtpSeqNum(nullptr, 100, &seq));
    EXPECT_FALSE(GetRtpTs(nullptr, 100, &ts));
    EXPECT_FALSE(GetRtpSsrc(nullptr, 100, &ssrc));
    EXPECT_FALSE(GetRtpSeqNum(kPacket, sizeof(kPacket), nullptr));
    EXPECT_FALSE(GetRtpTs(kPacket, sizeof(kPacket), nullptr));
    EXPECT_FALSE(GetRtpSsrc(kPacket, sizeof(kPacket), nullptr));
    EXPECT_EQ(seq, 7);
    EXPECT_EQ(ts, 7u);
    EXPECT_EQ(ssrc, 7u);
}

}  // namespace
