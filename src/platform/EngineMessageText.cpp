#include "platform/EngineMessageText.h"

#include <cstring>
#include <limits>
#include <vector>

#include "osal/LLog.h"

namespace NetBit {

namespace {

const char kFunction[] = "parse_message_string";

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool Literal(const char*& p, const char* word) {
    const size_t n = std::strlen(word);
    if (std::strncmp(p, word, n) != 0) return false;
    p += n;
    return true;
}

// A scanf integer conversion: blanks, an optional sign, at least one digit (of any length).
struct ScannedInteger {
    bool negative = false;
    bool overflow = false;  // more than 64 bits of magnitude
    uint64_t magnitude = 0;
};

bool ScanInteger(const char*& p, ScannedInteger* out) {
    const char* q = p;
    while (IsSpace(*q)) ++q;
    ScannedInteger s;
    if (*q == '+' || *q == '-') s.negative = *q++ == '-';
    if (*q < '0' || *q > '9') return false;
    for (; *q >= '0' && *q <= '9'; ++q) {
        const unsigned digit = static_cast<unsigned>(*q - '0');
        if (s.magnitude > (std::numeric_limits<uint64_t>::max() - digit) / 10) s.overflow = true;
        if (!s.overflow) s.magnitude = s.magnitude * 10 + digit;
    }
    p = q;
    *out = s;
    return true;
}

// A value that does not fit the destination is refused rather than truncated.
bool ToInt64(const ScannedInteger& s, int64_t* out) {
    constexpr uint64_t kMaxMagnitude = uint64_t{1} << 63;
    if (s.overflow || s.magnitude > (s.negative ? kMaxMagnitude : kMaxMagnitude - 1)) return false;
    *out = s.negative ? static_cast<int64_t>(0 - s.magnitude) : static_cast<int64_t>(s.magnitude);
    return true;
}

bool ToUint32(const ScannedInteger& s, uint32_t* out) {
    if (s.overflow || (s.negative && s.magnitude != 0) || s.magnitude > std::numeric_limits<uint32_t>::max())
        return false;
    *out = static_cast<uint32_t>(s.magnitude);
    return true;
}

// The fixed head of the text, as "code=%*d,when=%lld,where=%[^,],who=%u" reads it; false unless
// all three of when, where and who were read.
bool ReadHead(const char* text, int64_t* when, std::string* where, uint32_t* who) {
    const char* p = text;
    ScannedInteger number;
    if (!Literal(p, "code=") || !ScanInteger(p, &number)) return false;
    if (!Literal(p, ",when=") || !ScanInteger(p, &number) || !ToInt64(number, when)) return false;
    if (!Literal(p, ",where=")) return false;
    const size_t where_len = std::strcspn(p, ",");
    if (where_len == 0) return false;
    where->assign(p, where_len);
    p += where_len;
    return Literal(p, ",who=") && ScanInteger(p, &number) && ToUint32(number, who);
}

struct Piece {
    const char* key;
    size_t key_len;
    const char* value;
    size_t value_len;
};

}  // namespace

bool parse_message_string(const char* text, int /*ignored*/, int64_t* when, std::string* where, uint32_t* who,
                          std::string* pairs) {
    const char* shown = text ? text : "(null)";
    int64_t when_read = 0;
    std::string where_read;
    uint32_t who_read = 0;
    if (!text || !ReadHead(text, &when_read, &where_read, &who_read)) {
        VLOGE("%s sscanf failed, data:%s", kFunction, shown);
        return false;
    }
    const char* open = std::strstr(text, ",desc=\"");
    const char* desc = open ? open + std::strlen(",desc=\"") : nullptr;
    const char* close = desc ? std::strchr(desc, '"') : nullptr;
    if (!close) {  // no description, or one that is never closed
        VLOGE("%s strstr failed, data:%s", kFunction, shown);
        return false;
    }

    std::vector<Piece> pieces;
    for (const char* p = desc; p < close;) {
        const char* comma = static_cast<const char*>(std::memchr(p, ',', static_cast<size_t>(close - p)));
        const char* end = comma ? comma : close;
        if (end == p) {
            VLOGE("%s empty failed, data:%s", kFunction, shown);
            return false;
        }
        const char* colon = static_cast<const char*>(std::memchr(p, ':', static_cast<size_t>(end - p)));
        if (!colon || colon == p) {
            VLOGE("%s strchr failed, data:%s", kFunction, shown);
            return false;
        }
        if (colon + 1 == end) {
            VLOGE("%s val failed, data:%s", kFunction, shown);
            return false;
        }
        pieces.push_back({p, static_cast<size_t>(colon - p), colon + 1, static_cast<size_t>(end - colon - 1)});
        if (!comma) break;
        p = comma + 1;
        if (p == close) {  // a trailing ',' leaves an empty last piece
            VLOGE("%s empty failed, data:%s", kFunction, shown);
            return false;
        }
    }

    if (when) *when = when_read;
    if (where) *where = where_read;
    if (who) *who = who_read;
    if (pairs) {
        for (const Piece& piece : pieces) {
            pairs->append(piece.key, piece.key_len);
            pairs->push_back('=');
            pairs->append(piece.value, piece.value_len);
            pairs->push_back('&');
        }
    }
    return true;
}

}  // namespace NetBit
