#include "media/StreamFramePcm.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <utility>

namespace NetBit {

StreamFramePcm::~StreamFramePcm() { FreeData(); }

bool StreamFramePcm::ShapeBytes(int samples_per_channel, int channels, int bits, int* bytes) {
    if (samples_per_channel < 0 || channels < 1 || bits < 8 || bits % 8 != 0) return false;
    const int64_t frame_bytes = static_cast<int64_t>(channels) * (bits / 8);
    const int64_t total = frame_bytes * samples_per_channel;
    if (frame_bytes > std::numeric_limits<int32_t>::max() || total > std::numeric_limits<int32_t>::max())
        return false;
    *bytes = static_cast<int>(total);
    return true;
}

void StreamFramePcm::SetShape(int samples_per_channel, int channels, int sample_rate, int bits) {
    mSamplesPerChannel = samples_per_channel;
    mChannels = channels;
    mSampleRate = sample_rate;
    mBitsPerSample = bits;
    mBytesPerSampleFrame = channels * (bits / 8);  // checked by ShapeBytes not to overflow
}

void StreamFramePcm::FreeData() {
    if (mOwnsData) std::free(mData);
    mData = nullptr;
    mCapacityBytes = 0;
    mOwnsData = true;
}

bool StreamFramePcm::Reserve(int bytes) {
    if (mOwnsData && mData != nullptr && bytes <= mCapacityBytes) return true;
    if (bytes == 0) return true;  // nothing to hold; keep whatever buffer there is
    FreeData();
    mData = static_cast<int16_t*>(std::malloc(static_cast<size_t>(bytes)));
    if (mData == nullptr) return false;
    mCapacityBytes = bytes;
    return true;
}

bool StreamFramePcm::CopyFrame(const uint8_t* data, int samples_per_channel, int channels, int sample_rate,
                               int bits) {
    int bytes = 0;
    if (!ShapeBytes(samples_per_channel, channels, bits, &bytes)) return false;
    if (data == nullptr && bytes > 0) return false;
    if (!Reserve(bytes)) {
        SetShape(0, channels, sample_rate, bits);
        return false;
    }
    // The source may overlap our own buffer (a frame re-shaping its own samples).
    if (bytes > 0) std::memmove(mData, data, static_cast<size_t>(bytes));
    SetShape(samples_per_channel, channels, sample_rate, bits);
    return true;
}

bool StreamFramePcm::AttachSamples(int16_t* data, int samples_per_channel, int channels, int sample_rate,
                                   int bits, bool take_ownership) {
    int bytes = 0;
    if (!ShapeBytes(samples_per_channel, channels, bits, &bytes)) return false;
    if (data == nullptr && bytes > 0) return false;
    if (data != mData) FreeData();
    mData = data;
    mCapacityBytes = data ? bytes : 0;
    mOwnsData = take_ownership;
    SetShape(samples_per_channel, channels, sample_rate, bits);
    return true;
}

void StreamFramePcm::CopyFrame(const StreamFrameBase* other) {
    if (!AcceptPeer(other, "CopyFrame", __LINE__)) return;
    CopyHeader(*other);
    const auto* pcm = dynamic_cast<const StreamFramePcm*>(other);
    if (pcm == nullptr) return;
    mReserved = pcm->mReserved;
    const int bytes = pcm->DataBytes();
    if (!Reserve(bytes)) {
        SetShape(0, pcm->mChannels, pcm->mSampleRate, pcm->mBitsPerSample);
        return;
    }
    if (bytes > 0) std::memcpy(mData, pcm->mData, static_cast<size_t>(bytes));
    // The peer's fields are copied as they stand (its bytes-per-sample-frame included).
    mSamplesPerChannel = pcm->mSamplesPerChannel;
    mChannels = pcm->mChannels;
    mSampleRate = pcm->mSampleRate;
    mBitsPerSample = pcm->mBitsPerSample;
    mBytesPerSampleFrame = pcm->mBytesPerSampleFrame;
}

void StreamFramePcm::SwapFrame(StreamFrameBase* other) {
    if (!AcceptPeer(other, "SwapFrame", __LINE__)) return;
    SwapHeader(*other);
    auto* pcm = dynamic_cast<StreamFramePcm*>(other);
    if (pcm == nullptr) return;
    std::swap(mSamplesPerChannel, pcm->mSamplesPerChannel);
    std::swap(mBitsPerSample, pcm->mBitsPerSample);
    std::swap(mBytesPerSampleFrame, pcm->mBytesPerSampleFrame);
    std::swap(mChannels, pcm->mChannels);
    std::swap(mSampleRate, pcm->mSampleRate);
    std::swap(mReserved, pcm->mReserved);
    std::swap(mData, pcm->mData);
    std::swap(mCapacityBytes, pcm->mCapacityBytes);
    std::swap(mOwnsData, pcm->mOwnsData);
}

void StreamFramePcm::GainDb(float db) {
    if (db == 0.0f || mData == nullptr || mBitsPerSample != 16) return;
    const double factor = std::pow(10.0, static_cast<double>(db) / 20.0);
    const int count = DataBytes() / 2;
    for (int i = 0; i < count; ++i) {
        double v = mData[i] * factor;
        if (v > 32767.0) v = 32767.0;
        if (v < -32768.0) v = -32768.0;
        mData[i] = static_cast<int16_t>(v);
    }
}

int StreamFramePcm::GetVolume() const {
    if (mData == nullptr || mBitsPerSample != 16) return 0;
    const int count = DataBytes() / 2;
    if (count == 0) return 0;
    int64_t sum = 0;
    for (int i = 0; i < count; ++i) sum += std::abs(static_cast<int>(mData[i]));
    const double mean = static_cast<double>(sum) / count;
    const int volume = static_cast<int>(mean * 500.0 / 32767.0);
    return volume > 500 ? 500 : volume;  // a full-scale negative signal reads 500.0153
}

void StreamFramePcm::SplitFrame(StreamFramePcm* first, StreamFramePcm* second) const {
    if (first == nullptr || second == nullptr || first == second || first == this || second == this) return;
    const int first_samples = mSamplesPerChannel / 2;
    const int second_samples = mSamplesPerChannel - first_samples;
    const size_t first_bytes = static_cast<size_t>(first_samples) * static_cast<size_t>(mBytesPerSampleFrame);
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(mData);
    StreamFramePcm* halves[2] = {first, second};
    const int samples[2] = {first_samples, second_samples};
    const uint8_t* starts[2] = {bytes, bytes ? bytes + first_bytes : nullptr};
    for (int i = 0; i < 2; ++i) {
        StreamFramePcm* half = halves[i];
        half->CopyHeader(*this);
        half->mReserved = mReserved;
        half->CopyFrame(starts[i], samples[i], mChannels, mSampleRate, mBitsPerSample);
        half->mDurationNum = samples[i] * 1000;
        half->mDurationDen = mSampleRate;
    }
    if (mSampleRate > 0) {
        const int64_t shift = static_cast<int64_t>(first_samples) * 1000 / mSampleRate;
        second->mPts += shift;
        second->mDts += shift;
    }
}

}  // namespace NetBit
