// The crash-handler proxy a session sets up once its remote configuration has arrived: it carries
// the module filter, the log sink and the dump directory for the platform's crash catcher. This
// platform has no native catcher, so the proxy only holds the settings; crash files left by other
// components are reported by CrashFileReport.
#pragma once

#include <string>
#include <vector>

namespace zeqnet {

// Thread safety: owned and used by the session's configuration delivery only.
class CrashProxy {
public:
    using LogSink = void (*)(int level, const char* tag, const char* file, int line, const char* text);

    void SetLogSink(LogSink sink) { mSink = sink; }
    void SetModules(std::vector<std::string> modules) { mModules = std::move(modules); }
    void SetDumpDir(std::string dir) { mDumpDir = std::move(dir); }
    const std::string& DumpDir() const { return mDumpDir; }
    const std::vector<std::string>& Modules() const { return mModules; }

private:
    LogSink mSink = nullptr;
    std::vector<std::string> mModules;
    std::string mDumpDir;
};

}  // namespace zeqnet
