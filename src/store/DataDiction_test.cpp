// One statistics table: typed values as text, reset and clear, its text forms.
#include "store/DataDiction.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

using NetBit::DataDiction;

TEST(DataDiction, TypedValuesAreStoredAsTextAndReadBack) {
    DataDiction t;
    int target = 0;
    t.UpdateInt("i", -42);
    t.UpdateInt64("l", 1234567890123LL);
    t.UpdateDouble("d", 1.5);
    t.UpdatePointer("p", &target);
    t.UpdateBool("t", true);
    t.UpdateBool("f", false);

    EXPECT_EQ(t.Query("i", ""), "-42");
    EXPECT_EQ(t.Query("l", ""), "1234567890123");
    EXPECT_EQ(t.Query("d", ""), "1.500000");
    EXPECT_EQ(t.Query("p", ""), std::to_string(reinterpret_cast<uintptr_t>(&target)));
    EXPECT_EQ(t.Query("t", ""), "true");
    EXPECT_EQ(t.Query("f", ""), "false");

    EXPECT_EQ(t.QueryInt("i", 0), -42);
    EXPECT_EQ(t.QueryInt64("l", 0), 1234567890123LL);
    EXPECT_DOUBLE_EQ(t.QueryDouble("d", 0), 1.5);
    EXPECT_EQ(t.QueryPointer("p", nullptr), &target);
    EXPECT_TRUE(t.QueryBool("t", false));
    EXPECT_FALSE(t.QueryBool("f", true));
}

TEST(DataDiction, MissingOrUnreadableValuesGiveTheDefault) {
    DataDiction t;
    t.Update("text", "abc");
    EXPECT_EQ(t.Query("missing", "dflt"), "dflt");
    EXPECT_EQ(t.QueryInt("missing", 7), 7);
    EXPECT_EQ(t.QueryInt("text", 7), 7);
    EXPECT_EQ(t.QueryInt64("text", -1), -1);
    EXPECT_DOUBLE_EQ(t.QueryDouble("text", 2.5), 2.5);
    EXPECT_TRUE(t.QueryBool("text", true));
    EXPECT_EQ(t.QueryPointer("missing", nullptr), nullptr);
    t.Update("big", "99999999999");
    EXPECT_EQ(t.QueryInt("big", 3), 3);  // out of range for int
    EXPECT_EQ(t.QueryInt64("big", 3), 99999999999LL);
}

TEST(DataDiction, ResetZeroesValuesClearDropsKeys) {
    DataDiction t;
    t.Update("b", "x");
    t.Update("a", "12");
    t.Reset();
    EXPECT_EQ(t.Size(), 2u);
    EXPECT_EQ(t.Query("a", "d"), "0");
    EXPECT_EQ(t.Query("b", "d"), "0");
    t.Clear();
    EXPECT_EQ(t.Size(), 0u);
    EXPECT_FALSE(t.Has("a"));
    EXPECT_EQ(t.Query("a", "d"), "d");
}

TEST(DataDiction, TextFormsListKeysInOrder) {
    DataDiction t;
    EXPECT_EQ(t.ToString(), "{}");
    EXPECT_EQ(t.GetAllKeys(), "");
    t.Update("zeta", "1");
    t.Update("alpha", "a\"b");  // no escaping
    t.Update("mid", "");
    EXPECT_EQ(t.ToString(), "{\"alpha\":\"a\"b\",\"mid\":\"\",\"zeta\":\"1\"}");
    EXPECT_EQ(t.GetAllKeys(), "alpha|mid|zeta");
}

}  // namespace
