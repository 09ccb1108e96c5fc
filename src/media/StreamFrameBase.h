// NetBit::StreamFrameBase: the common header of every unit of media inside the library.
#pragma once

#include <cstdint>

namespace NetBit {

// Format codes returned by GetFormat(). Each class fixes its code in its constructor; the code
// never travels with CopyFrame or SwapFrame.
enum StreamFormat : int32_t {
    kStreamFormatUnknown = 0,  // StreamFrameBase, StreamFrameVideo, StreamFrameAudioGeneric,
                               // StreamFrameVideoRtpPacket
    kStreamFormatH264 = 4,     // one H.264 access unit, Annex-B
    kStreamFormatHEVC = 5,     // one HEVC access unit, Annex-B
    kStreamFormatPcm = 50,     // interleaved 16-bit PCM
    kStreamFormatOpus = 51,
    kStreamFormatAac = 52,
    kStreamFormatG722 = 53,
    kStreamFormatOpusRtpPacket = 200,  // one audio RTP packet (any audio codec)
    kStreamFormatH264RtpPacket = 201,
    kStreamFormatHEVCRtpPacket = 202,
};

// A frame is a heap object with one owner at a time, deleted through the virtual destructor.
// Frames move between queues with SwapFrame (buffers change hands, nothing is copied) and are
// duplicated with CopyFrame (a deep copy). Both expect a peer of the same format: a mismatch is
// reported as an assertion and the operation goes on with the parts both frames really have.
// Thread safety: none; a frame belongs to one thread at a time.
class StreamFrameBase {
public:
    StreamFrameBase() : StreamFrameBase(kStreamFormatUnknown) {}
    virtual ~StreamFrameBase();
    StreamFrameBase(const StreamFrameBase&) = delete;
    StreamFrameBase& operator=(const StreamFrameBase&) = delete;

    // Deep copy of `other`'s header and payload (a null or self peer does nothing).
    virtual void CopyFrame(const StreamFrameBase* other);
    // Exchanges header and payload, buffers and their ownership included, with `other`.
    virtual void SwapFrame(StreamFrameBase* other);
    virtual int GetFormat() const { return mFormat; }

    // numerator / denominator in floating point, truncated toward zero; 0 for a zero denominator.
    int64_t GetDurationMs() const;

    int64_t mPts = 0;          // presentation time, ms
    int64_t mDts = 0;          // decoding time, ms
    int64_t mExtendedPts = 0;  // presentation time carried in the RTP header extensions, ms
    int32_t mDurationNum = 20;  // duration = mDurationNum / mDurationDen ms (20 ms by default)
    int32_t mDurationDen = 1;
    int64_t mUnwrappedTs = 0;  // the frame's unwrapped RTP timestamp, set by the jitter buffers
    uint64_t mUid = 0;         // the remote participant's id, set before delivery
    uint8_t mLatencyMarker = 0;  // 1 on the frame holding the latency-marker timestamp

protected:
    explicit StreamFrameBase(int32_t format) : mFormat(format) {}

    // The checks every CopyFrame/SwapFrame starts with: false for a null or self peer (nothing to
    // do); a peer of another format is reported ("ASSERT FAIL <op>:<line>") and accepted.
    bool AcceptPeer(const StreamFrameBase* other, const char* op, int line) const;
    void CopyHeader(const StreamFrameBase& other);
    void SwapHeader(StreamFrameBase& other);

private:
    int32_t mFormat;
};

}  // namespace NetBit
