#include "media/StreamFrameVideo.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace NetBit {
namespace {

std::vector<uint8_t> Bits(const StreamFrameVideo& f) {
    return f.Data() ? std::vector<uint8_t>(f.Data(), f.Data() + f.Size()) : std::vector<uint8_t>();
}

TEST(StreamFrameVideoTest, SetBitsWithAndWithoutStartCode) {
    std::vector<uint8_t> nal(100);
    for (size_t i = 0; i < nal.size(); ++i) nal[i] = static_cast<uint8_t>(i + 1);
    StreamFrameH264 f;
    ASSERT_TRUE(f.SetBits(nal.data(), 100, true));
    ASSERT_EQ(f.Size(), 104);
    EXPECT_EQ(std::vector<uint8_t>(f.Data(), f.Data() + 4), std::vector<uint8_t>({0, 0, 0, 1}));
    EXPECT_EQ(std::vector<uint8_t>(f.Data() + 4, f.Data() + 104), nal);

    ASSERT_TRUE(f.SetBits(nal.data(), 100, false));
    EXPECT_EQ(Bits(f), nal);
    // Its own bytes as the source.
    ASSERT_TRUE(f.SetBits(f.Data() + 98, 2, true));
    EXPECT_EQ(Bits(f), std::vector<uint8_t>({0, 0, 0, 1, 99, 100}));

    ASSERT_TRUE(f.SetBits(nullptr, 0, true));
    EXPECT_EQ(Bits(f), std::vector<uint8_t>({0, 0, 0, 1}));
    ASSERT_TRUE(f.SetBits(nullptr, 0, false));
    EXPECT_EQ(f.Data(), nullptr);
    EXPECT_EQ(f.Size(), 0);

    ASSERT_TRUE(f.SetBits(nal.data(), 3, false));
    EXPECT_FALSE(f.SetBits(nullptr, 5, true));
    EXPECT_FALSE(f.SetBits(nal.data(), -1, false));
    EXPECT_EQ(Bits(f), std::vector<uint8_t>({1, 2, 3}));
}

TEST(StreamFrameVideoTest, CopyIsDeepAndCarriesEveryField) {
    StreamFrameHEVC src;
    const uint8_t nal[] = {0x26, 0x01, 0xaf};
    ASSERT_TRUE(src.SetBits(nal, 3, true));
    src.mPts = 1000;
    src.mDts = 960;
    src.mQueueTime = 123456;
    src.mFlags = StreamFrameVideo::kFlagKey | StreamFrameVideo::kFlagSps;
    src.mGlobalDelay = 33;
    src.mJitterBuffer = 120;
    src.mHalfRtt = 25;
    for (int i = 0; i < StreamFrameVideo::kExtraBytes; ++i) src.mExtra[i] = static_cast<uint8_t>(0xa0 + i);

    StreamFrameHEVC dst;
    ASSERT_TRUE(dst.SetBits(nal, 1, false));
    dst.CopyFrame(&src);
    EXPECT_EQ(Bits(dst), Bits(src));
    EXPECT_NE(dst.Data(), src.Data());
    EXPECT_EQ(dst.mPts, 1000);
    EXPECT_EQ(dst.mDts, 960);
    EXPECT_EQ(dst.mQueueTime, 123456);
    EXPECT_EQ(dst.mFlags, 5);
    EXPECT_EQ(dst.mGlobalDelay, 33);
    EXPECT_EQ(dst.mJitterBuffer, 120);
    EXPECT_EQ(dst.mHalfRtt, 25);
    EXPECT_EQ(std::memcmp(dst.mExtra, src.mExtra, sizeof(src.mExtra)), 0);
    src.Data()[4] = 0;
    EXPECT_EQ(dst.Data()[4], 0x26);
}

TEST(StreamFrameVideoTest, SwapMovesTheBufferAndLeavesAFreshPeerEmpty) {
    StreamFrameH264 src;
    const uint8_t nal[] = {0x65, 0x88, 0x84};
    ASSERT_TRUE(src.SetBits(nal, 3, true));
    src.mFlags = StreamFrameVideo::kFlagKey;
    src.mHalfRtt = 7;
    src.mExtra[0] = 0x5a;
    const uint8_t* buf = src.Data();

    StreamFrameH264 dst;
    dst.SwapFrame(&src);
    EXPECT_EQ(dst.Data(), buf);
    EXPECT_EQ(dst.Size(), 7);
    EXPECT_EQ(dst.mFlags, 1);
    EXPECT_EQ(dst.mHalfRtt, 7);
    EXPECT_EQ(dst.mExtra[0], 0x5a);
    EXPECT_EQ(src.Data(), nullptr);
    EXPECT_EQ(src.Size(), 0);
    EXPECT_EQ(src.mFlags, 0);
    EXPECT_EQ(src.mExtra[0], 0);
}

TEST(StreamFrameVideoTest, AdoptAndTruncate) {
    StreamFrameH264 f;
    auto* heap = static_cast<uint8_t*>(std::malloc(8));
    std::memset(heap, 0xee, 8);
    f.AdoptBits(heap, 8);
    EXPECT_EQ(f.Data(), heap);
    EXPECT_EQ(f.Size(), 8);
    EXPECT_FALSE(f.Truncate(9));
    EXPECT_FALSE(f.Truncate(-1));
    EXPECT_TRUE(f.Truncate(5));
    EXPECT_EQ(f.Size(), 5);
    f.AdoptBits(heap, 3);  // its own buffer again: only shrinks
    EXPECT_EQ(f.Size(), 3);
    // A zero-size buffer is freed at once and leaves the frame empty (LeakSanitizer checks).
    f.AdoptBits(static_cast<uint8_t*>(std::malloc(4)), 0);
    EXPECT_EQ(f.Data(), nullptr);
    EXPECT_EQ(f.Size(), 0);
}

}  // namespace
}  // namespace NetBit
