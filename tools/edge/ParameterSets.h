// Small, valid H.264 and HEVC parameter sets and AAC configurations for the streams the edge
// describes, so a subscriber can size its decoder from the subscribe answer alone.
#pragma once

#include <cstdint>
#include <vector>

namespace zrtc {
namespace edge {

using NalBytes = std::vector<uint8_t>;

// NAL units without start codes, emulation prevention applied. Width and height in pixels (even,
// 16..8192); sizes that are not whole coding blocks are cropped.
NalBytes MakeH264Sps(uint32_t width, uint32_t height);  // Constrained Baseline, level 3.1
NalBytes MakeH264Pps();
NalBytes MakeHevcVps();  // Main profile, level 3.1
NalBytes MakeHevcSps(uint32_t width, uint32_t height);
NalBytes MakeHevcPps();

// AudioSpecificConfig of AAC LC; empty when the rate has no frequency index.
NalBytes MakeAacConfig(uint32_t sampleRate, uint8_t channels);

}  // namespace edge
}  // namespace zrtc
