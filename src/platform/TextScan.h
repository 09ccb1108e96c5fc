// Scanning over blanks and words of a NUL-terminated text.
#pragma once

namespace NetBit {

// First character that is not ' ', '\t', '\n' or '\r' (the terminating NUL at the latest); null
// for null.
const char* trimLeft(const char* s);
// First character that is NUL, ' ', '\t', '\n' or '\r'; null for null.
const char* skipNonEmptyChars(const char* s);

}  // namespace NetBit
