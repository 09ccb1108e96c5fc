#include "ParameterSets.h"

#include <gtest/gtest.h>

namespace zrtc {
namespace edge {
namespace {

// Reads back what the writer wrote: emulation prevention removed, then bits and Exp-Golomb codes.
class BitReader {
public:
    BitReader(const NalBytes& nal, size_t headerBytes) {
        int zeros = 0;
        for (size_t i = headerBytes; i < nal.size(); ++i) {
            if (zeros >= 2 && nal[i] == 3) {
                zeros = 0;
                continue;
            }
            mBytes.push_back(nal[i]);
            zeros = nal[i] == 0 ? zeros + 1 : 0;
        }
    }
    uint32_t Bits(int n) {
        uint32_t v = 0;
        for (int i = 0; i < n; ++i) {
            const size_t byte = mPos / 8;
            const uint32_t bit = byte < mBytes.size() ? (mBytes[byte] >> (7 - mPos % 8)) & 1u : 0;
            v = (v << 1) | bit;
            ++mPos;
        }
        return v;
    }
    uint32_t Ue() {
        int zeros = 0;
        while (Bits(1) == 0 && zeros < 32) ++zeros;
        return ((1u << zeros) - 1) + Bits(zeros);
    }
    bool AtTrailingBits() {
        // A single 1 bit, then zeros to the end.
        if (Bits(1) != 1) return false;
        while (mPos < mBytes.size() * 8)
            if (Bits(1) != 0) return false;
        return true;
    }

private:
    std::vector<uint8_t> mBytes;
    size_t mPos = 0;
};

bool HasStartCodePattern(const NalBytes& nal) {
    for (size_t i = 2; i < nal.size(); ++i)
        if (nal[i - 2] == 0 && nal[i - 1] == 0 && nal[i] <= 3 && nal[i] != 3) return true;
    return false;
}

TEST(ParameterSetsTest, H264SpsCarriesThePictureSize) {
    struct Size {
        uint32_t w, h;
    } sizes[] = {{640, 360}, {1280, 720}, {1920, 1080}, {16, 16}, {8192, 4320}};
    for (const Size& s : sizes) {
        const NalBytes sps = MakeH264Sps(s.w, s.h);
        ASSERT_EQ(sps[0], 0x67);
        EXPECT_FALSE(HasStartCodePattern(sps));
        BitReader r(sps, 1);
        EXPECT_EQ(r.Bits(8), 66u);
        r.Bits(16);
        EXPECT_EQ(r.Ue(), 0u);  // id
        r.Ue();
        EXPECT_EQ(r.Ue(), 2u);  // poc type
        r.Ue();
        r.Bits(1);
        const uint32_t mbW = r.Ue() + 1;
        const uint32_t mbH = r.Ue() + 1;
        EXPECT_EQ(r.Bits(1), 1u);
        r.Bits(1);
        uint32_t cropR = 0, cropB = 0;
        if (r.Bits(1)) {
            r.Ue();
            cropR = r.Ue();
            r.Ue();
            cropB = r.Ue();
        }
        EXPECT_EQ(r.Bits(1), 0u);  // VUI
        EXPECT_TRUE(r.AtTrailingBits());
        EXPECT_EQ(mbW * 16 - 2 * cropR, s.w);
        EXPECT_EQ(mbH * 16 - 2 * cropB, s.h);
    }
    const NalBytes pps = MakeH264Pps();
    EXPECT_EQ(pps[0], 0x68);
}

TEST(ParameterSetsTest, HevcSpsCarriesThePictureSize) {
    for (uint32_t h : {360u, 720u, 1080u}) {
        const NalBytes sps = MakeHevcSps(h * 16 / 9, h);
        ASSERT_EQ(sps[0], 0x42);
        ASSERT_EQ(sps[1], 0x01);
        EXPECT_FALSE(HasStartCodePattern(sps));
        BitReader r(sps, 2);
        r.Bits(8);                  // vps id, sub layers, nesting
        r.Bits(2 + 1);
        EXPECT_EQ(r.Bits(5), 1u);   // Main
        r.Bits(32 + 4 + 44);
        EXPECT_EQ(r.Bits(8), 93u);  // level 3.1
        EXPECT_EQ(r.Ue(), 0u);
        EXPECT_EQ(r.Ue(), 1u);      // 4:2:0
        const uint32_t w = r.Ue();
        const uint32_t hh = r.Ue();
        uint32_t cropR = 0, cropB = 0;
        if (r.Bits(1)) {
            r.Ue();
            cropR = r.Ue();
            r.Ue();
            cropB = r.Ue();
        }
        EXPECT_EQ(w % 8, 0u);
        EXPECT_EQ(w - 2 * cropR, h * 16 / 9);
        EXPECT_EQ(hh - 2 * cropB, h);
    }
    EXPECT_EQ(MakeHevcVps()[0], 0x40);
    EXPECT_EQ(MakeHevcPps()[0], 0x44);
}

TEST(ParameterSetsTest, AacConfig) {
    EXPECT_EQ(MakeAacConfig(48000, 2), (NalBytes{0x11, 0x90}));
    EXPECT_EQ(MakeAacConfig(44100, 1), (NalBytes{0x12, 0x08}));
    EXPECT_TRUE(MakeAacConfig(12345, 2).empty());
}

}  // namespace
}  // namespace edge
}  // namespace zrtc
