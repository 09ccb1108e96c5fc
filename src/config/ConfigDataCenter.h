// The configuration data center: the observer that keeps the remote values the output queues, the
// transport, the engine, the receive path and the crash handler read later.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "config/ConfigureObserver.h"
#include "osal/Mutex.h"

namespace zeqnet {

// Thread safety: values are written by Parse (under the center's mutex, on the notifying thread)
// and read by their consumers on any thread without the center's lock: numbers and flags are
// relaxed atomics, the three texts are guarded by mTextLock. SetContext is the owning session's,
// called before it starts threads and after it stopped them.
class ConfigDataCenter : public ConfigureObserver {
public:
    // The keys, in registration order; kKeyCount of them.
    static constexpr size_t kKeyCount = 25;
    static const char* const kKeys[kKeyCount];

    ConfigDataCenter();
    ~ConfigDataCenter() override;

    // With an engine context: keeps it and registers every key with the context's configure
    // handle (none when it has no handle). With null: deregisters them from the kept context's
    // handle and forgets the context. Switching contexts detaches from the previous one first.
    void SetContext(void* ctx);
    void* GetContext() const { return mContext; }

    // Applies the value when it is in the key's range, else keeps the previous one. Always 0.
    int Parse(std::string key, std::string value) override;

    bool GetTrimAudioAtStartup() const;
    uint32_t GetMaxAudioQueueLength() const;
    uint32_t GetMaxVideoQueueLength() const;
    uint32_t GetAudioFrameOutputInterval() const;
    uint32_t GetShouldSkipAVSync() const;
    uint32_t GetStartUpFrameCountThreshold() const;
    uint32_t GetStartUpFullSpeedFrameCount() const;
    bool GetStreamInfoRxTimeRetrunNow() const;
    uint64_t GetAVPacketTimeoutMs() const;
    uint32_t GetDnsExpirationTime() const;
    uint32_t GetCookieExpirationTime() const;
    uint32_t GetSkipAvformatFindStreamInfo() const;
    uint32_t GetOutputMinBufferLength() const;
    bool GetFixedWaterLevel() const;
    bool GetVideoSmoothOutput() const;
    bool GetAudioSmoothOutput() const;
    uint32_t GetForceVideoOutputThreshold() const;
    uint32_t GetVideoTsEditThreshold() const;
    uint32_t GetMaxVideoDuration() const;
    uint32_t GetTargetLatencyHi() const;
    uint32_t GetTargetLatencyLo() const;
    bool GetCrashEnable() const;
    std::string GetCrashDumpDir() const;
    // "crashModu" split at commas: leading blanks of each item skipped, empty items dropped.
    std::vector<std::string> GetCrashModule() const;
    std::string GetDycId() const;

    // The splitting rule of GetCrashModule.
    static std::vector<std::string> SplitModuleList(const std::string& text);

private:
    int64_t Number(size_t row) const { return mNumbers[row].load(std::memory_order_relaxed); }

    void* mContext = nullptr;
    std::atomic<int64_t> mNumbers[kKeyCount];  // by row of kKeys; unused for the text rows
    mutable osal::mutex mTextLock;
    std::string mCrashDumpDir;                 // guarded by mTextLock
    std::string mCrashModule;                  // guarded by mTextLock
    std::string mDycId;                        // guarded by mTextLock
};

}  // namespace zeqnet
