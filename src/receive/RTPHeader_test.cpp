// The RTP header parser against byte-exact packets: fixed header, CSRCs, the one-byte extension
// elements of this system, other profiles, padding, and every kind of short or malformed input.
#include "receive/RTPHeader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/TestLogCapture.h"

namespace NetBit {
namespace {

using Bytes = std::vector<uint8_t>;

struct Expect {
    int ret = 0;
    int pt = 96;
    int marker = 0;
    uint16_t seq = 0x1234;
    uint32_t ts = 0x01020304;
    uint32_t ssrc = 0xA1B2C3D4;
    int csrcs = 0;
    int normal = 12;
    int ext_len = 0;
    int kind = kRtpExtProfileNone;
    int tseq = -1;       // transport-wide sequence number, -1 = absent
    int64_t vbase = -1;  // video base timestamp
    int64_t abase = -1;  // audio base timestamp
    int key = -1;        // key index
    int64_t cts = -1;
    int64_t gdelay = -1;
    bool padding = false;
    bool last_nonzero = false;
};

struct Case {
    const char* name;
    Bytes packet;
    Expect want;
};

// 12-byte fixed header with the given first byte and payload type byte.
Bytes Fixed(uint8_t b0, uint8_t b1) { return {b0, b1, 0x12, 0x34, 0x01, 0x02, 0x03, 0x04, 0xA1, 0xB2, 0xC3, 0xD4}; }
Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Expect With(void (*edit)(Expect&)) {
    Expect e;
    edit(e);
    return e;
}

const std::vector<Case>& Cases() {
    static const std::vector<Case> cases = {
        {"plain", Fixed(0x80, 0x60), Expect{}},
        {"plain with payload", Cat(Fixed(0x80, 0x60), {0xDE, 0xAD}), Expect{}},
        {"marker and payload type 127", Fixed(0x80, 0xFF), With([](Expect& e) {
             e.pt = 127;
             e.marker = 1;
         })},
        {"two CSRCs", Cat(Fixed(0x82, 0x60), {0, 0, 0, 1, 0xFF, 0xFF, 0xFF, 0xFE}), With([](Expect& e) {
             e.csrcs = 2;
             e.normal = 20;
         })},
        {"fifteen CSRCs, no payload", Cat(Fixed(0x8F, 0x60), Bytes(60, 0x11)), With([](Expect& e) {
             e.csrcs = 15;
             e.normal = 72;
         })},
        // id 5 (L=1) 0x1234, id 14 (L=1) 100, id 12 (L=2) 500, id 10 (L=0) 7: exactly 3 words.
        {"one-byte elements 5 14 12 10",
         Cat(Fixed(0x90, 0x60), {0xBE, 0xDE, 0x00, 0x03, 0x51, 0x12, 0x34, 0xE1, 0x00, 0x64, 0xC2, 0x00, 0x01, 0xF4,
                                 0xA0, 0x07}),
         With([](Expect& e) {
             e.ext_len = 16;
             e.kind = kRtpExtProfileOneByte;
             e.tseq = 0x1234;
             e.gdelay = 100;
             e.cts = 500;
             e.key = 7;
         })},
        // id 6 and id 7 with four value bytes each, two padding bytes at the end.
        {"one-byte base timestamps and padding bytes",
         Cat(Fixed(0x90, 0x60), {0xBE, 0xDE, 0x00, 0x03, 0x63, 0x00, 0x00, 0x03, 0xE8, 0x73, 0x00, 0x01, 0x00, 0x00,
                                 0x00, 0x00}),
         With([](Expect& e) {
             e.ext_len = 16;
             e.kind = kRtpExtProfileOneByte;
             e.vbase = 1000;
             e.abase = 65536;
         })},
        // An unknown id (1) is stepped over; a zero byte between elements is padding.
        {"unknown id skipped",
         Cat(Fixed(0x90, 0x60), {0xBE, 0xDE, 0x00, 0x02, 0x11, 0xAA, 0xBB, 0x00, 0x51, 0x00, 0x2A, 0x00}),
         With([](Expect& e) {
             e.ext_len = 12;
             e.kind = kRtpExtProfileOneByte;
             e.tseq = 42;
         })},
        // L = 4 (five bytes) is wider than any value: flag set, value 0, the walk goes on after it.
        {"value wider than 32 bits",
         Cat(Fixed(0x90, 0x60), {0xBE, 0xDE, 0x00, 0x02, 0xC4, 1, 2, 3, 4, 5, 0xA0, 0x09}), With([](Expect& e) {
             e.ext_len = 12;
             e.kind = kRtpExtProfileOneByte;
             e.cts = 0;
             e.key = 9;
         })},
        // id 5 with L = 3 needs five bytes; the block has four: the element is dropped, not read.
        {"element runs past the block",
         Cat(Fixed(0x90, 0x60), {0xBE, 0xDE, 0x00, 0x01, 0x53, 0x12, 0x34, 0x56, 0xFF, 0xFF}), With([](Expect& e) {
             e.ext_len = 8;
             e.kind = kRtpExtProfileOneByte;
         })},
        {"empty one-byte block", Cat(Fixed(0x90, 0x60), {0xBE, 0xDE, 0x00, 0x00}), With([](Expect& e) {
             e.ext_len = 4;
             e.kind = kRtpExtProfileOneByte;
         })},
        // Two-byte form (RFC 8285 profile 0x100x): another profile, skipped whole.
        {"two-byte profile skipped", Cat(Fixed(0x90, 0x60), {0x10, 0x00, 0x00, 0x01, 0x05, 0x02, 0x12, 0x34}),
         With([](Expect& e) {
             e.ext_len = 8;
             e.kind = kRtpExtProfileOther;
         })},
        {"profile 0xABCD", Cat(Fixed(0x90, 0x60), {0xAB, 0xCD, 0x00, 0x01, 0x51, 0x12, 0x34, 0x00}),
         With([](Expect& e) {
             e.ext_len = 8;
             e.kind = kRtpExtProfileABCD;
         })},
        {"CSRC then extension",
         Cat(Fixed(0x91, 0x60), {0, 0, 0, 9, 0xBE, 0xDE, 0x00, 0x01, 0x51, 0xFF, 0xFF, 0x00}), With([](Expect& e) {
             e.csrcs = 1;
             e.normal = 16;
             e.ext_len = 8;
             e.kind = kRtpExtProfileOneByte;
             e.tseq = 0xFFFF;
         })},
        {"padding count 4", Cat(Fixed(0xA0, 0x60), {0xAA, 0, 0, 0, 4}), With([](Expect& e) {
             e.padding = true;
             e.last_nonzero = true;
         })},
        {"padding count 0", Cat(Fixed(0xA0, 0x60), {0xAA, 0, 0, 0, 0}), With([](Expect& e) { e.padding = true; })},
        {"padding bit on a bare header", Fixed(0xA0, 0x60), With([](Expect& e) {
             e.padding = true;
             e.last_nonzero = true;  // the last byte of the SSRC stands where the count would be
         })},
        {"empty", Bytes{}, With([](Expect& e) { e.ret = -1; })},
        {"eleven bytes", Bytes{0x80, 0x60, 0x12, 0x34, 0x01, 0x02, 0x03, 0x04, 0xA1, 0xB2, 0xC3},
         With([](Expect& e) { e.ret = -1; })},
        {"version 0", Fixed(0x00, 0x60), With([](Expect& e) { e.ret = -1; })},
        {"version 1", Fixed(0x40, 0x60), With([](Expect& e) { e.ret = -1; })},
        {"version 3", Fixed(0xC0, 0x60), With([](Expect& e) { e.ret = -1; })},
        {"CSRC count beyond the packet", Cat(Fixed(0x82, 0x60), {0, 0, 0, 1}), With([](Expect& e) { e.ret = -1; })},
        {"extension bit without extension header", Cat(Fixed(0x90, 0x60), {0xBE, 0xDE}),
         With([](Expect& e) { e.ret = -1; })},
        {"extension longer than the packet", Cat(Fixed(0x90, 0x60), {0xBE, 0xDE, 0x00, 0x02, 0x51, 0x12, 0x34, 0x00}),
         With([](Expect& e) { e.ret = -1; })},
        {"extension word count 0xFFFF", Cat(Fixed(0x90, 0x60), {0xBE, 0xDE, 0xFF, 0xFF, 0x51, 0x12, 0x34, 0x00}),
         With([](Expect& e) { e.ret = -1; })},
    };
    return cases;
}

TEST(RTPHeader, ParsesEveryCaseOfTheTable) {
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        // A copy in a buffer of exactly its size, so a read past the end shows under ASan.
        std::vector<uint8_t> packet(c.packet);
        RTPHeader h;
        const int ret = h.ParseHeader(packet.empty() ? nullptr : packet.data(), static_cast<int>(packet.size()));
        ASSERT_EQ(ret, c.want.ret);
        if (ret != 0) continue;
        const Expect& e = c.want;
        EXPECT_EQ(h.mVersion, 2);
        EXPECT_EQ(h.mPayloadType, e.pt);
        EXPECT_EQ(h.mMarkerBit, e.marker);
        EXPECT_EQ(h.mSequenceNumber, e.seq);
        EXPECT_EQ(h.mOriginTs, e.ts);
        EXPECT_EQ(h.mSsrc, e.ssrc);
        EXPECT_EQ(h.mNumCSRCs, e.csrcs);
        EXPECT_EQ(h.mNormalHeaderLength, e.normal);
        EXPECT_EQ(h.mExtensionLength, e.ext_len);
        EXPECT_EQ(h.mHaveExtensionHeader, e.ext_len > 0);
        EXPECT_EQ(h.mExtensionHeaderType, e.kind);
        EXPECT_LE(h.HeaderLength(), static_cast<int>(packet.size()));
        EXPECT_EQ(h.mHaveTransportSequenceNumber, e.tseq >= 0);
        if (e.tseq >= 0) {
            EXPECT_EQ(h.mTransportSequenceNumber, e.tseq);
        }
        EXPECT_EQ(h.mHaveVideoBaseTs, e.vbase >= 0);
        if (e.vbase >= 0) {
            EXPECT_EQ(h.mVideoBaseTs, e.vbase);
        }
        EXPECT_EQ(h.mHaveAudioBaseTs, e.abase >= 0);
        if (e.abase >= 0) {
            EXPECT_EQ(h.mAudioBaseTs, e.abase);
        }
        EXPECT_EQ(h.mHaveKeyIndex, e.key >= 0);
        if (e.key >= 0) {
            EXPECT_EQ(h.mKeyIndex, e.key);
        }
        EXPECT_EQ(h.mHaveCts, e.cts >= 0);
        if (e.cts >= 0) {
            EXPECT_EQ(h.mCts, e.cts);
        }
        EXPECT_EQ(h.mHaveGlobalDelay, e.gdelay >= 0);
        if (e.gdelay >= 0) {
            EXPECT_EQ(h.mGlobalDelay, e.gdelay);
        }
        EXPECT_EQ(h.mPaddingBitSeen, e.padding);
        EXPECT_EQ(h.mLastByteNonZero, e.last_nonzero);
    }
}

TEST(RTPHeader, CsrcValuesAndPaddingCountAreRead) {
    const Bytes packet = Cat(Fixed(0xA2, 0x60), {0, 0, 0, 1, 0xFF, 0xFF, 0xFF, 0xFE, 0x00, 0x00, 0x03});
    RTPHeader h;
    ASSERT_EQ(h.ParseHeader(packet.data(), static_cast<int>(packet.size())), 0);
    EXPECT_EQ(h.mCSRCs[0], 1u);
    EXPECT_EQ(h.mCSRCs[1], 0xFFFFFFFEu);
    EXPECT_EQ(h.mPaddingLength, 3);
}

TEST(RTPHeader, ReusingAHeaderLeavesNothingOfTheEarlierPacket) {
    const Bytes with_ext = Cat(Fixed(0xB1, 0xE0), {0, 0, 0, 9, 0xBE, 0xDE, 0x00, 0x01, 0xC2, 0x00, 0x01, 0xF4, 1});
    const Bytes plain = Fixed(0x80, 0x60);
    RTPHeader h;
    ASSERT_EQ(h.ParseHeader(with_ext.data(), static_cast<int>(with_ext.size())), 0);
    ASSERT_TRUE(h.mHaveCts);
    ASSERT_TRUE(h.mPaddingBitSeen);
    RTPHeader copy;
    copy = h;
    EXPECT_EQ(copy.mCts, 500);
    EXPECT_EQ(copy.mCSRCs[0], 9u);

    ASSERT_EQ(h.ParseHeader(plain.data(), static_cast<int>(plain.size())), 0);
    EXPECT_FALSE(h.mHaveCts);
    EXPECT_FALSE(h.mHaveExtensionHeader);
    EXPECT_FALSE(h.mPaddingBitSeen);
    EXPECT_EQ(h.mNumCSRCs, 0);
    EXPECT_EQ(h.mCSRCs[0], 0u);
    EXPECT_EQ(h.mExtensionLength, 0);

    h.reset();
    EXPECT_EQ(h.mSsrc, 0u);
    EXPECT_EQ(h.mNormalHeaderLength, 0);
}

TEST(RTPHeader, RefusalsAreLoggedWithTheirLines) {
    platform_test::LogCapture log;
    RTPHeader h;
    const Bytes v1 = Fixed(0x40, 0x60);
    const Bytes csrc = Cat(Fixed(0x83, 0x60), {0, 0, 0, 1});
    const Bytes ext = Cat(Fixed(0x90, 0x60), {0xBE, 0xDE, 0x00, 0x09});
    EXPECT_EQ(h.ParseHeader(v1.data(), 8), -1);
    EXPECT_EQ(h.ParseHeader(v1.data(), static_cast<int>(v1.size())), -1);
    EXPECT_EQ(h.ParseHeader(csrc.data(), static_cast<int>(csrc.size())), -1);
    EXPECT_EQ(h.ParseHeader(ext.data(), static_cast<int>(ext.size())), -1);
    EXPECT_EQ(h.ParseHeader(nullptr, 100), -1);
    EXPECT_TRUE(log.Has("ParseHeader failed because of error data size: size 8\n"));
    EXPECT_TRUE(log.Has("ParseHeader failed: version 1\n"));
    EXPECT_TRUE(log.Has("ParseHeader failed because of error data size : size 16 numCSRCS 3\n"));
    EXPECT_TRUE(log.Has("ParseHeader failed: extension length 40 exceeds packet size 16 header 12\n"));
    EXPECT_TRUE(log.Has("ParseHeader failed because of error data size: size 100\n"));
}

TEST(RTPHeader, DebugLinesNameUnknownIdsWideValuesAndPadding) {
    platform_test::LogCapture log;
    RTPHeader h;
    const Bytes packet =
        Cat(Fixed(0xB0, 0x60), {0xBE, 0xDE, 0x00, 0x03, 0x11, 0xAA, 0xBB, 0x54, 1, 2, 3, 4, 5, 0, 0, 0, 0x00, 0x02});
    ASSERT_EQ(h.ParseHeader(packet.data(), static_cast<int>(packet.size())), 0);
    EXPECT_TRUE(log.Has("one byte id 1 size 2 \n"));
    EXPECT_TRUE(log.Has("raw data length 5\n"));
    EXPECT_TRUE(log.Has("EEEE: padding bytes 2\n"));
    EXPECT_TRUE(h.mHaveTransportSequenceNumber);
    EXPECT_EQ(h.mTransportSequenceNumber, 0);
}

}  // namespace
}  // namespace NetBit
