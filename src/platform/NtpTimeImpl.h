// The process's NTP clock offset: measured once, when the clock is created.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/NtpClient.h"

namespace ZeqUtils {

// Thread safety: every getter may be called from any thread; the offset is written only by the
// constructor. GetInstance creates the process-wide clock once (callers racing the first creation
// wait for it); SetServers may be called from any thread.
class NtpTimeImpl {
public:
    // The process-wide clock, created on first use; creation blocks while NtpTask runs.
    static NtpTimeImpl* GetInstance();
    // Replaces the server list the process-wide clock will ask (the default is DefaultNtpServers()).
    // False, and nothing changes, once the clock exists.
    static bool SetServers(const std::vector<NtpServer>& servers);

    // A clock of its own over `servers`; runs NtpTask before returning.
    explicit NtpTimeImpl(std::vector<NtpServer> servers, int step_timeout_ms = kNtpStepTimeoutMs);
    NtpTimeImpl(const NtpTimeImpl&) = delete;
    NtpTimeImpl& operator=(const NtpTimeImpl&) = delete;

    int64_t GetCurrentNtpTimeInMilliSec() const;   // library clock ms + offset
    int64_t GetCurrentNtpTimeInSecond() const;     // the above / 1000
    int64_t GetUTCTimeInMilliseconds() const;      // library clock ms
    int32_t GetNtpTimeOffset() const;              // the offset in ms, saturated to int32
    std::string GetTimeString() const;             // NTP-corrected UTC, "YYYY-MM-DDThh:mm:ssZ"
    int64_t GetLastNtpTimeInMilliSec() const { return mNtpTimeMs; }  // time measured at creation

private:
    // Asks the first three servers in turn and keeps the first answer; without one the offset is 0.
    void NtpTask();

    std::vector<NtpServer> mServers;
    int mStepTimeoutMs;
    int64_t mNtpTimeMs = 0;
    int64_t mOffsetMs = 0;
};

}  // namespace ZeqUtils
