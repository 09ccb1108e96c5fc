#include "osal/CrashLog.h"

#include "osal/LLog.h"

namespace osal {

void crash_log_callback(int level, const char* tag, const char* file, int line, const char* text) {
    LLogLevel mapped;
    switch (level) {
        case 0: mapped = LLOG_DEBUG; break;
        case 1: mapped = LLOG_INFO; break;
        case 2: mapped = LLOG_ERROR; break;
        default: return;
    }
    VLOG(mapped, "[%s][%s:%d]%s\n", tag ? tag : "", file ? file : "", line, text ? text : "");
}

}  // namespace osal
