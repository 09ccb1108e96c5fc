#include "media/StreamFrameAudioGeneric.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <utility>

namespace NetBit {

StreamFrameAudioGeneric::~StreamFrameAudioGeneric() { FreeData(); }

void StreamFrameAudioGeneric::FreeData() {
    std::free(mData);
    mData = nullptr;
    mLength = 0;
}

void StreamFrameAudioGeneric::CopyFrame(const StreamFrameBase* other) {
    if (!AcceptPeer(other, "CopyFrame", __LINE__)) return;
    CopyHeader(*other);
    const auto* audio = dynamic_cast<const StreamFrameAudioGeneric*>(other);
    if (audio != nullptr) CopyFrame(audio->mData, audio->mLength);
}

void StreamFrameAudioGeneric::SwapFrame(StreamFrameBase* other) {
    if (!AcceptPeer(other, "SwapFrame", __LINE__)) return;
    SwapHeader(*other);
    auto* audio = dynamic_cast<StreamFrameAudioGeneric*>(other);
    if (audio == nullptr) return;
    std::swap(mData, audio->mData);
    std::swap(mLength, audio->mLength);
}

bool StreamFrameAudioGeneric::CopyFrame(const void* data, int len) { return CopyFrame(data, len, nullptr, 0); }

bool StreamFrameAudioGeneric::CopyFrame(const void* a, int a_len, const void* b, int b_len) {
    const size_t first = (a != nullptr && a_len > 0) ? static_cast<size_t>(a_len) : 0;
    const size_t second = (b != nullptr && b_len > 0) ? static_cast<size_t>(b_len) : 0;
    const size_t total = first + second;
    // Built aside first: a part may point into this frame's own buffer.
    uint8_t* joined = nullptr;
    if (total > 0 && total <= static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
        joined = static_cast<uint8_t*>(std::malloc(total));
        if (joined != nullptr) {
            if (first > 0) std::memcpy(joined, a, first);
            if (second > 0) std::memcpy(joined + first, b, second);
        }
    }
    FreeData();
    if (joined == nullptr) return total == 0;
    mData = joined;
    mLength = static_cast<int32_t>(total);
    return true;
}

}  // namespace NetBit
