// The log function handed to the crash handler: its levels mapped onto the library's.
#pragma once

namespace osal {

// Crash-handler levels 0, 1, 2 become debug, information and error; other levels are dropped.
void crash_log_callback(int level, const char* tag, const char* file, int line, const char* text);

}  // namespace osal
