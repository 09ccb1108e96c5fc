// NetBit::StreamFramePcm: one block of decoded, interleaved PCM audio.
#pragma once

#include <cstdint>

#include "media/StreamFrameBase.h"

namespace NetBit {

// The samples live in a malloc'ed buffer that the frame owns unless it was attached as borrowed.
// The shape (samples per channel, channels, bits) is set together with the samples, so DataBytes()
// never exceeds the buffer. Thread safety: none; one owner at a time.
class StreamFramePcm : public StreamFrameBase {
public:
    StreamFramePcm() : StreamFrameBase(kStreamFormatPcm) {}
    ~StreamFramePcm() override;

    void CopyFrame(const StreamFrameBase* other) override;
    void SwapFrame(StreamFrameBase* other) override;
    // Sets the shape and copies samples × channels × bits / 8 bytes from `data`, reusing the buffer
    // when it is large enough. False (frame unchanged) for a negative count, channels < 1, bits
    // that are not a positive multiple of 8, a size beyond 2 GiB, or null data with samples.
    virtual bool CopyFrame(const uint8_t* data, int samples_per_channel, int channels, int sample_rate,
                           int bits);

    // Takes `data` (samples × channels × bits / 8 bytes) as the frame's buffer. With `take_ownership`
    // the buffer must come from malloc and the frame frees it; otherwise the caller keeps it alive
    // for as long as the frame holds it. Same checks as CopyFrame; false leaves the frame unchanged.
    bool AttachSamples(int16_t* data, int samples_per_channel, int channels, int sample_rate, int bits,
                       bool take_ownership);

    // Multiplies every 16-bit sample by 10^(db / 20), clamped to -32768..32767. 0 dB does nothing.
    void GainDb(float db);
    // The mean absolute sample value scaled to 0..500; 0 for an empty frame.
    int GetVolume() const;
    // `first` receives the first half of the sample frames, `second` the rest (each with this
    // frame's header and shape, its own duration, and `second` stamped that much later).
    void SplitFrame(StreamFramePcm* first, StreamFramePcm* second) const;

    int16_t* Data() { return mData; }
    const int16_t* Data() const { return mData; }
    int DataBytes() const { return mSamplesPerChannel * mBytesPerSampleFrame; }
    int SamplesPerChannel() const { return mSamplesPerChannel; }
    int BitsPerSample() const { return mBitsPerSample; }
    int BytesPerSampleFrame() const { return mBytesPerSampleFrame; }
    int Channels() const { return mChannels; }
    int SampleRate() const { return mSampleRate; }
    bool OwnsData() const { return mOwnsData; }
    int CapacityBytes() const { return mCapacityBytes; }  // size of the buffer behind Data()

    int64_t mReserved = 0;  // carried by copy and swap; nothing in the library reads it

private:
    // Checks a shape; on success *bytes is the size of its samples.
    static bool ShapeBytes(int samples_per_channel, int channels, int bits, int* bytes);
    void SetShape(int samples_per_channel, int channels, int sample_rate, int bits);
    // Makes room for `bytes` in an owned buffer (reusing it when large enough); false if out of memory.
    bool Reserve(int bytes);
    void FreeData();

    int32_t mSamplesPerChannel = 0;
    int32_t mBitsPerSample = 16;
    int32_t mBytesPerSampleFrame = 2;  // channels × bits / 8
    int32_t mChannels = 1;
    int32_t mSampleRate = 32000;
    int16_t* mData = nullptr;
    int32_t mCapacityBytes = 0;  // size of the buffer behind mData
    bool mOwnsData = true;
};

}  // namespace NetBit
