#include "osal/DecimalText.h"

#include <limits>

namespace zeqnet {

bool ParseUnsigned(const char* text, uint64_t* out) {
    if (!text || !*text) return false;
    uint64_t value = 0;
    for (const char* p = text; *p; ++p) {
        if (*p < '0' || *p > '9') return false;
        uint64_t digit = static_cast<uint64_t>(*p - '0');
        if (value > (std::numeric_limits<uint64_t>::max() - digit) / 10) return false;
        value = value * 10 + digit;
    }
    *out = value;
    return true;
}

bool ParseSigned(const char* text, int64_t* out) {
    if (!text) return false;
    bool negative = *text == '-';
    uint64_t magnitude = 0;
    if (!ParseUnsigned(negative ? text + 1 : text, &magnitude)) return false;
    const uint64_t limit = negative ? uint64_t{1} << 63 : static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
    if (magnitude > limit) return false;
    *out = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
    return true;
}

bool ParseAddress(const char* text, uintptr_t* out) {
    uint64_t value = 0;
    if (!ParseUnsigned(text, &value) || value == 0 || value > std::numeric_limits<uintptr_t>::max()) return false;
    *out = static_cast<uintptr_t>(value);
    return true;
}

}  // namespace zeqnet
