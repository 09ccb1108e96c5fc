// Arbitrary stream URLs through everything the open functions read from them.
#include <cstddef>
#include <cstdint>
#include <string>

#include "api/HelpSupportId.h"
#include "api/StreamUrl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string url(reinterpret_cast<const char*>(data), size);
    url = url.c_str();  // the interface takes NUL-terminated text
    zeqmcdn::CdnSettings settings;
    zeqnet::SdkOpenOptions options;
    zeqnet::HasZrtcScheme(url.c_str());
    zeqnet::BuildHelpSupportId(url.c_str(), url.c_str(), 0, "0123456789abcdef");
    zeqnet::ApplyTrackMode(url, &settings);
    zeqnet::ApplySdkOptions(&url, &settings, &options);
    // Every text field stays terminated inside its buffer.
    if (settings.edgeIp[sizeof(settings.edgeIp) - 1] || settings.edgePort[sizeof(settings.edgePort) - 1] ||
        settings.customDns[sizeof(settings.customDns) - 1] ||
        settings.publish.audioMsid[sizeof(settings.publish.audioMsid) - 1] ||
        settings.subscribe.videoMsid[sizeof(settings.subscribe.videoMsid) - 1])
        __builtin_trap();
    return 0;
}
