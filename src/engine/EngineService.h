// Static entry points any engine module uses with an untyped engine context pointer: log to that
// connection, post a numbered engine message, hand a record to telemetry, reach the user data.
#pragma once

#include <map>
#include <string>

namespace zeqmcdn {

class EngineService {
public:
    // Same values as LLogLevel.
    enum loglevel { kError = 0, kWarn = 1, kInfo = 2, kDebug = 3, kOff = 100 };

    // Queues message `code` with the text
    //   code=<code>,when=<tick>,where=<where, 31 chars, "na" if none>,who=<who>,desc="<desc>"
    // on the context's message thread. Nothing for a NULL context. Never blocks on delivery.
    static void PostEngineMessage(void* ctx, unsigned code, const char* where, long long who, const char* desc);
    // Hands a key/value record (a std::map<std::string, std::string>) to the context's log-service client.
    static void PostMessageToQlog(void* ctx, const void* record);
    static void* GetUserData(void* ctx);
    // Logs to the given connection only, without a source position. -1 for a NULL context or a
    // context without log function; 0 otherwise (also when its logging is disabled).
    static int MyPrintf(void* ctx, int level, const char* fmt, ...) __attribute__((format(printf, 3, 4)));

    // The engine message text, as PostEngineMessage builds it, for a given tick.
    static std::string FormatEngineMessage(unsigned code, long long when, const char* where, long long who,
                                           const char* desc);
};

using QlogRecord = std::map<std::string, std::string>;

}  // namespace zeqmcdn
