// The connection configuration record: defaults and the normalisation applied at creation.
#pragma once

#include "vrio/zeq_net_api.h"

namespace zeqnet {

vrio_net_config DefaultConnConfig();

// Brings a player's record into range, in this order: help-support prefix, buffering duration,
// sample rate (and clock rate), channels and video codec, audio (codec, profile) pair.
void NormalizeConnConfig(vrio_net_config* cfg);

// Clamps v into [lo, hi].
inline long long ClampMs(long long v, long long lo, long long hi) { return v < lo ? lo : (v > hi ? hi : v); }

// True for the (codec, profile) pairs the publish path supports.
bool IsSupportedAudioFormat(int codec, int profile);
// True for the sample rates the publish path supports.
bool IsSupportedSampleRate(int rate);

}  // namespace zeqnet
