// The options language: '&'-separated key=value entries with conditional groups.
//
//   x=1&_os=^And&y=2&_os=^Har&z=3
//
// Entries whose key starts with '_' are conditions: the resolver turns the key into a text, and the
// condition holds when that text is non-empty and matches the value as a POSIX extended regular
// expression. Options before the first condition always apply; a group of options applies only
// when every condition directly in front of it held.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace NetBit {

using OptionApply = std::function<void(const char* key, const char* value)>;
using OptionResolve = std::function<std::string(const char* name)>;

// Texts of this many bytes or more are refused.
constexpr size_t kMaxOptionsTextBytes = 0x400000;

// Runs `text` through the language: `apply` gets every active option (trimmed key and value) in
// order. Returns 0 on success; -1 for a null or empty text, a text of kMaxOptionsTextBytes or more,
// or no `apply`; -2 for an entry without '='; -3 for an empty key; -4 for an empty value. Stops at
// the first error; options applied before it stay applied. Every refusal is logged.
int process_options(const char* text, const OptionApply& apply, const OptionResolve& resolve);

// Whether `subject` matches `pattern` as a POSIX extended regular expression (ExtendedRegex); a
// pattern that does not compile, or is too large to compile cheaply, does not match (logged).
bool MatchesExtendedRegex(const std::string& subject, const char* pattern);

}  // namespace NetBit
