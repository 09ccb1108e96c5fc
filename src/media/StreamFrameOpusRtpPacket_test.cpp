#include "media/StreamFrameOpusRtpPacket.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "media/RtpTestPacket.h"
#include "platform/TestLogCapture.h"

namespace NetBit {
namespace {

using media_test::RtpTestPacket;

std::vector<uint8_t> Bytes(const RtpPacketData& p, int n) {
    return p.Data() ? std::vector<uint8_t>(p.Data(), p.Data() + n) : std::vector<uint8_t>();
}

TEST(StreamFrameOpusRtpPacketTest, CopyFromPacketKeepsSpareRoom) {
    RtpTestPacket t;
    t.payload = {0xfc, 0x01, 0x02};
    const std::vector<uint8_t> raw = t.Build();
    const int len = static_cast<int>(raw.size());
    StreamFrameOpusRtpPacket f;
    EXPECT_EQ(f.GetFormat(), 200);
    ASSERT_TRUE(f.CopyFrame(7, raw.data(), len + 16, len, 1234, false));
    EXPECT_EQ(f.Length(), len);
    EXPECT_EQ(f.Capacity(), len + 16);
    EXPECT_EQ(f.mUid, 7u);
    EXPECT_EQ(f.mPts, 1234);
    EXPECT_EQ(Bytes(f, len), raw);
    EXPECT_EQ(Bytes(f, len + 16), [&] {
        std::vector<uint8_t> v = raw;
        v.resize(raw.size() + 16, 0);  // the spare room is zeroed, not left undefined
        return v;
    }());
    EXPECT_TRUE(f.OwnsData());

    // copy_capacity copies the source's spare bytes too.
    std::vector<uint8_t> with_spare = raw;
    with_spare.resize(raw.size() + 4, 0xab);
    ASSERT_TRUE(f.CopyFrame(8, with_spare.data(), len + 4, len, 0, true));
    EXPECT_EQ(Bytes(f, len + 4), with_spare);
}

TEST(StreamFrameOpusRtpPacketTest, UnusableArgumentsLeaveTheFrameUnchanged) {
    const std::vector<uint8_t> raw = RtpTestPacket().Build();
    const int len = static_cast<int>(raw.size());
    struct Case {
        const void* packet;
        int capacity, length;
        bool copy_capacity;
    } cases[] = {
        {raw.data(), len - 1, len, false},  // capacity below length
        {raw.data(), 4, -1, false},
        {raw.data(), -1, -2, false},
        {nullptr, len + 16, len, false},
        {nullptr, 4, 0, true},  // asked to copy 4 bytes from nothing
    };
    for (const Case& c : cases) {
        StreamFrameOpusRtpPacket f;
        ASSERT_TRUE(f.CopyFrame(1, raw.data(), len + 16, len, 20, false));
        ASSERT_EQ(f.ParseHeader(), 0);
        const uint8_t* buf = f.Data();
        EXPECT_FALSE(f.CopyFrame(2, c.packet, c.capacity, c.length, 40, c.copy_capacity)) << c.capacity;
        EXPECT_EQ(f.Data(), buf);
        EXPECT_EQ(f.Length(), len);
        EXPECT_EQ(f.Capacity(), len + 16);
        EXPECT_EQ(f.mUid, 1u);
        EXPECT_EQ(f.mPts, 20);
        EXPECT_TRUE(f.mHadParseHeader);
    }
    // An empty packet is allowed and holds no buffer.
    StreamFrameOpusRtpPacket empty;
    EXPECT_TRUE(empty.CopyFrame(3, nullptr, 0, 0, 0, false));
    EXPECT_EQ(empty.Data(), nullptr);
    EXPECT_EQ(empty.ParseHeader(), -1);
}

TEST(StreamFrameOpusRtpPacketTest, BufferGrowsOnlyWhenNeededAndNewBytesNeedAParse) {
    RtpTestPacket t;
    t.payload.assign(100, 0x11);
    const std::vector<uint8_t> big = t.Build();
    t.payload.assign(10, 0x22);
    const std::vector<uint8_t> small = t.Build();
    StreamFrameOpusRtpPacket f;
    ASSERT_TRUE(f.CopyFrame(1, big.data(), static_cast<int>(big.size()) + 16, static_cast<int>(big.size()), 0, false));
    ASSERT_EQ(f.ParseHeader(), 0);
    const uint8_t* buf = f.Data();
    ASSERT_TRUE(f.CopyFrame(1, small.data(), static_cast<int>(small.size()) + 16, static_cast<int>(small.size()),
                            0, false));
    EXPECT_EQ(f.Data(), buf);  // fits: reused
    EXPECT_FALSE(f.mHadParseHeader);
    EXPECT_EQ(f.mHeader.mSsrc, 0u);
    EXPECT_EQ(Bytes(f, f.Length()), small);
    ASSERT_TRUE(f.CopyFrame(1, big.data(), 4000, static_cast<int>(big.size()), 0, false));
    EXPECT_EQ(f.Capacity(), 4000);
    EXPECT_EQ(Bytes(f, f.Length()), big);
}

TEST(StreamFrameOpusRtpPacketTest, CopyIsDeepAndSwapMovesOwnership) {
    RtpTestPacket t;
    t.payload = {1, 2, 3, 4};
    const std::vector<uint8_t> raw = t.Build();
    const int len = static_cast<int>(raw.size());
    StreamFrameOpusRtpPacket src;
    ASSERT_TRUE(src.CopyFrame(5, raw.data(), len + 16, len, 60, false));
    ASSERT_EQ(src.ParseHeader(), 0);
    src.mUnwraperSeq = 66536;
    src.mUnwraperTs = (1ULL << 32) + 90000;
    src.mDurationNum = 960000;
    src.mDurationDen = 48000;

    StreamFrameOpusRtpPacket copy;
    copy.CopyFrame(&src);
    EXPECT_NE(copy.Data(), src.Data());
    EXPECT_EQ(Bytes(copy, len + 16), Bytes(src, len + 16));
    EXPECT_EQ(copy.Capacity(), len + 16);
    EXPECT_EQ(copy.mUnwraperSeq, 66536u);
    EXPECT_EQ(copy.mUnwraperTs, (1ULL << 32) + 90000);
    EXPECT_TRUE(copy.mHadParseHeader);
    EXPECT_EQ(copy.mHeader.mSequenceNumber, 1000);
    EXPECT_EQ(copy.mHeader.mSsrc, 0x11223344u);
    EXPECT_EQ(copy.mPts, 60);
    EXPECT_EQ(copy.GetDurationMs(), 20);
    src.Data()[len - 1] = 0x99;
    EXPECT_EQ(copy.Data()[len - 1], 4);

    const uint8_t* buf = src.Data();
    StreamFrameOpusRtpPacket moved;
    moved.SwapFrame(&src);
    EXPECT_EQ(moved.Data(), buf);
    EXPECT_EQ(moved.Length(), len);
    EXPECT_TRUE(moved.mHadParseHeader);
    EXPECT_EQ(moved.mUnwraperSeq, 66536u);
    EXPECT_EQ(src.Data(), nullptr);
    EXPECT_EQ(src.Length(), 0);
    EXPECT_EQ(src.Capacity(), 0);
    EXPECT_FALSE(src.mHadParseHeader);

    // A borrowed buffer changes hands without being freed by either frame.
    uint8_t borrowed[32] = {};
    std::memcpy(borrowed, raw.data(), static_cast<size_t>(len));
    StreamFrameOpusRtpPacket lender;
    ASSERT_TRUE(lender.AttachBuffer(borrowed, 32, len, false));
    moved.SwapFrame(&lender);
    EXPECT_EQ(moved.Data(), borrowed);
    EXPECT_FALSE(moved.OwnsData());
    EXPECT_EQ(lender.Data(), buf);
    EXPECT_TRUE(lender.OwnsData());
    // A copy of a borrowed packet owns its bytes.
    StreamFrameOpusRtpPacket copy2;
    copy2.CopyFrame(&moved);
    EXPECT_NE(copy2.Data(), borrowed);
    EXPECT_TRUE(copy2.OwnsData());
}

TEST(StreamFrameOpusRtpPacketTest, ParseHeaderSetsTheExtendedPresentationTime) {
    struct Case {
        std::vector<std::vector<uint8_t>> extensions;
        int64_t extended_pts;
    } cases[] = {
        {{}, 0},
        {{{12, 0x00, 0x00, 0x64}}, 100},                       // CTS only
        {{{7, 0x00, 0x01, 0x00, 0x00}}, 65536},                // audio base only
        {{{12, 0x00, 0x00, 0x64}, {7, 0x00, 0x00, 0x13, 0x88}}, 5100},
        {{{6, 0x00, 0x00, 0x13, 0x88}}, 0},                    // the video base does not count
    };
    for (const Case& c : cases) {
        RtpTestPacket t;
        t.payload_type = 111;
        t.extensions = c.extensions;
        t.payload = {0xfc};
        const std::vector<uint8_t> raw = t.Build();
        StreamFrameOpusRtpPacket f;
        ASSERT_TRUE(f.CopyFrame(1, raw.data(), static_cast<int>(raw.size()) + 16, static_cast<int>(raw.size()), 0,
                                false));
        f.mExtendedPts = -1;
        ASSERT_EQ(f.ParseHeader(), 0);
        EXPECT_TRUE(f.mHadParseHeader);
        EXPECT_EQ(f.mExtendedPts, c.extended_pts);
    }
}

TEST(StreamFrameOpusRtpPacketTest, ParseFailureIsLoggedAtDebugLevel) {
    platform_test::LogCapture logs;
    const uint8_t short_packet[8] = {0x80, 111};
    StreamFrameOpusRtpPacket f;
    ASSERT_TRUE(f.CopyFrame(1, short_packet, 24, 8, 0, false));
    EXPECT_EQ(f.ParseHeader(), -1);
    EXPECT_FALSE(f.mHadParseHeader);
    bool found = false;
    const std::vector<std::string> lines = logs.Lines();
    const std::vector<int> levels = logs.Levels();
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].find("failed to parse header ret -1\n") != std::string::npos) {
            found = true;
            EXPECT_EQ(levels[i], LLOG_DEBUG);
        }
    }
    EXPECT_TRUE(found);
}

}  // namespace
}  // namespace NetBit
