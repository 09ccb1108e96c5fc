// Random texts: time-seeded random strings and the engine's transaction identifiers.
#pragma once

#include <cstdint>
#include <string>

namespace NetBit {

// "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
extern const char kAlphabetA62[];
// "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"
extern const char kAlphabetB62[];

// n characters of kAlphabetA62 drawn from the C library generator seeded with the current second
// of the library clock: two calls within one second give the same text. Empty for n < 1.
std::string GenerateRandomString(int n);

// An n-character identifier of kAlphabetB62: first the base-62 digits (least significant first)
// of a 31-bit hash of `text`, then random characters. The generator is seeded per call with the
// current second plus a process-wide counter that starts at seed_hint mod 1024 (the engine passes
// its own address), so identifiers differ within one second. Empty for n < 1.
std::string randomString(uint64_t seed_hint, int n, const std::string& text);

// The 31-bit hash randomString starts from.
uint32_t RandomStringHash(const std::string& text);

}  // namespace NetBit

namespace ZeqUtils {

// Same behaviour as NetBit::GenerateRandomString.
std::string QlogGenerateRandomString(int n);

}  // namespace ZeqUtils
