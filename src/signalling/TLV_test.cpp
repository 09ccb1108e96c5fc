// TLV entries and the message header: exact bytes written, and the reading rules.
#include "signalling/TLV.h"

#include <gtest/gtest.h>

#include <vector>

namespace dive {
namespace {

std::vector<uint8_t> Of(const TLVWriter& w) { return std::vector<uint8_t>(w.Data(), w.Data() + w.Length()); }

TEST(TLVWriter, ScalarsTakeTheirNaturalWidthBigEndian) {
    TLVWriter w;
    w.Write(1, static_cast<uint8_t>(0xAB));
    w.Write(2, static_cast<uint16_t>(0x0102));
    w.Write(3, static_cast<uint32_t>(0x01040100));
    const uint8_t text[] = {'h', 'i'};
    w.Write(4, text, sizeof(text));
    w.Write(5, text, 0);  // an empty byte string is not written
    w.Write(6, DiveBuffer());
    const std::vector<uint8_t> expected = {1, 0, 1, 0xAB, 2, 0, 2, 0x01, 0x02, 3, 0, 4, 0x01, 0x04, 0x01, 0x00,
                                           4, 0, 2, 'h',  'i'};
    EXPECT_EQ(Of(w), expected);
}

TEST(TLVWriter, NestedListIsOneByteStringAndOversizeFails) {
    TLVWriter inner;
    inner.Write(7, static_cast<uint8_t>(1));
    TLVWriter outer;
    outer.Write(23, inner);
    EXPECT_EQ(Of(outer), (std::vector<uint8_t>{23, 0, 4, 7, 0, 1, 1}));
    EXPECT_FALSE(outer.Failed());

    // 65535 bytes fit the 16-bit length; one more cannot be encoded and fails the writer (and every
    // writer it is nested in) instead of writing a wrapped length.
    std::vector<uint8_t> big(TLVWriter::kMaxValueLength + 1, 0x5A);
    TLVWriter fits;
    fits.Write(1, big.data(), big.size() - 1);
    EXPECT_FALSE(fits.Failed());
    EXPECT_EQ(fits.Length(), 3 + TLVWriter::kMaxValueLength);
    TLVWriter tooBig;
    tooBig.Write(1, big.data(), big.size());
    EXPECT_TRUE(tooBig.Failed());
    EXPECT_EQ(tooBig.Length(), 0u);
    TLVWriter parent;
    parent.Write(2, tooBig);
    EXPECT_TRUE(parent.Failed());
}

TEST(TLVHeader, WritesVersionKindAndIdAndKeepsTheOpaqueNibbleWhenRead) {
    TLVHeader h;
    h.kind = 3;
    h.msgId = 0xBEEF;
    h.opaque = 9;  // never written
    DiveBuffer b;
    h.WriteHeader(&b);
    EXPECT_EQ(std::vector<uint8_t>(b.Data(), b.Data() + b.Length()), (std::vector<uint8_t>{2, 3, 0xBE, 0xEF}));

    const uint8_t in[] = {7, 0xA1, 0x12, 0x34};  // version not checked; high nibble opaque
    TLVHeader r;
    ASSERT_TRUE(r.ReadHeader(in, sizeof(in)));
    EXPECT_EQ(r.version, 7);
    EXPECT_EQ(r.opaque, 0xA);
    EXPECT_EQ(r.kind, 1);
    EXPECT_EQ(r.msgId, 0x1234);
    EXPECT_FALSE(r.ReadHeader(in, 3));
}

TEST(TLVReader, ScalarReadsTakeTheFirstWidthBytesWhateverTheLength) {
    // tag 1: L=4 {0x0A,0x0B,0x0C,0x0D}; tag 2: L=1 {0x7F}
    const uint8_t list[] = {1, 0, 4, 0x0A, 0x0B, 0x0C, 0x0D, 2, 0, 1, 0x7F};
    TLVReader r(list, sizeof(list));
    uint8_t u8 = 0;
    uint16_t u16 = 0;
    uint32_t u32 = 0;
    EXPECT_EQ(r.Read(1, &u8), TLVReader::kFound);
    EXPECT_EQ(u8, 0x0A);
    EXPECT_EQ(r.Read(1, &u16), TLVReader::kFound);
    EXPECT_EQ(u16, 0x0A0B);
    EXPECT_EQ(r.Read(1, &u32), TLVReader::kFound);
    EXPECT_EQ(u32, 0x0A0B0C0Du);
    EXPECT_EQ(r.Read(2, &u8), TLVReader::kFound);
    EXPECT_EQ(u8, 0x7F);
    // Wider than the value: not taken, the target keeps its value (no read past the entry).
    u16 = 0x5555;
    u32 = 0x66666666;
    EXPECT_EQ(r.Read(2, &u16), TLVReader::kNotFound);
    EXPECT_EQ(r.Read(2, &u32), TLVReader::kNotFound);
    EXPECT_EQ(u16, 0x5555);
    EXPECT_EQ(u32, 0x66666666u);
    EXPECT_EQ(r.Read(9, &u8), TLVReader::kNotFound);
}

TEST(TLVReader, OccurrencesCountOnlyEntriesWithTheTagInOrder) {
    const uint8_t list[] = {22, 0, 1, 'a', 5, 0, 1, 'x', 22, 0, 0, 22, 0, 2, 'b', 'c'};
    TLVReader r(list, sizeof(list));
    EXPECT_EQ(r.TagNum(22), 3u);
    EXPECT_EQ(r.TagNum(5), 1u);
    EXPECT_EQ(r.TagNum(6), 0u);
    DiveBuffer b;
    EXPECT_EQ(r.Read(22, &b, 0), TLVReader::kFound);
    EXPECT_EQ(b.ToString(), "a");
    EXPECT_EQ(r.Read(22, &b, 1), TLVReader::kFound);  // empty value: found, appends nothing
    EXPECT_EQ(b.ToString(), "a");
    EXPECT_EQ(r.Read(22, &b, 2), TLVReader::kFound);  // byte reads append
    EXPECT_EQ(b.ToString(), "abc");
    EXPECT_EQ(r.Read(22, &b, 3), TLVReader::kNotFound);
    std::vector<std::string> seen;
    r.ForEach(22, [&](const uint8_t* v, size_t l) { seen.emplace_back(reinterpret_cast<const char*>(v), l); });
    EXPECT_EQ(seen, (std::vector<std::string>{"a", "", "bc"}));
}

TEST(TLVReader, AnEntryRunningPastTheEndEndsTheScan) {
    struct Case {
        const char* what;
        std::vector<uint8_t> list;
        size_t tag1Count;
        size_t tag2Count;
    } cases[] = {
        {"empty", {}, 0, 0},
        {"shorter than an entry header", {1, 0}, 0, 0},
        {"header only, zero length", {1, 0, 0}, 1, 0},
        {"last entry cut", {1, 0, 1, 9, 2, 0, 5, 1, 2, 3}, 1, 0},
        {"first entry overruns: nothing after it is seen", {2, 0, 9, 1, 0, 1, 9}, 0, 0},
        {"trailing 0xFF padding", {1, 0, 1, 9, 0xFF, 0xFF, 0xFF}, 1, 0},
        {"one stray trailing byte", {1, 0, 1, 9, 2}, 1, 0},
    };
    for (const Case& c : cases) {
        TLVReader r(c.list.data(), c.list.size());
        EXPECT_EQ(r.TagNum(1), c.tag1Count) << c.what;
        EXPECT_EQ(r.TagNum(2), c.tag2Count) << c.what;
        uint8_t v = 0;
        EXPECT_EQ(r.Read(2, &v), TLVReader::kNotFound) << c.what;
    }
}

TEST(DiveBuffer, AssigningAnEmptyBufferLeavesTheTargetUnchanged) {
    DiveBuffer a(std::string("cookie"));
    a = DiveBuffer();
    EXPECT_EQ(a.ToString(), "cookie");
    a = DiveBuffer(std::string("new"));
    EXPECT_EQ(a.ToString(), "new");
    a.Clear();
    EXPECT_TRUE(a.Empty());
}

}  // namespace
}  // namespace dive
