#include "platform/ValueText.h"

#include <cstdio>

namespace NetBit {

std::string boolToString(bool value) { return value ? "true" : "false"; }

std::string intToString(int value) {
    char text[16];
    std::snprintf(text, sizeof(text), "%d", value);
    return text;
}

std::string longlongToString(int64_t value) {
    char text[24];
    std::snprintf(text, sizeof(text), "%lld", static_cast<long long>(value));
    return text;
}

}  // namespace NetBit
