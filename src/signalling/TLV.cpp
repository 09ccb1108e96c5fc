#include "signalling/TLV.h"

#include "osal/LLog.h"

namespace dive {

namespace {
constexpr size_t kEntryHeaderSize = 3;  // tag, 16-bit length
}

void TLVHeader::WriteHeader(DiveBuffer* buffer) const {
    const uint8_t bytes[kSize] = {kVersion, static_cast<uint8_t>(kind & 0x0F), static_cast<uint8_t>(msgId >> 8),
                                  static_cast<uint8_t>(msgId & 0xFF)};
    buffer->Append(bytes, sizeof(bytes));
}

bool TLVHeader::ReadHeader(const uint8_t* data, size_t len) {
    if (!data || len < kSize) return false;
    version = data[0];
    opaque = static_cast<uint8_t>(data[1] >> 4);
    kind = static_cast<uint8_t>(data[1] & 0x0F);
    msgId = static_cast<uint16_t>((data[2] << 8) | data[3]);
    return true;
}

void TLVWriter::PutEntryHeader(uint8_t tag, size_t len) {
    const uint8_t header[kEntryHeaderSize] = {tag, static_cast<uint8_t>(len >> 8), static_cast<uint8_t>(len & 0xFF)};
    mBuffer.Append(header, sizeof(header));
}

void TLVWriter::Write(uint8_t tag, uint8_t value) {
    PutEntryHeader(tag, 1);
    mBuffer.Append(value);
}

void TLVWriter::Write(uint8_t tag, uint16_t value) {
    PutEntryHeader(tag, 2);
    const uint8_t bytes[2] = {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value & 0xFF)};
    mBuffer.Append(bytes, sizeof(bytes));
}

void TLVWriter::Write(uint8_t tag, uint32_t value) {
    PutEntryHeader(tag, 4);
    const uint8_t bytes[4] = {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>((value >> 16) & 0xFF),
                              static_cast<uint8_t>((value >> 8) & 0xFF), static_cast<uint8_t>(value & 0xFF)};
    mBuffer.Append(bytes, sizeof(bytes));
}

void TLVWriter::Write(uint8_t tag, const uint8_t* bytes, size_t len) {
    if (!bytes || len == 0) return;
    if (len > kMaxValueLength) {
        VLOGE("TLV tag %u: value of %zu bytes exceeds the 16-bit length\n", tag, len);
        mFailed = true;
        return;
    }
    PutEntryHeader(tag, len);
    mBuffer.Append(bytes, len);
}

void TLVWriter::Write(uint8_t tag, const TLVWriter& nested) {
    if (nested.Failed()) {
        mFailed = true;
        return;
    }
    Write(tag, nested.Data(), nested.Length());
}

bool TLVReader::Next(size_t* pos, uint8_t* tag, const uint8_t** value, size_t* len) const {
    if (*pos > mLen || mLen - *pos < kEntryHeaderSize) return false;
    const uint8_t* p = mData + *pos;
    const size_t valueLen = static_cast<size_t>((p[1] << 8) | p[2]);
    if (valueLen > mLen - *pos - kEntryHeaderSize) return false;  // overruns the list: the scan ends
    *tag = p[0];
    *value = p + kEntryHeaderSize;
    *len = valueLen;
    *pos += kEntryHeaderSize + valueLen;
    return true;
}

TLVReader::TLVRet TLVReader::Find(uint8_t tag, const uint8_t** value, size_t* len, size_t occurrence) const {
    size_t pos = 0;
    uint8_t t = 0;
    const uint8_t* v = nullptr;
    size_t l = 0;
    while (Next(&pos, &t, &v, &l)) {
        if (t != tag) continue;
        if (occurrence == 0) {
            *value = v;
            *len = l;
            return kFound;
        }
        --occurrence;
    }
    return kNotFound;
}

size_t TLVReader::TagNum(uint8_t tag) const {
    size_t n = 0;
    ForEach(tag, [&n](const uint8_t*, size_t) { ++n; });
    return n;
}

TLVReader::TLVRet TLVReader::ReadScalar(uint8_t tag, size_t width, uint32_t* out, size_t occurrence) const {
    const uint8_t* v = nullptr;
    size_t l = 0;
    if (Find(tag, &v, &l, occurrence) != kFound) return kNotFound;
    if (l < width) {
        VLOGW("TLV tag %u holds %zu bytes, too few for a %zu-byte value; ignored\n", tag, l, width);
        return kNotFound;
    }
    uint32_t value = 0;
    for (size_t i = 0; i < width; ++i) value = (value << 8) | v[i];
    *out = value;
    return kFound;
}

TLVReader::TLVRet TLVReader::Read(uint8_t tag, uint8_t* out, size_t occurrence) const {
    uint32_t v = 0;
    if (ReadScalar(tag, 1, &v, occurrence) != kFound) return kNotFound;
    *out = static_cast<uint8_t>(v);
    return kFound;
}

TLVReader::TLVRet TLVReader::Read(uint8_t tag, uint16_t* out, size_t occurrence) const {
    uint32_t v = 0;
    if (ReadScalar(tag, 2, &v, occurrence) != kFound) return kNotFound;
    *out = static_cast<uint16_t>(v);
    return kFound;
}

TLVReader::TLVRet TLVReader::Read(uint8_t tag, uint32_t* out, size_t occurrence) const {
    return ReadScalar(tag, 4, out, occurrence);
}

TLVReader::TLVRet TLVReader::Read(uint8_t tag, DiveBuffer* out, size_t occurrence) const {
    const uint8_t* v = nullptr;
    size_t l = 0;
    if (Find(tag, &v, &l, occurrence) != kFound) return kNotFound;
    out->Append(v, l);
    return kFound;
}

TLVReader TLVReader::Nested(uint8_t tag, size_t occurrence) const {
    const uint8_t* v = nullptr;
    size_t l = 0;
    if (Find(tag, &v, &l, occurrence) != kFound) return TLVReader();
    return TLVReader(v, l);
}

}  // namespace dive
