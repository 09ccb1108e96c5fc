// Strict decimal parsing for option values and addresses written as text.
#pragma once

#include <cstdint>

namespace zeqnet {

// Digits only, no sign, no spaces, no overflow. False for anything else.
bool ParseUnsigned(const char* text, uint64_t* out);
// An optional '-' and digits, within int64. False for anything else.
bool ParseSigned(const char* text, int64_t* out);
// A function address written in decimal: unsigned, non-zero.
bool ParseAddress(const char* text, uintptr_t* out);

}  // namespace zeqnet
