/* Process-wide logging entry. Call sites test gLLogLevelVal before calling llogging; the text reaches
 * the log callback of the connection created last, with a level tag and a [file:line] prefix. */
#ifndef VRIO_LLOG_H
#define VRIO_LLOG_H

#ifdef __cplusplus
extern "C" {
#endif

typedef enum LLogLevel {
    LLOG_ERROR = 0,
    LLOG_WARN = 1,
    LLOG_INFO = 2,
    LLOG_DEBUG = 3,
    LLOG_OFF = 100
} LLogLevel;

/* Threshold of the process: a line of level L passes when the value is not 100 and >= L. */
extern int gLLogLevelVal;

void llogging(const char* file, int line, LLogLevel level, const char* fmt, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 4, 5)))
#endif
    ;

/* Accepts anything, prints nothing, returns 0. */
int log_printf(const char* fmt, ...);

#ifdef __cplusplus
}
#endif

#endif
