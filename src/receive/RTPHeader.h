// The RTP fixed header (RFC 3550 section 5.1) with the header extensions this system uses
// (one-byte form of RFC 8285).
//
//    0                   1                   2                   3
//    0 1 2 3 4 5 6 7 8 9 0 1 2 3 4 5 6 7 8 9 0 1 2 3 4 5 6 7 8 9 0 1
//   +-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+
//   |V=2|P|X|  CC   |M|     PT      |       sequence number         |
//   +-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+
//   |                           timestamp                           |
//   +-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+
//   |           synchronization source (SSRC) identifier            |
//   +=+=+=+=+=+=+=+=+=+=+=+=+=+=+=+=+=+=+=+=+=+=+=+=+=+=+=+=+=+=+=+=+
//   |            contributing source (CSRC) identifiers             |
//   |                             ....                              |
//   +-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+
//   |      profile (0xBEDE)         |     length (32-bit words)     |
//   +-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+
//   |  ID   |  L    |  data (L+1 bytes) ...   | 0 (padding) | ...   |
//   +-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+
#pragma once

#include <cstdint>

namespace NetBit {

// One-byte header-extension ids of the system.
enum RtpExtensionId : int {
    kRtpExtTransportSequenceNumber = 5,  // 16 bits: transport-wide sequence number
    kRtpExtVideoBaseTimestamp = 6,       // up to 32 bits: added to the CTS of a video packet
    kRtpExtAudioBaseTimestamp = 7,       // up to 32 bits: added to the CTS of an audio packet
    kRtpExtEncryptionKeyIndex = 10,      // 8 bits: key index of an encrypted packet
    kRtpExtCts = 12,                     // up to 32 bits (24 as sent): composition time offset, ms
    kRtpExtGlobalDelay = 14,             // up to 32 bits (16 as sent): global delay, ms
};

// Values of RTPHeader::mExtensionHeaderType.
enum RtpExtensionProfileKind : int32_t {
    kRtpExtProfileNone = 0,     // no extension
    kRtpExtProfileOneByte = 1,  // 0xBEDE, walked
    kRtpExtProfileOther = 2,    // any other profile, skipped
    kRtpExtProfileABCD = 3,     // 0xABCD, only printed at debug level
};

// A parsed RTP header. Plain value: copyable, no resources. Not shared between threads.
struct RTPHeader {
    static constexpr int kFixedHeaderSize = 12;
    static constexpr int kMaxCsrcs = 15;

    // Parses the header at `data`: 0, or -1 (with a logged line) for a packet that is too short, of
    // another RTP version, or whose extension block runs past its end. Never reads outside
    // data[0..size). Every field is reset first; on failure they hold what was read before the
    // fault.
    int ParseHeader(const uint8_t* data, int size);
    void reset();

    // Fixed header, CSRCs and extension block: where the payload starts.
    int HeaderLength() const { return mNormalHeaderLength + mExtensionLength; }

    uint8_t mVersion = 0;
    uint8_t mMarkerBit = 0;
    uint8_t mPayloadType = 0;     // 7 bits
    uint16_t mSequenceNumber = 0;
    uint32_t mOriginTs = 0;       // the RTP timestamp as sent
    uint32_t mSsrc = 0;
    uint8_t mNumCSRCs = 0;
    uint32_t mCSRCs[kMaxCsrcs] = {};
    int32_t mExtensionLength = 0;     // 4 + 4 x the extension's word count; 0 without extension
    int32_t mNormalHeaderLength = 0;  // 12 + 4 x mNumCSRCs
    bool mHaveExtensionHeader = false;
    int32_t mExtensionHeaderType = kRtpExtProfileNone;  // RtpExtensionProfileKind

    bool mHaveTransportSequenceNumber = false;  // id 5
    uint16_t mTransportSequenceNumber = 0;
    bool mHaveVideoBaseTs = false;              // id 6
    uint32_t mVideoBaseTs = 0;
    bool mHaveAudioBaseTs = false;              // id 7
    uint32_t mAudioBaseTs = 0;
    bool mHaveKeyIndex = false;                 // id 10
    uint8_t mKeyIndex = 0;
    bool mHaveCts = false;                      // id 12
    int64_t mCts = 0;
    bool mHaveGlobalDelay = false;              // id 14
    int64_t mGlobalDelay = 0;

    // RTP padding bit. Removing the padding is left to the frame classes.
    bool mPaddingBitSeen = false;
    bool mLastByteNonZero = false;  // the padding count (last byte of the packet) is not 0
    uint8_t mPaddingLength = 0;     // that count, as sent (0 without padding bit)
};

}  // namespace NetBit
