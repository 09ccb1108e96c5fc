// The resend schedule, driven by explicit times.
#include "signalling/channel/RetransmissionList.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zeqmcdn {
namespace {

constexpr int64_t kT = 1700000000000;
using Scan = RetransmissionList::ScanResult;

class RecordingSender : public RetransmissionList::Sender {
public:
    void Resend(const uint8_t* datagram, size_t len) override {
        sent.emplace_back(reinterpret_cast<const char*>(datagram), len);
    }
    std::vector<std::string> sent;
};

void Add(RetransmissionList* list, uint16_t id, int64_t now, int32_t max, int32_t interval, const std::string& bytes) {
    list->Add(id, now, max, interval, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

TEST(RetransmissionListTest, FourSendsNinetyApartThenRemoved) {
    RetransmissionList list;
    RecordingSender sender;
    Add(&list, 5, kT, 4, 90, "req");
    EXPECT_EQ(list.Scan(kT + 89, &sender), Scan::kIdle);
    EXPECT_EQ(list.Scan(kT + 90, &sender), Scan::kResent);
    EXPECT_EQ(list.Scan(kT + 90, &sender), Scan::kIdle);
    EXPECT_EQ(list.Scan(kT + 179, &sender), Scan::kIdle);
    EXPECT_EQ(list.Scan(kT + 180, &sender), Scan::kResent);
    EXPECT_EQ(list.Scan(kT + 270, &sender), Scan::kResent);
    EXPECT_EQ(list.SendCount(5), 4);
    EXPECT_EQ(list.Scan(kT + 271, &sender), Scan::kRemoved);
    EXPECT_EQ(list.Size(), 0u);
    EXPECT_EQ(list.Scan(kT + 10000, &sender), Scan::kIdle);
    EXPECT_EQ(sender.sent, (std::vector<std::string>{"req", "req", "req"}));
}

TEST(RetransmissionListTest, HeartBeatScheduleTwoSends) {
    RetransmissionList list;
    RecordingSender sender;
    Add(&list, 1, kT, 2, 400, "hb");
    EXPECT_EQ(list.Scan(kT + 399, &sender), Scan::kIdle);
    EXPECT_EQ(list.Scan(kT + 400, &sender), Scan::kResent);
    EXPECT_EQ(list.Scan(kT + 800, &sender), Scan::kRemoved);
    EXPECT_EQ(sender.sent.size(), 1u);
}

TEST(RetransmissionListTest, StopRetryRemovesEveryRecordOfThatIdAtLaterScans) {
    RetransmissionList list;
    RecordingSender sender;
    Add(&list, 3, kT, 4, 90, "a");
    Add(&list, 4, kT, 4, 90, "b");
    Add(&list, 3, kT, 4, 90, "c");
    list.StopRetry(3);
    EXPECT_EQ(list.Scan(kT, &sender), Scan::kRemoved);  // "a"
    EXPECT_EQ(list.Size(), 2u);
    EXPECT_EQ(list.Scan(kT, &sender), Scan::kRemoved);  // the walk passes "b", not due, and drops "c"
    EXPECT_EQ(list.Size(), 1u);
    EXPECT_EQ(list.Scan(kT + 90, &sender), Scan::kResent);
    EXPECT_EQ(sender.sent, (std::vector<std::string>{"b"}));
}

TEST(RetransmissionListTest, OneActionPerPassFromTheStart) {
    RetransmissionList list;
    RecordingSender sender;
    Add(&list, 1, kT, 4, 90, "x");
    Add(&list, 2, kT, 4, 90, "y");
    EXPECT_EQ(list.Scan(kT + 90, &sender), Scan::kResent);
    EXPECT_EQ(list.Scan(kT + 90, &sender), Scan::kResent);
    EXPECT_EQ(sender.sent, (std::vector<std::string>{"x", "y"}));
    EXPECT_EQ(list.SendCount(1), 2);
    EXPECT_EQ(list.SendCount(2), 2);
}

TEST(RetransmissionListTest, NothingRecordedForEmptyDatagram) {
    RetransmissionList list;
    list.Add(1, kT, 4, 90, nullptr, 10);
    Add(&list, 1, kT, 4, 90, "");
    EXPECT_EQ(list.Size(), 0u);
}

}  // namespace
}  // namespace zeqmcdn
