#include "media/StreamFrameAudioGeneric.h"

#include <gtest/gtest.h>

#include <string>

namespace NetBit {
namespace {

std::string Payload(const StreamFrameAudioGeneric& f) {
    return f.Data() ? std::string(reinterpret_cast<const char*>(f.Data()), static_cast<size_t>(f.Length()))
                    : std::string();
}

TEST(StreamFrameAudioGenericTest, ConcatenatesThePartsThatArePresent) {
    const char* a = "head";
    const char* b = "tail";
    struct Case {
        const void* a;
        int a_len;
        const void* b;
        int b_len;
        const char* want;  // null: no buffer
    } cases[] = {
        {a, 4, b, 4, "headtail"}, {a, 4, nullptr, 4, "head"}, {nullptr, 4, b, 4, "tail"},
        {a, 0, b, 2, "ta"},       {a, -3, b, 4, "tail"},      {a, 2, b, -1, "he"},
        {nullptr, 0, nullptr, 0, nullptr}, {a, 0, b, 0, nullptr},
    };
    for (const Case& c : cases) {
        StreamFrameOpus f;
        ASSERT_TRUE(f.CopyFrame("old", 3));
        EXPECT_TRUE(f.CopyFrame(c.a, c.a_len, c.b, c.b_len));
        if (c.want == nullptr) {
            EXPECT_EQ(f.Data(), nullptr);
            EXPECT_EQ(f.Length(), 0);
        } else {
            EXPECT_EQ(Payload(f), c.want);
        }
    }
    // A part may come from the frame's own buffer.
    StreamFrameAac f;
    ASSERT_TRUE(f.CopyFrame("ab", 2));
    ASSERT_TRUE(f.CopyFrame(f.Data(), f.Length(), f.Data(), f.Length()));
    EXPECT_EQ(Payload(f), "abab");
}

TEST(StreamFrameAudioGenericTest, CopyIsDeepAndSwapMovesTheBuffer) {
    StreamFrameG722 src;
    ASSERT_TRUE(src.CopyFrame("g722", 4));
    src.mPts = 60;
    src.mDurationNum = 20;

    StreamFrameG722 copy;
    copy.CopyFrame(&src);
    EXPECT_EQ(Payload(copy), "g722");
    EXPECT_NE(copy.Data(), src.Data());
    src.Data()[0] = 'X';
    EXPECT_EQ(Payload(copy), "g722");
    EXPECT_EQ(copy.mPts, 60);

    const uint8_t* buf = src.Data();
    StreamFrameG722 moved;
    moved.SwapFrame(&src);
    EXPECT_EQ(moved.Data(), buf);
    EXPECT_EQ(Payload(moved), "X722");
    EXPECT_EQ(moved.mPts, 60);
    EXPECT_EQ(src.Data(), nullptr);
    EXPECT_EQ(src.Length(), 0);

    // Copying an empty frame empties the destination.
    copy.CopyFrame(&src);
    EXPECT_EQ(copy.Data(), nullptr);
    EXPECT_EQ(copy.Length(), 0);
}

}  // namespace
}  // namespace NetBit
