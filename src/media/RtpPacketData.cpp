#include "media/RtpPacketData.h"

#include <cstdlib>
#include <cstring>
#include <utility>

namespace NetBit {

RtpPacketData::~RtpPacketData() { FreeData(); }

void RtpPacketData::FreeData() {
    if (mOwnsData) std::free(mData);
    mData = nullptr;
    mOwnsData = true;
    mCapacity = 0;
    mLength = 0;
    mAllocated = 0;
}

void RtpPacketData::ClearParseState() {
    mHeader.reset();
    mHadParseHeader = false;
    mPacketType = 0;
}

bool RtpPacketData::SetLength(int length) {
    if (length < 0 || length > mCapacity) return false;
    mLength = length;
    return true;
}

bool RtpPacketData::AttachBuffer(uint8_t* data, int capacity, int length, bool take_ownership) {
    if (length < 0 || capacity < length || (data == nullptr && capacity > 0)) return false;
    if (data != mData) FreeData();
    mData = data;
    mOwnsData = take_ownership;
    mCapacity = capacity;
    mLength = length;
    mAllocated = take_ownership ? capacity : 0;
    ClearParseState();
    return true;
}

bool RtpPacketData::Store(const void* packet, int capacity, int length, bool copy_capacity) {
    if (length < 0 || capacity < length) return false;
    const int copied = copy_capacity ? capacity : length;
    if (packet == nullptr && copied > 0) return false;
    if (capacity == 0) {
        FreeData();
        ClearParseState();
        return true;
    }
    uint8_t* target = mData;
    const bool reuse = mOwnsData && mData != nullptr && mAllocated >= capacity;
    if (!reuse) {
        target = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(capacity)));
        if (target == nullptr) return false;
    }
    // memmove: the packet may lie inside our own buffer.
    if (copied > 0) std::memmove(target, packet, static_cast<size_t>(copied));
    if (copied < capacity) std::memset(target + copied, 0, static_cast<size_t>(capacity - copied));
    if (!reuse) {
        const int allocated = capacity;
        FreeData();
        mData = target;
        mAllocated = allocated;
    }
    mCapacity = capacity;
    mLength = length;
    ClearParseState();
    return true;
}

void RtpPacketData::CopyPacket(const RtpPacketData& other) {
    if (&other == this) return;
    // Out of memory leaves an empty packet rather than the old bytes under the new header.
    if (other.mData == nullptr || !Store(other.mData, other.mCapacity, other.mLength, true)) FreeData();
    mPacketType = other.mPacketType;
    mUnwraperTs = other.mUnwraperTs;
    mUnwraperSeq = other.mUnwraperSeq;
    mHeader = other.mHeader;
    mHadParseHeader = other.mHadParseHeader;
}

void RtpPacketData::SwapPacket(RtpPacketData& other) {
    std::swap(mData, other.mData);
    std::swap(mOwnsData, other.mOwnsData);
    std::swap(mCapacity, other.mCapacity);
    std::swap(mLength, other.mLength);
    std::swap(mAllocated, other.mAllocated);
    std::swap(mPacketType, other.mPacketType);
    std::swap(mUnwraperTs, other.mUnwraperTs);
    std::swap(mUnwraperSeq, other.mUnwraperSeq);
    std::swap(mHeader, other.mHeader);
    std::swap(mHadParseHeader, other.mHadParseHeader);
}

}  // namespace NetBit
