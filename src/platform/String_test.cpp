// zeqmcdn::String: construction, copies, concatenation, comparison, indexing.
#include "platform/String.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

using zeqmcdn::String;

TEST(String, FromNullIsEmptyWithRoomForSixteen) {
    String a;
    String b(static_cast<const char*>(nullptr));
    for (const String* s : {&a, &b}) {
        EXPECT_TRUE(s->isEmpty());
        EXPECT_EQ(s->size(), 0u);
        EXPECT_STREQ(s->c_str(), "");
        EXPECT_EQ(s->capacity(), 16u);
    }
    String c("abc");
    EXPECT_EQ(c.size(), 3u);
    EXPECT_STREQ(c.c_str(), "abc");
    c = nullptr;  // assigning null empties
    EXPECT_TRUE(c.isEmpty());
    EXPECT_STREQ(c.c_str(), "");
}

TEST(String, CopiesReuseTheBufferWhenItIsLargeEnough) {
    String big("a rather long identifier text");
    const size_t capacity = big.capacity();
    const char* buffer = big.c_str();
    big = "short";
    EXPECT_EQ(big.c_str(), buffer);  // no reallocation
    EXPECT_EQ(big.capacity(), capacity);
    EXPECT_STREQ(big.c_str(), "short");
    String small;
    small = String("longer than sixteen bytes of text");
    EXPECT_STREQ(small.c_str(), "longer than sixteen bytes of text");
    EXPECT_GE(small.capacity(), small.size() + 1);
    String copy(small);
    EXPECT_EQ(copy, small);
    EXPECT_NE(copy.c_str(), small.c_str());  // its own buffer
    copy = copy;  // self-assignment keeps the text
    EXPECT_STREQ(copy.c_str(), "longer than sixteen bytes of text");
}

TEST(String, ConcatenationAndComparison) {
    String a("0-conn-");
    const String b = a + "12" + String("-") + "ABCdef";
    EXPECT_STREQ(b.c_str(), "0-conn-12-ABCdef");
    EXPECT_STREQ(("x" + a).c_str(), "x0-conn-");
    a += a;  // appending itself
    EXPECT_STREQ(a.c_str(), "0-conn-0-conn-");
    String grown;
    std::string want;
    for (int i = 0; i < 100; ++i) {
        grown += "ab";
        want += "ab";
    }
    EXPECT_EQ(grown.size(), 200u);
    EXPECT_EQ(want, grown.c_str());
    grown += static_cast<const char*>(nullptr);
    EXPECT_EQ(grown.size(), 200u);
    EXPECT_TRUE(String("abc") == String("abc"));
    EXPECT_FALSE(String("abc") == String("abd"));
    EXPECT_FALSE(String("abc") == String("ab"));
    EXPECT_TRUE(String() == static_cast<const char*>(nullptr));
    EXPECT_TRUE(String("x") == "x");
    EXPECT_TRUE(String("x") != "y");
}

TEST(String, IndexBeyondTheTextGivesAnEmptyCharacter) {
    const String s("ab");
    EXPECT_EQ(s[0], 'a');
    EXPECT_EQ(s[1], 'b');
    EXPECT_EQ(s[2], '\0');
    EXPECT_EQ(s[1000], '\0');
    EXPECT_EQ(String()[0], '\0');
}

TEST(String, MovesLeaveAnEmptyUsableText) {
    String a("moved text");
    String b(std::move(a));
    EXPECT_STREQ(b.c_str(), "moved text");
    EXPECT_TRUE(a.isEmpty());  // NOLINT(bugprone-use-after-move): moved-from state is specified
    EXPECT_STREQ(a.c_str(), "");
    EXPECT_EQ(a[0], '\0');
    a += "again";
    EXPECT_STREQ(a.c_str(), "again");
    String c;
    c = std::move(b);
    EXPECT_STREQ(c.c_str(), "moved text");
    b = "reused";
    EXPECT_STREQ(b.c_str(), "reused");
}

}  // namespace
