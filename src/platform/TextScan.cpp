#include "platform/TextScan.h"

namespace NetBit {

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
}  // namespace

const char* trimLeft(const char* s) {
    if (!s) return nullptr;
    while (IsBlank(*s)) ++s;
    return s;
}

const char* skipNonEmptyChars(const char* s) {
    if (!s) return nullptr;
    while (*s != '\0' && !IsBlank(*s)) ++s;
    return s;
}

}  // namespace NetBit
