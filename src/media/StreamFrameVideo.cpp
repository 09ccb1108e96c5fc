#include "media/StreamFrameVideo.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <utility>

namespace NetBit {

namespace {
constexpr uint8_t kStartCode[4] = {0, 0, 0, 1};
}  // namespace

StreamFrameVideo::~StreamFrameVideo() { FreeData(); }

void StreamFrameVideo::FreeData() {
    std::free(mData);
    mData = nullptr;
    mSize = 0;
}

void StreamFrameVideo::CopyFrame(const StreamFrameBase* other) {
    if (!AcceptPeer(other, "CopyFrame", __LINE__)) return;
    CopyHeader(*other);
    const auto* video = dynamic_cast<const StreamFrameVideo*>(other);
    if (video == nullptr) return;
    SetBits(video->mData, video->mSize, false);
    mQueueTime = video->mQueueTime;
    mFlags = video->mFlags;
    mGlobalDelay = video->mGlobalDelay;
    mJitterBuffer = video->mJitterBuffer;
    mHalfRtt = video->mHalfRtt;
    std::memcpy(mExtra, video->mExtra, sizeof(mExtra));
}

void StreamFrameVideo::SwapFrame(StreamFrameBase* other) {
    if (!AcceptPeer(other, "SwapFrame", __LINE__)) return;
    SwapHeader(*other);
    auto* video = dynamic_cast<StreamFrameVideo*>(other);
    if (video == nullptr) return;
    std::swap(mData, video->mData);
    std::swap(mSize, video->mSize);
    std::swap(mQueueTime, video->mQueueTime);
    std::swap(mFlags, video->mFlags);
    std::swap(mGlobalDelay, video->mGlobalDelay);
    std::swap(mJitterBuffer, video->mJitterBuffer);
    std::swap(mHalfRtt, video->mHalfRtt);
    std::swap(mExtra, video->mExtra);
}

bool StreamFrameVideo::SetBits(const void* data, int len, bool start_code) {
    if (len < 0 || (data == nullptr && len > 0)) return false;
    const size_t prefix = start_code ? sizeof(kStartCode) : 0;
    const size_t total = prefix + static_cast<size_t>(len);
    if (total > static_cast<size_t>(std::numeric_limits<int32_t>::max())) return false;
    // Built aside first: `data` may point into this frame's own buffer.
    uint8_t* bits = nullptr;
    if (total > 0) {
        bits = static_cast<uint8_t*>(std::malloc(total));
        if (bits == nullptr) {
            FreeData();
            return false;
        }
        if (prefix > 0) std::memcpy(bits, kStartCode, prefix);
        if (len > 0) std::memcpy(bits + prefix, data, static_cast<size_t>(len));
    }
    FreeData();
    mData = bits;
    mSize = static_cast<int32_t>(total);
    return true;
}

void StreamFrameVideo::AdoptBits(uint8_t* data, int size) {
    if (data == mData) {
        // Already ours: only the size can change, and only downwards.
        if (size >= 0 && size <= mSize) mSize = size;
        return;
    }
    FreeData();
    if (data == nullptr || size < 1) {
        std::free(data);
        return;
    }
    mData = data;
    mSize = size;
}

bool StreamFrameVideo::Truncate(int size) {
    if (size < 0 || size > mSize) return false;
    mSize = size;
    return true;
}

}  // namespace NetBit
