// Values of a session's table 0 (state bank): start-up times, trace ids, DNS and cookie choices.
// Each call locks the table for itself; a context without statistics database reads the default
// and writes nothing.
#pragma once

#include <cstdint>
#include <string>

namespace zeqmcdn {

class EngineServiceContext;

std::string QuerySessionValue(EngineServiceContext* context, const char* key, const std::string& def);
// The value read as a whole decimal number; `def` when missing or not a number.
int64_t QuerySessionNumber(EngineServiceContext* context, const char* key, int64_t def);
void StoreSessionValue(EngineServiceContext* context, const char* key, const std::string& value);
void StoreSessionNumber(EngineServiceContext* context, const char* key, int64_t value);

}  // namespace zeqmcdn
