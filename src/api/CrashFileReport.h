// Reporting of the crash records other components left in the dump directory.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace zeqnet {

// Walks the module sub-directories of `dumpDir` and takes the names that start with "Crash" and
// whose text after the last '.' is the dump suffix "log". Each one is reported once through
// `post(20060, "cf:" + name)` and then renamed within its sub-directory to "VrioSDK" + the name
// without its leading "Crash", so the next scan no longer sees it. A file whose rename fails is
// reported again by the next scan. Returns the number of files reported. A directory that cannot
// be read is logged and yields 0.
size_t ReportCrashFiles(const std::string& dumpDir, const std::function<void(unsigned, const std::string&)>& post);

}  // namespace zeqnet
