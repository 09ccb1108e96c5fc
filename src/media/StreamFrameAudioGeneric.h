// NetBit::StreamFrameAudioGeneric and its encoded audio frames: Opus, AAC, G.722.
#pragma once

#include <cstdint>

#include "media/StreamFrameBase.h"

namespace NetBit {

// One encoded audio frame in a malloc'ed buffer that the frame owns. An empty frame has no buffer.
// Thread safety: none; one owner at a time.
class StreamFrameAudioGeneric : public StreamFrameBase {
public:
    StreamFrameAudioGeneric() : StreamFrameBase(kStreamFormatUnknown) {}
    ~StreamFrameAudioGeneric() override;

    void CopyFrame(const StreamFrameBase* other) override;
    void SwapFrame(StreamFrameBase* other) override;
    // Replaces the payload with `len` bytes of `data`; null or len <= 0 empties the frame.
    virtual bool CopyFrame(const void* data, int len);
    // Replaces the payload with the parts that are present (non-null, positive length), one after
    // the other. False only when memory runs out or the total passes 2 GiB; the frame is then empty.
    virtual bool CopyFrame(const void* a, int a_len, const void* b, int b_len);

    uint8_t* Data() { return mData; }
    const uint8_t* Data() const { return mData; }
    int Length() const { return mLength; }

protected:
    explicit StreamFrameAudioGeneric(int32_t format) : StreamFrameBase(format) {}

private:
    void FreeData();

    uint8_t* mData = nullptr;
    int32_t mLength = 0;
};

class StreamFrameOpus : public StreamFrameAudioGeneric {
public:
    StreamFrameOpus() : StreamFrameAudioGeneric(kStreamFormatOpus) {}
};

class StreamFrameAac : public StreamFrameAudioGeneric {
public:
    StreamFrameAac() : StreamFrameAudioGeneric(kStreamFormatAac) {}
};

class StreamFrameG722 : public StreamFrameAudioGeneric {
public:
    StreamFrameG722() : StreamFrameAudioGeneric(kStreamFormatG722) {}
};

}  // namespace NetBit
