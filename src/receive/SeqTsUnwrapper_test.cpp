// Unwrapping of sequence numbers and timestamps across wrap-around, forwards and backwards.
#include "receive/SeqTsUnwrapper.h"

#include <gtest/gtest.h>

namespace NetBit {
namespace {

constexpr uint64_t k16 = 1ull << 16;
constexpr uint64_t k32 = 1ull << 32;

struct Step {
    uint32_t ts;
    uint16_t seq;
    uint64_t uts;
    uint64_t useq;
};

void Expect(SeqTsUnwrapper& u, std::initializer_list<Step> steps) {
    int i = 0;
    for (const Step& s : steps) {
        uint64_t uts = 0;
        uint64_t useq = 0;
        u.Unwrap(s.ts, s.seq, &uts, &useq);
        EXPECT_EQ(useq, s.useq) << "step " << i;
        EXPECT_EQ(uts, s.uts) << "step " << i;
        ++i;
    }
}

TEST(SeqTsUnwrapper, ForwardWrapGivesConsecutiveNumbers) {
    SeqTsUnwrapper u;
    Expect(u, {{0xFFFFFFF0u, 65534, k32 + 0xFFFFFFF0u, k16 + 65534},
            {0xFFFFFFFFu, 65535, k32 + 0xFFFFFFFFu, k16 + 65535},
            {0x00000010u, 0, 2 * k32 + 0x10, 2 * k16},
            {0x00000020u, 1, 2 * k32 + 0x20, 2 * k16 + 1}});
}

TEST(SeqTsUnwrapper, BackwardsAcrossTheWrapStaysBelowTheFirstPacket) {
    SeqTsUnwrapper u;
    // First packet just after a wrap; the next two are older and lie before it.
    Expect(u, {{5, 0, k32 + 5, k16},
            {0xFFFFFFFFu, 65535, k32 - 1, k16 - 1},
            {0xFFFFFFF0u, 65530, k32 - 16, k16 - 6},
            // Back to newer ones: every call moves the reference, older packets included.
            {6, 1, k32 + 6, k16 + 1}});
}

TEST(SeqTsUnwrapper, LongRunOfWrapsStaysLinear) {
    SeqTsUnwrapper u;
    uint64_t uts = 0;
    uint64_t useq = 0;
    const uint64_t steps = 300000;  // more than four sequence wraps
    for (uint64_t i = 0; i <= steps; ++i) {
        u.Unwrap(static_cast<uint32_t>(i * 30000), static_cast<uint16_t>(i), &uts, &useq);
    }
    EXPECT_EQ(useq, k16 + steps);
    EXPECT_EQ(uts, k32 + steps * 30000);
}

TEST(SeqTsUnwrapper, HalfRangeJumpsGoTheNearestWay) {
    SeqTsUnwrapper u;
    Expect(u, {{0, 0, k32, k16},
            {0x7FFFFFFFu, 32767, k32 + 0x7FFFFFFFu, k16 + 32767}});  // largest steps forwards
    SeqTsUnwrapper v;
    // 0x8000 ahead is read as 0x8000 behind.
    Expect(v, {{0, 0, k32, k16}, {0x80000000u, 32768, k32 - 0x80000000u, k16 - 32768}});
}

TEST(SeqTsUnwrapper, WithoutOffsetTheFirstPacketKeepsItsValue) {
    SeqTsUnwrapper u;
    u.OpenOffet(false);
    Expect(u, {{1000, 10, 1000, 10}, {2000, 11, 2000, 11}});
}

TEST(SeqTsUnwrapper, NoUpdateMapsWithoutMovingAndResetStartsOver) {
    SeqTsUnwrapper u;
    uint64_t out = 0;
    u.UnwrapNoUpdate(77, &out);
    EXPECT_EQ(out, k32 + 77);
    Expect(u, {{0xFFFFFF00u, 1, k32 + 0xFFFFFF00u, k16 + 1}});
    u.UnwrapNoUpdate(0x100, &out);
    EXPECT_EQ(out, 2 * k32 + 0x100);
    u.UnwrapNoUpdate(0xFFFFFE00u, &out);
    EXPECT_EQ(out, k32 + 0xFFFFFE00u);
    // The reference did not move: the next packet is placed against the first one.
    Expect(u, {{0xFFFFFF10u, 2, k32 + 0xFFFFFF10u, k16 + 2}});

    u.Reset();
    u.UnwrapNoUpdate(5, &out);
    EXPECT_EQ(out, k32 + 5);
    Expect(u, {{9, 40000, k32 + 9, k16 + 40000}});
}

}  // namespace
}  // namespace NetBit
