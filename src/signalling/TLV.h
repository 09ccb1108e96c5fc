// The body of a signalling message: a 4-byte message header, then a flat list of TLV entries.
//
// Message header (TLVHeader), the first four bytes of the APP data:
//
//   0                   1                   2                   3
//   0 1 2 3 4 5 6 7 8 9 0 1 2 3 4 5 6 7 8 9 0 1 2 3 4 5 6 7 8 9 0 1
//  +-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+
//  |  version = 2  | opaque| kind  |          message id           |
//  +-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+
//
//  "opaque" is written 0 and kept as it came when read; the version is not checked when read.
//
// TLV entry (all integers big-endian):
//
//   0                   1                   2                   3
//   0 1 2 3 4 5 6 7 8 9 0 1 2 3 4 5 6 7 8 9 0 1 2 3 4 5 6 7 8 9 0 1
//  +-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+
//  |      tag      |         value length L        |  value ...    :
//  +-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+               :
//  :                    L bytes of value                           :
//  +-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+
//
// Scalars take their natural width (uint8 L=1, uint16 L=2, uint32 L=4). Byte strings (texts, blobs,
// nested lists) take L = their length and are not written at all when empty. A nested list is the
// plain concatenation of its entries.
#pragma once

#include <cstddef>
#include <cstdint>

#include "signalling/DiveBuffer.h"

namespace dive {

// Thread safety: none (plain value).
struct TLVHeader {
    static constexpr uint8_t kVersion = 2;
    static constexpr size_t kSize = 4;

    uint8_t version = kVersion;
    uint8_t opaque = 0;  // high nibble of byte 1 as received (0..15); never written
    uint8_t kind = 0;    // DiveRtcpAppMsgType, 0..15 on the wire
    uint16_t msgId = 0;

    // Appends the four header bytes (version 2, opaque nibble 0, kind's low nibble, message id).
    void WriteHeader(DiveBuffer* buffer) const;
    // Takes the four header bytes; false (fields untouched) when fewer than four bytes are given.
    bool ReadHeader(const uint8_t* data, size_t len);
};

// Appends TLV entries to a growable buffer.
// Thread safety: none; one writer per message being built.
class TLVWriter {
public:
    // Large enough for every message the engine sends without growing.
    static constexpr size_t kInitialCapacity = 1200;
    // The length field has 16 bits.
    static constexpr size_t kMaxValueLength = 0xFFFF;

    TLVWriter() { mBuffer.Reserve(kInitialCapacity); }

    void Write(uint8_t tag, uint8_t value);
    void Write(uint8_t tag, uint16_t value);
    void Write(uint8_t tag, uint32_t value);
    // Nothing is written for len 0. A value longer than kMaxValueLength cannot be encoded: nothing is
    // written and the writer is marked failed.
    void Write(uint8_t tag, const uint8_t* bytes, size_t len);
    void Write(uint8_t tag, const DiveBuffer& bytes) { Write(tag, bytes.Data(), bytes.Length()); }
    // A nested list as one byte-string entry; a failed nested writer fails this one too.
    void Write(uint8_t tag, const TLVWriter& nested);

    // True once an entry could not be encoded; the buffer must not be sent then.
    bool Failed() const { return mFailed; }
    DiveBuffer& Buffer() { return mBuffer; }
    const DiveBuffer& Buffer() const { return mBuffer; }
    const uint8_t* Data() const { return mBuffer.Data(); }
    size_t Length() const { return mBuffer.Length(); }

private:
    void PutEntryHeader(uint8_t tag, size_t len);

    DiveBuffer mBuffer;
    bool mFailed = false;
};

// Reads entries of one TLV list. It does not own the bytes: they must outlive the reader.
//
// Reading rules: entries are visited from the start, the next entry sitting at offset + 3 + L. A list
// shorter than 3 bytes has no entries. An entry whose value would run past the end of the list (or a
// tail too short for an entry header) ends the scan and is never taken. `occurrence` selects the n-th
// (from 0) of the visited entries carrying the tag. A scalar read takes the first `width` bytes of the
// value, big-endian; an entry shorter than the width is not taken. A byte-string read appends the
// value to the target.
// Thread safety: const methods only; safe to share once constructed.
class TLVReader {
public:
    enum TLVRet { kFound = 0, kNotFound = 1 };

    TLVReader() = default;
    TLVReader(const uint8_t* data, size_t len) : mData(data), mLen(data ? len : 0) {}
    explicit TLVReader(const DiveBuffer& list) : TLVReader(list.Data(), list.Length()) {}

    TLVRet Read(uint8_t tag, uint8_t* out, size_t occurrence = 0) const;
    TLVRet Read(uint8_t tag, uint16_t* out, size_t occurrence = 0) const;
    TLVRet Read(uint8_t tag, uint32_t* out, size_t occurrence = 0) const;
    TLVRet Read(uint8_t tag, DiveBuffer* out, size_t occurrence = 0) const;
    // The value of an entry, in place.
    TLVRet Find(uint8_t tag, const uint8_t** value, size_t* len, size_t occurrence = 0) const;
    // A reader over the value of an entry (a nested list); an empty reader when there is none.
    TLVReader Nested(uint8_t tag, size_t occurrence = 0) const;
    size_t TagNum(uint8_t tag) const;

    // Calls fn(value, len) for every entry with the tag, in order of appearance: the same entries as
    // occurrences 0 .. TagNum(tag) - 1, in one pass.
    template <typename Fn>
    void ForEach(uint8_t tag, Fn&& fn) const {
        size_t pos = 0;
        uint8_t t = 0;
        const uint8_t* value = nullptr;
        size_t len = 0;
        while (Next(&pos, &t, &value, &len))
            if (t == tag) fn(value, len);
    }

    const uint8_t* Data() const { return mData; }
    size_t Length() const { return mLen; }

private:
    // Visits the entry at *pos; false at the end of the scan.
    bool Next(size_t* pos, uint8_t* tag, const uint8_t** value, size_t* len) const;
    TLVRet ReadScalar(uint8_t tag, size_t width, uint32_t* out, size_t occurrence) const;

    const uint8_t* mData = nullptr;
    size_t mLen = 0;
};

}  // namespace dive
