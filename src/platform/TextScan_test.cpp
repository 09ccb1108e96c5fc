// Skipping blanks and words.
#include "platform/TextScan.h"

#include <gtest/gtest.h>

namespace {

using namespace NetBit;

TEST(TextScan, TrimLeftAndSkipNonEmptyChars) {
    const char* text = " \t\r\nword next";
    EXPECT_EQ(trimLeft(text), text + 4);
    EXPECT_EQ(skipNonEmptyChars(text + 4), text + 8);
    EXPECT_EQ(trimLeft(text + 8), text + 9);
    EXPECT_EQ(skipNonEmptyChars(text + 9), text + 13);  // stops at the NUL
    const char* blanks = "  \n";
    EXPECT_EQ(trimLeft(blanks), blanks + 3);
    EXPECT_EQ(skipNonEmptyChars(blanks), blanks);
    const char* other = "\vx";  // only ' ', '\t', '\n' and '\r' are blanks
    EXPECT_EQ(trimLeft(other), other);
    EXPECT_EQ(skipNonEmptyChars(other), other + 2);
    EXPECT_EQ(trimLeft(nullptr), nullptr);
    EXPECT_EQ(skipNonEmptyChars(nullptr), nullptr);
}

}  // namespace
