#include "receive/RTPHeader.h"

#include "osal/LLog.h"

namespace NetBit {

namespace {

constexpr uint16_t kProfileOneByte = 0xBEDE;
constexpr uint16_t kProfileABCD = 0xABCD;

uint16_t Read16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
uint32_t Read32(const uint8_t* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

}  // namespace

void RTPHeader::reset() { *this = RTPHeader(); }

int RTPHeader::ParseHeader(const uint8_t* data, int size) {
    reset();  // nothing of an earlier packet survives, whatever this one carries
    if (!data || size < kFixedHeaderSize) {
        VLOGE("ParseHeader failed because of error data size: size %d\n", size);
        return -1;
    }
    mVersion = static_cast<uint8_t>(data[0] >> 6);
    if (mVersion != 2) {
        VLOGE("ParseHeader failed: version %d\n", mVersion);
        return -1;
    }
    mNumCSRCs = static_cast<uint8_t>(data[0] & 0x0F);
    mHaveExtensionHeader = (data[0] & 0x10) != 0;
    mMarkerBit = static_cast<uint8_t>(data[1] >> 7);
    mPayloadType = static_cast<uint8_t>(data[1] & 0x7F);
    mSequenceNumber = Read16(data + 2);
    mOriginTs = Read32(data + 4);
    mSsrc = Read32(data + 8);

    const int normal = kFixedHeaderSize + 4 * mNumCSRCs;
    if (size < normal) {
        VLOGE("ParseHeader failed because of error data size : size %d numCSRCS %d\n", size, mNumCSRCs);
        return -1;
    }
    for (int i = 0; i < mNumCSRCs; ++i) mCSRCs[i] = Read32(data + kFixedHeaderSize + 4 * i);
    mNormalHeaderLength = normal;

    mExtensionLength = 0;
    mExtensionHeaderType = kRtpExtProfileNone;
    if (mHaveExtensionHeader) {
        // The 4-byte extension head must be there, and the block it declares must end inside the
        // packet: the payload starts after it, so a block running past the end leaves no packet.
        if (size - normal < 4) {
            VLOGE("ParseHeader failed: no room for the extension header, size %d header %d\n", size, normal);
            return -1;
        }
        const uint8_t* ext = data + normal;
        const uint16_t profile = Read16(ext);
        const int words = Read16(ext + 2);
        const int ext_len = 4 + 4 * words;
        if (ext_len > size - normal) {
            VLOGE("ParseHeader failed: extension length %d exceeds packet size %d header %d\n", ext_len, size,
                  normal);
            return -1;
        }
        mExtensionLength = ext_len;
        if (profile == kProfileOneByte) {
            mExtensionHeaderType = kRtpExtProfileOneByte;
            const uint8_t* p = ext + 4;
            const uint8_t* end = ext + ext_len;
            while (p < end) {
                if (*p == 0) {  // padding between elements
                    ++p;
                    continue;
                }
                const int id = *p >> 4;
                const int l = *p & 0x0F;
                if (end - p < l + 2) {
                    // The element's data would run past the block: drop it and end the walk.
                    VLOGD("one byte id %d size %d runs past the extension\n", id, l + 1);
                    break;
                }
                uint32_t value = 0;
                if (l <= 3) {
                    for (int i = 0; i <= l; ++i) value = (value << 8) | p[1 + i];
                } else {
                    VLOGD("raw data length %d\n", l + 1);
                }
                switch (id) {
                    case kRtpExtTransportSequenceNumber:
                        mHaveTransportSequenceNumber = true;
                        mTransportSequenceNumber = static_cast<uint16_t>(value);
                        break;
                    case kRtpExtVideoBaseTimestamp:
                        mHaveVideoBaseTs = true;
                        mVideoBaseTs = value;
                        break;
                    case kRtpExtAudioBaseTimestamp:
                        mHaveAudioBaseTs = true;
                        mAudioBaseTs = value;
                        break;
                    case kRtpExtEncryptionKeyIndex:
                        mHaveKeyIndex = true;
                        mKeyIndex = static_cast<uint8_t>(value);
                        break;
                    case kRtpExtCts:
                        mHaveCts = true;
                        mCts = value;
                        break;
                    case kRtpExtGlobalDelay:
                        mHaveGlobalDelay = true;
                        mGlobalDelay = value;
                        break;
                    default: VLOGD("one byte id %d size %d \n", id, l + 1); break;
                }
                p += l + 2;
            }
        } else if (profile == kProfileABCD) {
            mExtensionHeaderType = kRtpExtProfileABCD;
            VLOGD("extension profile 0xABCD, %d words\n", words);
        } else {
            mExtensionHeaderType = kRtpExtProfileOther;
        }
    }

    if (data[0] & 0x20) {
        mPaddingBitSeen = true;
        mPaddingLength = data[size - 1];
        mLastByteNonZero = mPaddingLength != 0;
        VLOGD("EEEE: padding bytes %d\n", mPaddingLength);
    }
    return 0;
}

}  // namespace NetBit
