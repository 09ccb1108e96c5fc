// What this device says about itself to the terminal filters of a configuration document.
#pragma once

#include <string>

namespace zeqnet {

// The values the filter attributes are compared with.
struct TerminalInfo {
    std::string os;          // attribute "os"
    std::string sdkVersion;  // attribute "sdkVer"
};

// Thread safety: all three functions may be called from any thread; one process-wide lock guards
// the stored values, and GetTerminalInfo returns a copy.

// This device's values: the operating-system name the library reports everywhere ("Harmony") and
// the library's version string.
TerminalInfo DeviceTerminalInfo();
// The values the filters currently compare with (the device's own unless replaced).
TerminalInfo GetTerminalInfo();
// Replaces the values process-wide (tests, and ports that report another system).
void SetTerminalInfo(const TerminalInfo& info);
// Back to DeviceTerminalInfo().
void ResetTerminalInfo();

}  // namespace zeqnet
