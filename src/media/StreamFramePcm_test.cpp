#include "media/StreamFramePcm.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace NetBit {
namespace {

const uint8_t* Bytes(const std::vector<int16_t>& v) { return reinterpret_cast<const uint8_t*>(v.data()); }

std::vector<int16_t> Ramp(int n) {
    std::vector<int16_t> v(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) v[static_cast<size_t>(i)] = static_cast<int16_t>(i);
    return v;
}

std::vector<int16_t> Samples(const StreamFramePcm& f) {
    return std::vector<int16_t>(f.Data(), f.Data() + f.DataBytes() / 2);
}

TEST(StreamFramePcmTest, Defaults) {
    StreamFramePcm f;
    EXPECT_EQ(f.GetFormat(), 50);
    EXPECT_EQ(f.SamplesPerChannel(), 0);
    EXPECT_EQ(f.BitsPerSample(), 16);
    EXPECT_EQ(f.BytesPerSampleFrame(), 2);
    EXPECT_EQ(f.Channels(), 1);
    EXPECT_EQ(f.SampleRate(), 32000);
    EXPECT_EQ(f.mReserved, 0);
    EXPECT_EQ(f.Data(), nullptr);
    EXPECT_EQ(f.DataBytes(), 0);
    EXPECT_TRUE(f.OwnsData());
    EXPECT_EQ(f.GetVolume(), 0);
}

TEST(StreamFramePcmTest, CopyFromSamplesSetsTheShape) {
    const std::vector<int16_t> in = Ramp(960 * 2);
    StreamFramePcm f;
    ASSERT_TRUE(f.CopyFrame(Bytes(in), 960, 2, 48000, 16));
    EXPECT_EQ(f.SamplesPerChannel(), 960);
    EXPECT_EQ(f.Channels(), 2);
    EXPECT_EQ(f.SampleRate(), 48000);
    EXPECT_EQ(f.BytesPerSampleFrame(), 4);
    EXPECT_EQ(f.DataBytes(), 3840);
    EXPECT_EQ(Samples(f), in);
}

TEST(StreamFramePcmTest, BadShapesAreRefusedAndLeaveTheFrame) {
    const std::vector<int16_t> in = Ramp(8);
    struct Case {
        const uint8_t* data;
        int samples, channels, bits;
    } cases[] = {
        {Bytes(in), -1, 1, 16},  {Bytes(in), 4, 0, 16},   {Bytes(in), 4, -2, 16},
        {Bytes(in), 4, 1, 0},    {Bytes(in), 4, 1, 12},   {nullptr, 4, 1, 16},
        {Bytes(in), 0x40000000, 2, 16},  // 4 GiB
        {Bytes(in), 1, 0x40000000, 16},  // a sample frame beyond 2 GiB
    };
    for (const Case& c : cases) {
        StreamFramePcm f;
        ASSERT_TRUE(f.CopyFrame(Bytes(in), 4, 2, 8000, 16));
        EXPECT_FALSE(f.CopyFrame(c.data, c.samples, c.channels, 44100, c.bits)) << c.samples << " " << c.channels;
        EXPECT_EQ(f.SamplesPerChannel(), 4);
        EXPECT_EQ(f.Channels(), 2);
        EXPECT_EQ(f.SampleRate(), 8000);
        EXPECT_EQ(Samples(f), in);
    }
    // No samples at all is a valid, empty frame.
    StreamFramePcm empty;
    EXPECT_TRUE(empty.CopyFrame(nullptr, 0, 2, 48000, 16));
    EXPECT_EQ(empty.DataBytes(), 0);
    EXPECT_EQ(empty.BytesPerSampleFrame(), 4);
}

TEST(StreamFramePcmTest, CopyReallocatesOnlyWhenTheBufferIsTooSmall) {
    const std::vector<int16_t> big = Ramp(960 * 2);
    const std::vector<int16_t> small = Ramp(480 * 2);
    StreamFramePcm src_big, src_small;
    ASSERT_TRUE(src_big.CopyFrame(Bytes(big), 960, 2, 48000, 16));
    ASSERT_TRUE(src_small.CopyFrame(Bytes(small), 480, 2, 48000, 16));

    StreamFramePcm dst;
    dst.CopyFrame(&src_small);
    EXPECT_EQ(dst.CapacityBytes(), 1920);
    dst.CopyFrame(&src_big);  // 3840 bytes do not fit in 1920: a new buffer
    EXPECT_EQ(dst.CapacityBytes(), 3840);
    EXPECT_EQ(Samples(dst), big);
    const int16_t* kept = dst.Data();
    dst.CopyFrame(&src_small);  // fits: the same buffer
    EXPECT_EQ(dst.Data(), kept);
    EXPECT_EQ(dst.CapacityBytes(), 3840);
    EXPECT_EQ(dst.SamplesPerChannel(), 480);
    EXPECT_EQ(Samples(dst), small);
    EXPECT_NE(dst.Data(), src_small.Data());  // deep
}

TEST(StreamFramePcmTest, SwapMovesBuffersAndOwnership) {
    const std::vector<int16_t> in = Ramp(320);
    StreamFramePcm a;
    ASSERT_TRUE(a.CopyFrame(Bytes(in), 160, 2, 16000, 16));
    a.mPts = 40;
    a.mReserved = 9;
    int16_t borrowed[4] = {7, 7, 7, 7};
    StreamFramePcm b;
    ASSERT_TRUE(b.AttachSamples(borrowed, 4, 1, 8000, 16, false));
    const int16_t* a_buf = a.Data();

    a.SwapFrame(&b);
    EXPECT_EQ(a.Data(), borrowed);
    EXPECT_FALSE(a.OwnsData());
    EXPECT_EQ(a.SamplesPerChannel(), 4);
    EXPECT_EQ(a.SampleRate(), 8000);
    EXPECT_EQ(b.Data(), a_buf);
    EXPECT_TRUE(b.OwnsData());
    EXPECT_EQ(b.SamplesPerChannel(), 160);
    EXPECT_EQ(b.Channels(), 2);
    EXPECT_EQ(b.mPts, 40);
    EXPECT_EQ(b.mReserved, 9);

    // Into a fresh frame: the source is left empty.
    StreamFramePcm fresh;
    b.SwapFrame(&fresh);
    EXPECT_EQ(fresh.Data(), a_buf);
    EXPECT_EQ(b.Data(), nullptr);
    EXPECT_EQ(b.DataBytes(), 0);
    // `a` goes out of scope holding the stack array: it must not free it.
}

TEST(StreamFramePcmTest, CopyIntoABorrowedBufferAllocatesItsOwn) {
    int16_t borrowed[4] = {1, 2, 3, 4};
    StreamFramePcm f;
    ASSERT_TRUE(f.AttachSamples(borrowed, 4, 1, 8000, 16, false));
    const std::vector<int16_t> in = {9, 8};
    ASSERT_TRUE(f.CopyFrame(Bytes(in), 2, 1, 8000, 16));
    EXPECT_NE(f.Data(), borrowed);
    EXPECT_TRUE(f.OwnsData());
    EXPECT_EQ(borrowed[0], 1);
    EXPECT_EQ(Samples(f), in);

    // An owned attachment is freed by the frame (LeakSanitizer checks).
    auto* heap = static_cast<int16_t*>(std::malloc(8));
    ASSERT_TRUE(f.AttachSamples(heap, 2, 2, 8000, 16, true));
    EXPECT_EQ(f.Data(), heap);
}

TEST(StreamFramePcmTest, GainDb) {
    struct Case {
        float db;
        int16_t in, out;
    } cases[] = {
        {6.0f, 1000, 1995},    {6.0f, -1000, -1995},  {6.0f, 20000, 32767}, {6.0f, -20000, -32768},
        {0.0f, 12345, 12345},  {-6.0f, 1000, 501},    {-120.0f, 30000, 0},  {20.0f, 100, 1000},
    };
    for (const Case& c : cases) {
        StreamFramePcm f;
        const std::vector<int16_t> in = {c.in, c.in};
        ASSERT_TRUE(f.CopyFrame(Bytes(in), 1, 2, 48000, 16));
        f.GainDb(c.db);
        EXPECT_EQ(f.Data()[0], c.out) << c.db << " dB on " << c.in;
        EXPECT_EQ(f.Data()[1], c.out);
    }
    StreamFramePcm empty;
    empty.GainDb(6.0f);  // no buffer: nothing to do
}

TEST(StreamFramePcmTest, GetVolume) {
    struct Case {
        std::vector<int16_t> samples;
        int volume;
    } cases[] = {
        {{32767, 32767}, 500}, {{-32768, -32768}, 500}, {{0, 0, 0}, 0},
        {{16384, -16384}, 250}, {{32767, 0}, 250}, {{32766, 0}, 249},      {{100}, 1},
    };
    for (const Case& c : cases) {
        StreamFramePcm f;
        ASSERT_TRUE(f.CopyFrame(Bytes(c.samples), static_cast<int>(c.samples.size()), 1, 8000, 16));
        EXPECT_EQ(f.GetVolume(), c.volume) << c.samples[0];
    }
}

TEST(StreamFramePcmTest, SplitFrameHalvesTheSampleFrames) {
    // 5 stereo sample frames at 1000 Hz: 2 go first, 3 second.
    const std::vector<int16_t> in = Ramp(10);
    StreamFramePcm f;
    ASSERT_TRUE(f.CopyFrame(Bytes(in), 5, 2, 1000, 16));
    f.mPts = 100;
    f.mDts = 90;
    f.mUid = 3;
    StreamFramePcm first, second;
    f.SplitFrame(&first, &second);
    EXPECT_EQ(first.SamplesPerChannel(), 2);
    EXPECT_EQ(second.SamplesPerChannel(), 3);
    EXPECT_EQ(Samples(first), std::vector<int16_t>({0, 1, 2, 3}));
    EXPECT_EQ(Samples(second), std::vector<int16_t>({4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(first.GetDurationMs(), 2);
    EXPECT_EQ(second.GetDurationMs(), 3);
    EXPECT_EQ(first.mPts, 100);
    EXPECT_EQ(second.mPts, 102);
    EXPECT_EQ(second.mDts, 92);
    EXPECT_EQ(second.mUid, 3u);
    EXPECT_EQ(Samples(f), in);  // the source is untouched

    f.SplitFrame(&first, &first);  // refused
    f.SplitFrame(&f, &second);
    EXPECT_EQ(Samples(f), in);

    StreamFramePcm empty, e1, e2;
    empty.SplitFrame(&e1, &e2);
    EXPECT_EQ(e1.DataBytes(), 0);
    EXPECT_EQ(e2.DataBytes(), 0);
}

}  // namespace
}  // namespace NetBit
