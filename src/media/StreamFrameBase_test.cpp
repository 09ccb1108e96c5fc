#include "media/StreamFrameBase.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>

#include "media/StreamFrameAudioGeneric.h"
#include "media/StreamFramePcm.h"
#include "media/StreamFrameVideo.h"

namespace NetBit {
namespace {

void FillHeader(StreamFrameBase& f, int64_t base) {
    f.mPts = base + 1;
    f.mDts = base + 2;
    f.mExtendedPts = base + 3;
    f.mDurationNum = static_cast<int32_t>(base + 4);
    f.mDurationDen = static_cast<int32_t>(base + 5);
    f.mUnwrappedTs = base + 6;
    f.mUid = static_cast<uint64_t>(base + 7);
    f.mLatencyMarker = 1;
}

void ExpectHeader(const StreamFrameBase& f, int64_t base) {
    EXPECT_EQ(f.mPts, base + 1);
    EXPECT_EQ(f.mDts, base + 2);
    EXPECT_EQ(f.mExtendedPts, base + 3);
    EXPECT_EQ(f.mDurationNum, base + 4);
    EXPECT_EQ(f.mDurationDen, base + 5);
    EXPECT_EQ(f.mUnwrappedTs, base + 6);
    EXPECT_EQ(f.mUid, static_cast<uint64_t>(base + 7));
    EXPECT_EQ(f.mLatencyMarker, 1);
}

TEST(StreamFrameBaseTest, FormatCodeOfEachClass) {
    struct Case {
        std::unique_ptr<StreamFrameBase> frame;
        int format;
    };
    Case cases[] = {
        {std::make_unique<StreamFrameBase>(), 0},        {std::make_unique<StreamFrameVideo>(), 0},
        {std::make_unique<StreamFrameAudioGeneric>(), 0}, {std::make_unique<StreamFrameH264>(), 4},
        {std::make_unique<StreamFrameHEVC>(), 5},         {std::make_unique<StreamFramePcm>(), 50},
        {std::make_unique<StreamFrameOpus>(), 51},        {std::make_unique<StreamFrameAac>(), 52},
        {std::make_unique<StreamFrameG722>(), 53},
    };
    for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i)
        EXPECT_EQ(cases[i].frame->GetFormat(), cases[i].format) << "case " << i;
}

TEST(StreamFrameBaseTest, DefaultHeader) {
    StreamFrameBase f;
    EXPECT_EQ(f.mPts, 0);
    EXPECT_EQ(f.mDts, 0);
    EXPECT_EQ(f.mExtendedPts, 0);
    EXPECT_EQ(f.mDurationNum, 20);
    EXPECT_EQ(f.mDurationDen, 1);
    EXPECT_EQ(f.GetDurationMs(), 20);
    EXPECT_EQ(f.mUnwrappedTs, 0);
    EXPECT_EQ(f.mUid, 0u);
    EXPECT_EQ(f.mLatencyMarker, 0);
}

TEST(StreamFrameBaseTest, DurationIsTruncatedQuotient) {
    struct Case {
        int32_t num, den;
        int64_t ms;
    } cases[] = {
        {20, 1, 20},          {960 * 1000, 48000, 20},  // 960 samples at 48 kHz
        {441 * 1000, 44100, 10},
        {1024 * 1000, 44100, 23},  // 23.2 ms AAC frame
        {1000, 3, 333},       {-1000, 3, -333},          // toward zero
        {7, 0, 0},            {INT32_MAX, 1, INT32_MAX}, {INT32_MIN, -1, 2147483648LL},
    };
    for (const Case& c : cases) {
        StreamFrameBase f;
        f.mDurationNum = c.num;
        f.mDurationDen = c.den;
        EXPECT_EQ(f.GetDurationMs(), c.ms) << c.num << "/" << c.den;
    }
}

TEST(StreamFrameBaseTest, CopyAndSwapMoveTheHeaderButNotTheFormat) {
    StreamFrameH264 a;
    StreamFrameH264 b;
    FillHeader(a, 100);
    b.CopyFrame(&a);
    ExpectHeader(b, 100);

    StreamFrameH264 c;
    FillHeader(c, 500);
    b.SwapFrame(&c);
    ExpectHeader(b, 500);
    ExpectHeader(c, 100);
    EXPECT_EQ(b.GetFormat(), 4);
    EXPECT_EQ(c.GetFormat(), 4);
}

TEST(StreamFrameBaseTest, FormatMismatchIsReportedAndTheCommonPartsMove) {
    // H.264 and HEVC share the video part: it moves, each keeps its own format.
    StreamFrameH264 h264;
    StreamFrameHEVC hevc;
    FillHeader(hevc, 10);
    const uint8_t nal[] = {0x40, 0x01, 0x0c};
    ASSERT_TRUE(hevc.SetBits(nal, sizeof(nal), true));
    testing::internal::CaptureStderr();
    h264.CopyFrame(&hevc);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("ASSERT FAIL CopyFrame:"), std::string::npos) << err;
    ExpectHeader(h264, 10);
    EXPECT_EQ(h264.Size(), 7);
    EXPECT_EQ(h264.GetFormat(), 4);
    EXPECT_EQ(hevc.GetFormat(), 5);

    // PCM and video share only the header: the buffers stay with their owners (ASan would see a
    // double free or a leak otherwise).
    StreamFramePcm pcm;
    const int16_t samples[4] = {1, 2, 3, 4};
    ASSERT_TRUE(pcm.CopyFrame(reinterpret_cast<const uint8_t*>(samples), 4, 1, 8000, 16));
    FillHeader(pcm, 70);
    testing::internal::CaptureStderr();
    pcm.SwapFrame(&h264);
    err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("ASSERT FAIL SwapFrame:"), std::string::npos) << err;
    ExpectHeader(pcm, 10);
    ExpectHeader(h264, 70);
    EXPECT_EQ(pcm.DataBytes(), 8);
    EXPECT_EQ(pcm.Data()[3], 4);
    EXPECT_EQ(h264.Size(), 7);
}

TEST(StreamFrameBaseTest, NullAndSelfPeersChangeNothing) {
    StreamFrameVideo v;
    const uint8_t bytes[] = {1, 2, 3};
    ASSERT_TRUE(v.SetBits(bytes, 3, false));
    FillHeader(v, 1);
    testing::internal::CaptureStderr();
    v.CopyFrame(nullptr);
    v.SwapFrame(nullptr);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("ASSERT FAIL CopyFrame:"), std::string::npos) << err;
    EXPECT_NE(err.find("ASSERT FAIL SwapFrame:"), std::string::npos) << err;
    v.CopyFrame(&v);
    v.SwapFrame(&v);
    ExpectHeader(v, 1);
    ASSERT_EQ(v.Size(), 3);
    EXPECT_EQ(v.Data()[2], 3);
}

TEST(StreamFrameBaseTest, DeletedThroughTheBasePointerFreesTheBuffer) {
    // LeakSanitizer fails the run if a derived buffer survives.
    std::unique_ptr<StreamFrameBase> frames[3] = {std::make_unique<StreamFrameH264>(),
                                                  std::make_unique<StreamFrameOpus>(),
                                                  std::make_unique<StreamFramePcm>()};
    const uint8_t bytes[64] = {};
    static_cast<StreamFrameVideo*>(frames[0].get())->SetBits(bytes, 64, true);
    static_cast<StreamFrameAudioGeneric*>(frames[1].get())->CopyFrame(bytes, 64);
    static_cast<StreamFramePcm*>(frames[2].get())->CopyFrame(bytes, 16, 2, 48000, 16);
    for (auto& f : frames) f.reset();
}

}  // namespace
}  // namespace NetBit
