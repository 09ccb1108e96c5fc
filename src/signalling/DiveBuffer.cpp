#include "signalling/DiveBuffer.h"

#include <utility>

namespace dive {

DiveBuffer& DiveBuffer::operator=(const DiveBuffer& other) {
    if (this != &other && !other.Empty()) mBytes = other.mBytes;
    return *this;
}

DiveBuffer& DiveBuffer::operator=(DiveBuffer&& other) noexcept {
    if (this != &other && !other.Empty()) mBytes = std::move(other.mBytes);
    return *this;
}

void DiveBuffer::Append(const void* data, size_t len) {
    if (!data || len == 0) return;
    const uint8_t* p = static_cast<const uint8_t*>(data);
    mBytes.insert(mBytes.end(), p, p + len);
}

void DiveBuffer::Assign(const void* data, size_t len) {
    mBytes.clear();
    Append(data, len);
}

}  // namespace dive
