#include "api/CrashFileReport.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <vector>

#include "osal/LLog.h"

namespace zeqnet {
namespace {

constexpr unsigned kCrashFileMessage = 20060;
constexpr char kCrashPrefix[] = "Crash";
constexpr char kReportedPrefix[] = "VrioSDK";

const char* GetDumpFileSuffix() { return "log"; }

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// Calls `take` with every entry of `dir` except "." and ".."; false when the directory cannot be
// opened.
template <typename Take>
bool ForEachEntry(const std::string& dir, Take take) {
    DIR* d = opendir(dir.c_str());
    if (!d) {
        VLOGW("cannot open dir %s, errno %d\n", dir.c_str(), errno);
        return false;
    }
    while (const dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        take(d, *e, name);
    }
    closedir(d);
    return true;
}

// The names of the sub-directories of `dir` (symbolic links to directories included), sorted;
// empty when the directory cannot be opened.
std::vector<std::string> getDirInPath(const std::string& dir) {
    std::vector<std::string> out;
    ForEachEntry(dir, [&out](DIR* d, const dirent& e, const std::string& name) {
        bool isDir = e.d_type == DT_DIR;
        if (e.d_type == DT_UNKNOWN || e.d_type == DT_LNK) {
            struct stat st {};
            isDir = fstatat(dirfd(d), name.c_str(), &st, 0) == 0 && S_ISDIR(st.st_mode);
        }
        if (isDir) out.push_back(name);
    });
    std::sort(out.begin(), out.end());
    return out;
}

// The names in `dir` (files and sub-directories) that begin with `prefix` and whose text after the
// last '.' equals `suffix` (any name when `suffix` is empty), sorted; empty when the directory
// cannot be opened.
std::vector<std::string> getDirFileByPrefixAndSuffix(const std::string& dir, const std::string& prefix,
                                                     const std::string& suffix) {
    std::vector<std::string> out;
    ForEachEntry(dir, [&](DIR*, const dirent&, const std::string& name) {
        if (!StartsWith(name, prefix.c_str())) return;
        if (!suffix.empty()) {
            const size_t dot = name.rfind('.');
            if (dot == std::string::npos || name.compare(dot + 1, std::string::npos, suffix) != 0) return;
        }
        out.push_back(name);
    });
    std::sort(out.begin(), out.end());
    return out;
}

std::string JoinPath(const std::string& dir, const std::string& name) {
    if (dir.empty() || dir.back() == '/') return dir + name;
    return dir + "/" + name;
}

}  // namespace

size_t ReportCrashFiles(const std::string& dumpDir, const std::function<void(unsigned, const std::string&)>& post) {
    const std::vector<std::string> modules = getDirInPath(dumpDir);
    VLOGI("crash dump dir=%s, sdk num=%zu\n", dumpDir.c_str(), modules.size());
    size_t reported = 0;
    for (const std::string& module : modules) {
        const std::string subDir = JoinPath(dumpDir, module);
        const std::vector<std::string> files = getDirFileByPrefixAndSuffix(subDir, kCrashPrefix, GetDumpFileSuffix());
        VLOGI("crash logs=%zu in sub dir=%s\n", files.size(), subDir.c_str());
        for (const std::string& name : files) {
            // Reported records carry the other prefix and so never match the listing above; the
            // rename below is what keeps a record from being reported twice.
            if (StartsWith(name, kReportedPrefix)) {
                VLOGI("crash file already report, file=%s\n", name.c_str());
                continue;
            }
            const std::string text = "cf:" + name;
            VLOGI("%s\n", text.c_str());
            if (post) post(kCrashFileMessage, text);
            ++reported;
            const std::string from = JoinPath(subDir, name);
            const std::string to = JoinPath(subDir, kReportedPrefix + name.substr(sizeof(kCrashPrefix) - 1));
            const int ret = std::rename(from.c_str(), to.c_str());
            if (ret == 0) {
                VLOGI("rename file %s, ret %d, newfile %s\n", from.c_str(), ret, to.c_str());
            } else {
                VLOGW("rename file %s, ret %d, newfile %s\n", from.c_str(), ret, to.c_str());
            }
        }
    }
    return reported;
}

}  // namespace zeqnet
