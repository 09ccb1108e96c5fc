// NetBit::StreamFrameVideo and its Annex-B access units: H.264 and HEVC.
#pragma once

#include <cstdint>

#include "media/StreamFrameBase.h"

namespace NetBit {

// One compressed picture (Annex-B bytes) in a malloc'ed buffer that the frame owns.
// Thread safety: none; one owner at a time.
class StreamFrameVideo : public StreamFrameBase {
public:
    // mFlags bits.
    static constexpr int32_t kFlagKey = 1 << 0;        // contains an IDR / IRAP picture
    static constexpr int32_t kFlagCorrupted = 1 << 1;  // released incomplete by the jitter buffer
    static constexpr int32_t kFlagSps = 1 << 2;        // contains a sequence parameter set
    static constexpr int32_t kFlagSequenceHeaderChanged = 1 << 3;
    // Bytes of the player's frame record carried along on the publish path.
    static constexpr int kExtraBytes = 16;

    StreamFrameVideo() : StreamFrameBase(kStreamFormatUnknown) {}
    ~StreamFrameVideo() override;

    void CopyFrame(const StreamFrameBase* other) override;
    void SwapFrame(StreamFrameBase* other) override;

    // Replaces the buffer with `len` bytes of `data`, after 00 00 00 01 when `start_code` is set.
    // False (frame unchanged) for a negative length, null data with a length, or a size beyond
    // 2 GiB; false and an empty frame when memory runs out.
    bool SetBits(const void* data, int len, bool start_code);
    // Takes a malloc'ed buffer of `size` bytes as the frame's own (frees the previous one). A null
    // buffer or a size below 1 empties the frame (and frees `data`).
    void AdoptBits(uint8_t* data, int size);
    // Shortens the frame to `size` bytes (0 <= size <= Size()); false otherwise.
    bool Truncate(int size);

    uint8_t* Data() { return mData; }
    const uint8_t* Data() const { return mData; }
    int Size() const { return mSize; }

    int64_t mQueueTime = 0;    // set by the output queue
    int32_t mFlags = 0;        // kFlag* bits
    int32_t mGlobalDelay = 0;  // ms, from the RTP header extension
    int32_t mJitterBuffer = 0;  // the jitter buffer's duration when the frame left it, ms
    int32_t mHalfRtt = 0;      // half the current round-trip time, ms
    uint8_t mExtra[kExtraBytes] = {};

protected:
    explicit StreamFrameVideo(int32_t format) : StreamFrameBase(format) {}

private:
    void FreeData();

    uint8_t* mData = nullptr;
    int32_t mSize = 0;
};

class StreamFrameH264 : public StreamFrameVideo {
public:
    StreamFrameH264() : StreamFrameVideo(kStreamFormatH264) {}
};

class StreamFrameHEVC : public StreamFrameVideo {
public:
    StreamFrameHEVC() : StreamFrameVideo(kStreamFormatHEVC) {}
};

}  // namespace NetBit
