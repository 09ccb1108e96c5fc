#include "ParameterSets.h"

namespace zrtc {
namespace edge {

namespace {

// MSB-first bit writer with Exp-Golomb codes.
class BitWriter {
public:
    void Bits(uint32_t value, int count) {
        for (int i = count - 1; i >= 0; --i) Bit((value >> i) & 1u);
    }
    void Bit(uint32_t b) {
        mCur = static_cast<uint8_t>((mCur << 1) | (b & 1u));
        if (++mUsed == 8) {
            mOut.push_back(mCur);
            mCur = 0;
            mUsed = 0;
        }
    }
    void Ue(uint32_t v) {
        const uint64_t code = uint64_t{v} + 1;
        int len = 0;
        while ((code >> len) > 1) ++len;
        Bits(0, len);
        for (int i = len; i >= 0; --i) Bit(static_cast<uint32_t>((code >> i) & 1u));
    }
    void Se(int32_t v) { Ue(v <= 0 ? static_cast<uint32_t>(-2 * int64_t{v}) : static_cast<uint32_t>(2 * v - 1)); }
    // rbsp_trailing_bits, then the escaped payload behind `header`.
    NalBytes Finish(std::initializer_list<uint8_t> header) {
        Bit(1);
        while (mUsed != 0) Bit(0);
        NalBytes nal(header);
        int zeros = 0;
        for (uint8_t byte : mOut) {
            if (zeros >= 2 && byte <= 3) {
                nal.push_back(3);
                zeros = 0;
            }
            nal.push_back(byte);
            zeros = byte == 0 ? zeros + 1 : 0;
        }
        return nal;
    }

private:
    NalBytes mOut;
    uint8_t mCur = 0;
    int mUsed = 0;
};

constexpr uint8_t kH264Level31 = 31;
constexpr uint8_t kHevcLevel31 = 93;  // level 3.1 times 30

void HevcProfileTierLevel(BitWriter* w) {
    w->Bits(0, 2);           // profile space
    w->Bit(0);               // main tier
    w->Bits(1, 5);           // Main
    w->Bits(0x60000000, 32); // compatible with Main and Main 10
    w->Bit(1);               // progressive
    w->Bit(0);               // interlaced
    w->Bit(0);               // non-packed
    w->Bit(1);               // frame only
    w->Bits(0, 32);          // 44 reserved bits
    w->Bits(0, 12);
    w->Bits(kHevcLevel31, 8);
}

}  // namespace

NalBytes MakeH264Sps(uint32_t width, uint32_t height) {
    const uint32_t mbW = (width + 15) / 16;
    const uint32_t mbH = (height + 15) / 16;
    BitWriter w;
    w.Bits(66, 8);    // Baseline
    w.Bits(0xC0, 8);  // constraint sets 0 and 1: Constrained Baseline
    w.Bits(kH264Level31, 8);
    w.Ue(0);  // sps id
    w.Ue(0);  // log2_max_frame_num - 4
    w.Ue(2);  // picture order count type 2: output order is decoding order
    w.Ue(1);  // one reference frame
    w.Bit(0);
    w.Ue(mbW - 1);
    w.Ue(mbH - 1);
    w.Bit(1);  // frames only
    w.Bit(1);  // direct 8x8 inference
    const uint32_t cropRight = (mbW * 16 - width) / 2;  // in chroma units of two luma samples
    const uint32_t cropBottom = (mbH * 16 - height) / 2;
    w.Bit(cropRight != 0 || cropBottom != 0);
    if (cropRight != 0 || cropBottom != 0) {
        w.Ue(0);
        w.Ue(cropRight);
        w.Ue(0);
        w.Ue(cropBottom);
    }
    w.Bit(0);  // no VUI
    return w.Finish({0x67});
}

NalBytes MakeH264Pps() {
    BitWriter w;
    w.Ue(0);      // pps id
    w.Ue(0);      // sps id
    w.Bit(0);     // CAVLC
    w.Bit(0);
    w.Ue(0);      // one slice group
    w.Ue(0);
    w.Ue(0);
    w.Bit(0);
    w.Bits(0, 2);
    w.Se(0);      // pic_init_qp - 26
    w.Se(0);
    w.Se(0);
    w.Bit(1);     // deblocking filter control present
    w.Bit(0);
    w.Bit(0);
    return w.Finish({0x68});
}

NalBytes MakeHevcVps() {
    BitWriter w;
    w.Bits(0, 4);       // vps id
    w.Bit(1);           // base layer internal
    w.Bit(1);           // base layer available
    w.Bits(0, 6);       // one layer
    w.Bits(0, 3);       // one sub layer
    w.Bit(1);           // temporal id nesting
    w.Bits(0xFFFF, 16);
    HevcProfileTierLevel(&w);
    w.Bit(1);  // sub layer ordering info present
    w.Ue(4);   // max dec pic buffering - 1
    w.Ue(0);   // no reordering
    w.Ue(0);
    w.Bits(0, 6);  // max layer id
    w.Ue(0);       // one layer set
    w.Bit(0);      // no timing info
    w.Bit(0);      // no extension
    return w.Finish({0x40, 0x01});
}

NalBytes MakeHevcSps(uint32_t width, uint32_t height) {
    constexpr uint32_t kMinCb = 8;
    const uint32_t codedW = (width + kMinCb - 1) / kMinCb * kMinCb;
    const uint32_t codedH = (height + kMinCb - 1) / kMinCb * kMinCb;
    BitWriter w;
    w.Bits(0, 4);  // vps id
    w.Bits(0, 3);  // one sub layer
    w.Bit(1);
    HevcProfileTierLevel(&w);
    w.Ue(0);  // sps id
    w.Ue(1);  // 4:2:0
    w.Ue(codedW);
    w.Ue(codedH);
    const bool crop = codedW != width || codedH != height;
    w.Bit(crop);
    if (crop) {
        w.Ue(0);
        w.Ue((codedW - width) / 2);
        w.Ue(0);
        w.Ue((codedH - height) / 2);
    }
    w.Ue(0);  // 8-bit luma
    w.Ue(0);  // 8-bit chroma
    w.Ue(4);  // log2_max_pic_order_cnt_lsb - 4
    w.Bit(1);
    w.Ue(4);
    w.Ue(0);
    w.Ue(0);
    w.Ue(0);  // min coding block 8
    w.Ue(3);  // coding tree block 64
    w.Ue(0);  // min transform 4
    w.Ue(3);  // max transform 32
    w.Ue(1);
    w.Ue(1);
    w.Bit(0);  // no scaling lists
    w.Bit(0);  // no AMP
    w.Bit(0);  // no SAO
    w.Bit(0);  // no PCM
    w.Ue(0);   // no short-term reference picture sets
    w.Bit(0);
    w.Bit(0);
    w.Bit(0);
    w.Bit(0);  // no VUI
    w.Bit(0);  // no extension
    return w.Finish({0x42, 0x01});
}

NalBytes MakeHevcPps() {
    BitWriter w;
    w.Ue(0);
    w.Ue(0);
    w.Bit(0);
    w.Bit(0);
    w.Bits(0, 3);
    w.Bit(0);
    w.Bit(0);
    w.Ue(0);
    w.Ue(0);
    w.Se(0);
    for (int i = 0; i < 3; ++i) w.Bit(0);  // constrained intra, transform skip, cu qp delta
    w.Se(0);
    w.Se(0);
    for (int i = 0; i < 10; ++i) w.Bit(0);  // slice offsets .. scaling list / modification flags
    w.Ue(0);
    w.Bit(0);
    w.Bit(0);
    return w.Finish({0x44, 0x01});
}

NalBytes MakeAacConfig(uint32_t sampleRate, uint8_t channels) {
    static const uint32_t kRates[] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                      22050, 16000, 12000, 11025, 8000,  7350};
    for (uint32_t index = 0; index < sizeof(kRates) / sizeof(kRates[0]); ++index) {
        if (kRates[index] != sampleRate) continue;
        constexpr uint32_t kAacLc = 2;
        const uint32_t bits = (kAacLc << 11) | (index << 7) | (uint32_t{channels} & 0xF) << 3;
        return {static_cast<uint8_t>(bits >> 8), static_cast<uint8_t>(bits & 0xFF)};
    }
    return {};
}

}  // namespace edge
}  // namespace zrtc
