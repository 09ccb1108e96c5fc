// Arbitrary texts through the engine-message reader, and texts built in the engine's own format
// from arbitrary parts, which must read back to the same fields.
#include <cinttypes>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/EngineMessageText.h"

namespace {

// What the reader must make of a description without '"': the pairs text, or false when some
// piece is empty, has no key or has no value.
bool ExpectedPairs(const std::string& desc, std::string* pairs) {
    size_t at = 0;
    while (at < desc.size()) {
        size_t comma = desc.find(',', at);
        if (comma == std::string::npos) comma = desc.size();
        const std::string piece = desc.substr(at, comma - at);
        const size_t colon = piece.find(':');
        if (piece.empty() || colon == std::string::npos || colon == 0 || colon + 1 == piece.size()) return false;
        *pairs += piece.substr(0, colon) + "=" + piece.substr(colon + 1) + "&";
        if (comma + 1 == desc.size()) return false;  // a trailing ',' leaves an empty piece
        at = comma + 1;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.c_str();
    int64_t when = 0;
    std::string where, pairs;
    uint32_t who = 0;
    if (NetBit::parse_message_string(text.c_str(), 0, &when, &where, &who, &pairs)) {
        if (where.empty() || where.find(',') != std::string::npos) __builtin_trap();
        if (!pairs.empty() && pairs.back() != '&') __builtin_trap();
    }

    // Build-then-read: the fuzz input provides the numbers, the source and the description.
    if (size < 12) return 0;
    uint64_t n1 = 0;
    uint32_t n2 = 0;
    std::memcpy(&n1, data, 8);
    std::memcpy(&n2, data + 8, 4);
    std::string rest(reinterpret_cast<const char*>(data + 12), size - 12);
    rest = rest.c_str();
    const size_t split = rest.find('|');
    std::string source = rest.substr(0, split);
    std::string desc = split == std::string::npos ? std::string() : rest.substr(split + 1);
    std::string clean_source;
    for (char c : source)
        if (c != ',') clean_source += c;
    if (clean_source.empty()) clean_source = "na";
    std::string clean_desc;
    for (char c : desc)
        if (c != '"') clean_desc += c;
    const int64_t when_in = static_cast<int64_t>(n1);
    char built[4096];
    const int len = std::snprintf(built, sizeof(built), "code=%u,when=%" PRId64 ",where=%.31s,who=%u,desc=\"%s\"", n2,
                                  when_in, clean_source.c_str(), n2, clean_desc.c_str());
    if (len < 0 || static_cast<size_t>(len) >= sizeof(built)) return 0;
    int64_t when_out = 0;
    std::string where_out, pairs_out;
    uint32_t who_out = 0;
    std::string want_pairs;
    const bool want_ok = ExpectedPairs(clean_desc, &want_pairs);
    const bool ok = NetBit::parse_message_string(built, 0, &when_out, &where_out, &who_out, &pairs_out);
    if (ok != want_ok) __builtin_trap();
    if (ok && (when_out != when_in || who_out != n2 || where_out != clean_source.substr(0, 31) ||
               pairs_out != want_pairs))
        __builtin_trap();
    return 0;
}
