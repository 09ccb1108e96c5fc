// What the open functions read from a stream URL: the scheme, the track mode and the SDK options
// written after '@'.
#pragma once

#include <string>

#include "api/CdnSettings.h"

namespace zeqnet {

// The scheme must be exactly "zrtc" followed by "://".
bool HasZrtcScheme(const char* url);

// "trackmode=quenlo" after '?' puts both directions in RTC mode (not-RTC-mode flags 0), otherwise
// both flags are 1. Also clears the edge-address-given flag.
void ApplyTrackMode(const std::string& url, zeqmcdn::CdnSettings* settings);

struct SdkOpenOptions {
    bool forceIpv6 = false;
    bool audio = true;  // "subaudio=no" clears it
    bool video = true;  // "subvideo=no" clears it
};

// Applies every option after '@' (each ends at the next '&') to `settings` and `options`, and cuts
// `url` at '@'. Bad values are logged and ignored; they never fail the open.
void ApplySdkOptions(std::string* url, zeqmcdn::CdnSettings* settings, SdkOpenOptions* options);

}  // namespace zeqnet
