// Time-seeded random strings and the engine's identifiers.
#include "platform/RandomText.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "osal/TestClock.h"
#include "osal/Thread.h"

namespace {

using namespace NetBit;

bool AllIn(const std::string& text, const char* alphabet) {
    for (char c : text)
        if (!std::strchr(alphabet, c) || c == '\0') return false;
    return true;
}

TEST(RandomText, AlphabetsAreDigitsAndLettersInTheirOrder) {
    EXPECT_STREQ(kAlphabetA62, "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    EXPECT_STREQ(kAlphabetB62, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789");
}

TEST(RandomText, GenerateRandomStringIsSeededByTheCurrentSecond) {
    osal::SimulatedClock clock(1743494709000);
    const std::string first = GenerateRandomString(64);
    ASSERT_EQ(first.size(), 64u);
    EXPECT_TRUE(AllIn(first, kAlphabetA62)) << first;
    clock.Advance(999);  // same second: same text
    EXPECT_EQ(GenerateRandomString(64), first);
    EXPECT_EQ(ZeqUtils::QlogGenerateRandomString(64), first);
    // The draw: the C library generator seeded with the second, one value per character.
    std::srand(1743494709u);
    std::string want;
    for (int i = 0; i < 64; ++i) want += kAlphabetA62[static_cast<unsigned>(std::rand()) % 62];
    EXPECT_EQ(first, want);
    clock.Advance(1);
    EXPECT_NE(GenerateRandomString(64), first);
    EXPECT_EQ(GenerateRandomString(0), "");
    EXPECT_EQ(GenerateRandomString(-3), "");
    EXPECT_EQ(GenerateRandomString(1).size(), 1u);
}

TEST(RandomText, HashOfTheTextComesFirstLeastSignificantDigitFirst) {
    struct Case {
        std::string text;
        uint32_t hash;
        const char* digits;
    } cases[] = {
        {"", 0, ""},
        {"a", 97, "jB"},
        {"ab", 2147284991u, "34wTVC"},
        {"zrtc://edge/live/stream", 1198602823u, "lVNHTB"},
        {"\xff\x80\x7f", 470074504u, "00Xyf"},  // bytes count unsigned
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RandomStringHash(c.text), c.hash) << c.text;
        const std::string id = randomString(0, 12, c.text);
        ASSERT_EQ(id.size(), 12u);
        EXPECT_TRUE(AllIn(id, kAlphabetB62)) << id;
        EXPECT_EQ(id.substr(0, std::strlen(c.digits)), c.digits) << c.text;
    }
    // Fewer characters than digits: the digits are cut.
    EXPECT_EQ(randomString(0, 3, "ab"), "34w");
    EXPECT_EQ(randomString(0, 0, "ab"), "");
    EXPECT_EQ(randomString(0, -1, ""), "");
}

TEST(RandomText, IdentifiersDifferWithinOneSecond) {
    osal::SimulatedClock clock(1743494709000);
    const uintptr_t self = reinterpret_cast<uintptr_t>(&clock);
    std::set<std::string> seen;
    for (int i = 0; i < 200; ++i) seen.insert(randomString(self, 12, ""));
    EXPECT_EQ(seen.size(), 200u);
}

void DrawIdentifiers(void* arg) {
    osal::SetCurrentThreadName("RandomIdThr");
    auto* out = static_cast<std::set<std::string>*>(arg);
    for (int i = 0; i < 300; ++i) out->insert(randomString(reinterpret_cast<uintptr_t>(arg), 16, ""));
}

TEST(RandomText, ConcurrentCallersShareTheCountersSafely) {
    std::set<std::string> sets[4];
    osal::thread threads[4];
    for (int i = 0; i < 4; ++i) threads[i] = osal::thread(&DrawIdentifiers, &sets[i]);
    for (osal::thread& t : threads) t.join();
    std::set<std::string> all;
    for (const auto& s : sets) {
        for (const std::string& id : s) {
            ASSERT_EQ(id.size(), 16u);
            ASSERT_TRUE(AllIn(id, kAlphabetB62));
        }
        all.insert(s.begin(), s.end());
    }
    EXPECT_EQ(all.size(), 1200u);  // every call seeds with a larger value than the one before
}

}  // namespace
