// Duplicate suppression of the server's requests over the 8 s window.
#include "signalling/channel/ServerRequestList.h"

#include <gtest/gtest.h>

namespace zeqmcdn {
namespace {

constexpr int64_t kT = 1000000;

TEST(ServerRequestListTest, RepeatedIdInsideWindowIsDuplicateAndRefreshesTime) {
    ServerRequestList list;
    EXPECT_TRUE(list.Note(7, kT));
    EXPECT_FALSE(list.Note(7, kT + 5000));
    EXPECT_TRUE(list.Note(8, kT + 13000));  // another id is new
    // The window runs from the last copy: 8000 ms after it the record is still held.
    EXPECT_FALSE(list.Note(7, kT + 13000));
    EXPECT_FALSE(list.ExpireOne(kT + 21000));
    EXPECT_TRUE(list.ExpireOne(kT + 21001));
    EXPECT_TRUE(list.ExpireOne(kT + 21001));
    EXPECT_EQ(list.Size(), 0u);
    EXPECT_TRUE(list.Note(7, kT + 21002));
}

TEST(ServerRequestListTest, ExpiresOneRecordPerPassInArrivalOrder) {
    ServerRequestList list;
    list.Note(1, kT);
    list.Note(2, kT + 10);
    list.Note(3, kT + 20000);
    EXPECT_TRUE(list.ExpireOne(kT + 8011));
    EXPECT_EQ(list.Size(), 2u);
    EXPECT_TRUE(list.ExpireOne(kT + 8011));
    EXPECT_FALSE(list.ExpireOne(kT + 8011));  // id 3 is recent
    EXPECT_EQ(list.Size(), 1u);
}

TEST(ServerRequestListTest, StaleRecordNotYetExpiredCountsAsNew) {
    ServerRequestList list;
    EXPECT_TRUE(list.Note(9, kT));
    EXPECT_TRUE(list.Note(9, kT + 8001));
    EXPECT_FALSE(list.Note(9, kT + 8002));
    EXPECT_EQ(list.Size(), 1u);
}

}  // namespace
}  // namespace zeqmcdn
