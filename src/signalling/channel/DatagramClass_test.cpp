// Which path each kind of datagram takes.
#include "signalling/channel/DatagramClass.h"

#include <gtest/gtest.h>

#include <vector>

namespace zeqmcdn {
namespace {

struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    DatagramClass expected;
};

std::vector<uint8_t> Bytes(size_t len, uint8_t b0, uint8_t b1) {
    std::vector<uint8_t> v(len, 0);
    if (len > 0) v[0] = b0;
    if (len > 1) v[1] = b1;
    return v;
}

TEST(DatagramClassTest, ClassifiesByVersionAndPacketType) {
    const Case cases[] = {
        {"empty", {}, DatagramClass::kDropped},
        {"one byte", Bytes(1, 0x80, 0), DatagramClass::kDropped},
        {"11 bytes, byte 1 = 0x60", Bytes(11, 0x80, 0x60), DatagramClass::kDropped},
        {"11 bytes, version 2 alone is not enough", Bytes(11, 0x80, 0x00), DatagramClass::kDropped},
        {"RTP, 12 bytes, version 2", Bytes(12, 0x80, 0x60), DatagramClass::kMedia},
        {"12 bytes, version 0, payload type 96", Bytes(12, 0x00, 0x60), DatagramClass::kDropped},
        {"12 bytes, version 0, RTCP type range", Bytes(12, 0x00, 0xC8), DatagramClass::kMedia},
        {"sender report", Bytes(28, 0x80, 200), DatagramClass::kMedia},
        {"APP, full header", Bytes(16, 0x80, 204), DatagramClass::kSignalling},
        {"APP, 4 bytes", Bytes(4, 0x80, 204), DatagramClass::kSignalling},
        {"APP byte, 3 bytes", Bytes(3, 0x80, 204), DatagramClass::kMedia},
        {"short RTCP-range datagram", Bytes(2, 0x00, 0x40), DatagramClass::kMedia},
        {"APP with version 1 is still in the type range", Bytes(12, 0x40, 204), DatagramClass::kSignalling},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ClassifyDatagram(c.bytes.data(), c.bytes.size()), c.expected) << c.what;
    }
    EXPECT_EQ(ClassifyDatagram(nullptr, 20), DatagramClass::kDropped);
}

}  // namespace
}  // namespace zeqmcdn
