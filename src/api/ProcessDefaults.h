// Process-wide defaults of the version-2 interface and the option setter that fills them.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "api/CdnSettings.h"
#include "osal/Mutex.h"
#include "vrio/zeq_net_api.h"

namespace zeqnet {

// Bytes 0..143 of the configuration record that the version-2 open takes from the defaults.
constexpr size_t kGlobalConfigBytes = 144;

// Thread safety: every member function locks; the option setter is meant to run before connections
// are created, but a player that sets options from several threads does not corrupt anything.
class ProcessDefaults {
public:
    static ProcessDefaults& Get();

    // The version-2 option setter: 0, -19 or -22 as the key table says.
    int SetOption(const char* key, const char* value);

    // Overlays bytes 0..143 of `cfg` with the defaults.
    void OverlayConfig(vrio_net_config* cfg) const;
    zeqmcdn::CdnSettings Settings() const;
    // The accumulated "key:value," text; `clear` empties it after reading.
    std::string PreconfCache(bool clear);

    void SetOldVersion() { mOldVersion.store(true, std::memory_order_relaxed); }
    bool OldVersion() const { return mOldVersion.load(std::memory_order_relaxed); }

    void ResetForTesting();

private:
    ProcessDefaults();
    int ApplyOption(const std::string& key, const char* value);

    mutable osal::mutex mMutex;
    vrio_net_config mConfig;          // bytes 0..143 used; guarded by mMutex
    zeqmcdn::CdnSettings mSettings;   // guarded by mMutex
    std::string mPreconf;             // guarded by mMutex
    std::atomic<bool> mOldVersion{false};
};

// Tick count at the last zeq_net_create_connection ("start_up_begin") and the telemetry flag that a
// report was made since then.
struct OpeningMarks {
    static std::atomic<int64_t> startTimeMs;
    static std::atomic<bool> firstReportDone;
};

}  // namespace zeqnet
