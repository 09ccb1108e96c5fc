// Arbitrary key/value pairs through the version-2 option setter. Input: key, a NUL byte, value.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "api/ProcessDefaults.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    size_t split = input.find('\0');
    std::string key = input.substr(0, split);
    std::string value = split == std::string::npos ? std::string() : std::string(input.c_str() + split + 1);
    auto& defaults = zeqnet::ProcessDefaults::Get();
    int rc = defaults.SetOption(key.c_str(), value.c_str());
    if (rc != 0 && rc != -19 && rc != -22) __builtin_trap();
    vrio_net_config cfg;
    std::memset(&cfg, 0, sizeof(cfg));
    defaults.OverlayConfig(&cfg);
    if (cfg.HelpSupportIDPrefix[sizeof(cfg.HelpSupportIDPrefix) - 1] != '\0') __builtin_trap();
    if (cfg.LogLevel < 0 || cfg.LogLevel > 100) __builtin_trap();
    // Keep the cache from growing without bound across runs.
    defaults.PreconfCache(true);
    return 0;
}
