// Arbitrary texts through the options language, with a resolver that knows a few device texts, and
// through the condition matcher with arbitrary patterns and subjects.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/ProcessOptions.h"

namespace {

bool Blank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.c_str();  // the language reads NUL-terminated text
    const int rc = NetBit::process_options(
        text.c_str(),
        [](const char* key, const char* value) {
            // Every applied option is trimmed, non-empty, one entry, and not a condition.
            const size_t k = std::strlen(key), v = std::strlen(value);
            if (k == 0 || v == 0 || key[0] == '_' || std::strchr(key, '=') || std::strchr(key, '&') ||
                std::strchr(value, '&') || Blank(key[0]) || Blank(key[k - 1]) || Blank(value[0]) ||
                Blank(value[v - 1]))
                __builtin_trap();
        },
        [](const char* name) -> std::string {
            if (std::strcmp(name, "_os") == 0) return "Harmony";
            if (std::strcmp(name, "_osv") == 0) return "4.0.1.310";
            if (std::strcmp(name, "_dev") == 0) return "phone";
            return "";
        });
    if (rc > 0 || rc < -4) __builtin_trap();
    if (text.empty() && rc != -1) __builtin_trap();

    // The condition matcher on its own: pattern before the first newline, subject after it.
    const size_t newline = text.find('\n');
    if (newline != std::string::npos)
        NetBit::MatchesExtendedRegex(text.substr(newline + 1), text.substr(0, newline).c_str());
    return 0;
}
