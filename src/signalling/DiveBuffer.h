// An owned, growable byte string: the text and blob type of every signalling record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace dive {

// Thread safety: none; a buffer belongs to one record or one writer at a time.
class DiveBuffer {
public:
    DiveBuffer() = default;
    DiveBuffer(const void* data, size_t len) { Append(data, len); }
    explicit DiveBuffer(const std::string& text) { Append(text.data(), text.size()); }
    DiveBuffer(const DiveBuffer&) = default;
    DiveBuffer(DiveBuffer&&) noexcept = default;
    // Assigning an empty buffer leaves this one unchanged (Clear() empties it).
    DiveBuffer& operator=(const DiveBuffer& other);
    DiveBuffer& operator=(DiveBuffer&& other) noexcept;
    ~DiveBuffer() = default;

    void Append(const void* data, size_t len);
    void Append(uint8_t byte) { mBytes.push_back(byte); }
    void Assign(const void* data, size_t len);
    void Clear() { mBytes.clear(); }
    void Reserve(size_t capacity) { mBytes.reserve(capacity); }

    const uint8_t* Data() const { return mBytes.data(); }
    uint8_t* Data() { return mBytes.data(); }
    size_t Length() const { return mBytes.size(); }
    size_t Capacity() const { return mBytes.capacity(); }
    bool Empty() const { return mBytes.empty(); }
    uint8_t operator[](size_t i) const { return mBytes[i]; }

    std::string ToString() const { return std::string(mBytes.begin(), mBytes.end()); }

    bool operator==(const DiveBuffer& other) const { return mBytes == other.mBytes; }
    bool operator!=(const DiveBuffer& other) const { return mBytes != other.mBytes; }

private:
    std::vector<uint8_t> mBytes;
};

}  // namespace dive
