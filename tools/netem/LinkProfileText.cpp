#include "netem/LinkProfileText.h"

#include <cstdio>
#include <vector>

#include "osal/DecimalText.h"
#include "osal/LLog.h"

namespace zrtc {
namespace netem {

namespace {

// Longest piece of bad text quoted back in an error message.
constexpr size_t kMaxQuoted = 48;

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> Split(std::string_view s, char sep) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (;;) {
        const size_t at = s.find(sep, start);
        if (at == std::string_view::npos) {
            parts.push_back(s.substr(start));
            return parts;
        }
        parts.push_back(s.substr(start, at - start));
        start = at + 1;
    }
}

// The text quoted for a message: printable ASCII as is, the rest as \xNN, long text cut.
std::string Quote(std::string_view s) {
    std::string out = "'";
    for (size_t i = 0; i < s.size() && i < kMaxQuoted; ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c >= 0x20 && c < 0x7f) {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        }
    }
    if (s.size() > kMaxQuoted) out += "...";
    return out + "'";
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

bool Digits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

// "12" or "12.345" times 10^exponent, which must come out whole and at most `max`.
bool ParseScaled(std::string_view number, int exponent, uint64_t max, uint64_t* out, std::string* why) {
    const size_t dot = number.find('.');
    const std::string_view whole = number.substr(0, dot);
    std::string_view frac = dot == std::string_view::npos ? std::string_view() : number.substr(dot + 1);
    if (!Digits(whole) || (dot != std::string_view::npos && !Digits(frac))) {
        *why = "expected a number like 12 or 1.5";
        return false;
    }
    uint64_t w = 0;
    if (!zeqnet::ParseUnsigned(std::string(whole).c_str(), &w)) {
        *why = "number too large";
        return false;
    }
    uint64_t scale = 1;
    for (int i = 0; i < exponent; ++i) scale *= 10;
    uint64_t value = 0;
    if (__builtin_mul_overflow(w, scale, &value)) {
        *why = "number too large";
        return false;
    }
    // Trailing zeros of the fraction carry nothing; what is left must fit the resolution.
    while (!frac.empty() && frac.back() == '0') frac.remove_suffix(1);
    if (static_cast<int>(frac.size()) > exponent) {
        *why = "more decimals than the resolution allows";
        return false;
    }
    if (!frac.empty()) {
        uint64_t f = 0;
        zeqnet::ParseUnsigned(std::string(frac).c_str(), &f);  // at most `exponent` (<= 9) digits
        for (size_t i = frac.size(); i < static_cast<size_t>(exponent); ++i) f *= 10;
        if (__builtin_add_overflow(value, f, &value)) {
            *why = "number too large";
            return false;
        }
    }
    if (value > max) {
        *why = "out of range";
        return false;
    }
    *out = value;
    return true;
}

// Splits "40ms" into "40" and "ms".
// False (with a message) when there is no number in front.
bool SplitUnit(std::string_view s, std::string_view* number, std::string_view* unit, std::string* why) {
    size_t i = 0;
    while (i < s.size() && ((s[i] >= '0' && s[i] <= '9') || s[i] == '.')) ++i;
    *number = s.substr(0, i);
    *unit = s.substr(i);
    if (i == 0) *why = "expected a number first, like 40ms, 2mbps or 50";
    return i != 0;
}

// "2%" (0..100%) or "0.02" (0..1), to 1e-9.
bool ParseProbability(std::string_view s, uint32_t* ppb, std::string* why) {
    const bool percent = !s.empty() && s.back() == '%';
    if (percent) s.remove_suffix(1);
    uint64_t v = 0;
    if (!ParseScaled(s, percent ? 7 : 9, kPpbOne, &v, why)) {
        if (*why == "out of range" || *why == "number too large")
            *why = "a probability is a fraction 0..1 or a percentage 0..100%";
        else if (*why == "more decimals than the resolution allows")
            *why = "a probability resolves to 1e-9 (0.0000001%)";
        else
            *why = "expected a probability like 2% or 0.02";
        return false;
    }
    *ppb = static_cast<uint32_t>(v);
    return true;
}

bool ParseTime(std::string_view s, int64_t* us, std::string* why) {
    std::string_view number, unit;
    if (!SplitUnit(s, &number, &unit, why)) return false;
    int exponent = 0;
    if (unit == "us") {
        exponent = 0;
    } else if (unit == "ms") {
        exponent = 3;
    } else if (unit == "s") {
        exponent = 6;
    } else {
        *why = unit.empty() ? "a time needs a unit: us, ms or s" : "unknown time unit (us, ms or s)";
        return false;
    }
    uint64_t v = 0;
    if (!ParseScaled(number, exponent, static_cast<uint64_t>(kMaxTimeUs), &v, why)) {
        if (*why == "out of range" || *why == "number too large") *why = "a time is at most 3600s";
        if (*why == "more decimals than the resolution allows") *why = "a time resolves to 1us";
        return false;
    }
    *us = static_cast<int64_t>(v);
    return true;
}

bool ParseRate(std::string_view s, uint64_t* bps, std::string* why) {
    if (s == "off" || s == "0") {
        *bps = 0;
        return true;
    }
    std::string_view number, unit;
    if (!SplitUnit(s, &number, &unit, why)) return false;
    int exponent = 0;
    if (EqualsNoCase(unit, "bps")) {
        exponent = 0;
    } else if (EqualsNoCase(unit, "kbps")) {
        exponent = 3;
    } else if (EqualsNoCase(unit, "mbps")) {
        exponent = 6;
    } else if (EqualsNoCase(unit, "gbps")) {
        exponent = 9;
    } else {
        *why = unit.empty() ? "a rate needs a unit: bps, kbps, mbps or gbps (or off)"
                            : "unknown rate unit (bps, kbps, mbps, gbps)";
        return false;
    }
    uint64_t v = 0;
    if (!ParseScaled(number, exponent, kMaxRateBps, &v, why) || v < kMinRateBps) {
        if (*why == "more decimals than the resolution allows")
            *why = "a rate resolves to 1bps";
        else
            *why = "a rate is off or 1kbps..100gbps";
        return false;
    }
    *bps = v;
    return true;
}

bool ParseQueue(std::string_view s, uint32_t* packets, uint64_t* bytes, std::string* why) {
    std::string_view number, unit;
    if (!SplitUnit(s, &number, &unit, why)) return false;
    if (unit.empty()) {
        uint64_t v = 0;
        if (!ParseScaled(number, 0, kMaxQueuePackets, &v, why) || v == 0) {
            *why = "a queue is 1..1000000 packets, or bytes like 64kB";
            return false;
        }
        *packets = static_cast<uint32_t>(v);
        *bytes = 0;
        return true;
    }
    int exponent = 0;
    if (unit == "B") {
        exponent = 0;
    } else if (unit == "kB") {
        exponent = 3;
    } else if (unit == "MB") {
        exponent = 6;
    } else {
        *why = "unknown queue unit (none for packets; B, kB or MB)";
        return false;
    }
    uint64_t v = 0;
    if (!ParseScaled(number, exponent, kMaxQueueBytes, &v, why) || v == 0) {
        *why = "a queue in bytes is 1B..1000MB, whole bytes";
        return false;
    }
    *packets = 0;
    *bytes = v;
    return true;
}

// "off" or "gilbert:p=..:r=..[:h=..][:k=..]".
bool ParseBurst(std::string_view s, BurstProfile* burst, std::string* why) {
    if (s == "off") {
        *burst = BurstProfile();
        return true;
    }
    const std::vector<std::string_view> parts = Split(s, ':');
    if (Trim(parts[0]) != "gilbert") {
        *why = "a burst model is off or gilbert:p=..:r=..[:h=..][:k=..]";
        return false;
    }
    BurstProfile b;
    b.enabled = true;
    bool seen[4] = {false, false, false, false};
    static const char* const kNames[4] = {"p", "r", "h", "k"};
    uint32_t* const fields[4] = {&b.pPpb, &b.rPpb, &b.hPpb, &b.kPpb};
    for (size_t i = 1; i < parts.size(); ++i) {
        const std::string_view part = Trim(parts[i]);
        const size_t eq = part.find('=');
        const std::string_view name = eq == std::string_view::npos ? part : Trim(part.substr(0, eq));
        int which = -1;
        for (int n = 0; n < 4; ++n)
            if (name == kNames[n]) which = n;
        if (which < 0 || eq == std::string_view::npos) {
            *why = "burst parameter " + Quote(part) + " is not p=, r=, h= or k=";
            return false;
        }
        if (seen[which]) {
            *why = std::string("burst parameter ") + kNames[which] + " given twice";
            return false;
        }
        seen[which] = true;
        if (!ParseProbability(Trim(part.substr(eq + 1)), fields[which], why)) {
            *why = std::string("burst ") + kNames[which] + ": " + *why;
            return false;
        }
    }
    if (!seen[0] || !seen[1]) {
        *why = "burst=gilbert needs p= (Good to Bad) and r= (Bad to Good)";
        return false;
    }
    *burst = b;
    return true;
}

// "1%" or "1%:hold=30ms".
bool ParseReorder(std::string_view s, uint32_t* ppb, int64_t* holdUs, std::string* why) {
    const std::vector<std::string_view> parts = Split(s, ':');
    uint32_t p = 0;
    int64_t hold = *holdUs;
    if (!ParseProbability(Trim(parts[0]), &p, why)) return false;
    bool holdSeen = false;
    for (size_t i = 1; i < parts.size(); ++i) {
        const std::string_view part = Trim(parts[i]);
        const size_t eq = part.find('=');
        if (eq == std::string_view::npos || Trim(part.substr(0, eq)) != "hold" || holdSeen) {
            *why = "reorder takes one parameter, hold=<time>; got " + Quote(part);
            return false;
        }
        holdSeen = true;
        if (!ParseTime(Trim(part.substr(eq + 1)), &hold, why)) {
            *why = "reorder hold: " + *why;
            return false;
        }
        if (hold == 0) {
            *why = "reorder hold must be above 0";
            return false;
        }
    }
    *ppb = p;
    *holdUs = hold;
    return true;
}

bool Fail(std::string_view item, const std::string& why, std::string* error) {
    const std::string message = "bad link description at " + Quote(item) + ": " + why;
    VLOGW("netem: %s", message.c_str());
    if (error) *error = message;
    return false;
}

enum Key { kLoss, kBurst, kDelay, kJitter, kOrder, kRate, kQueue, kDup, kReorder, kSeed, kKeyCount };
const char* const kKeyNames[kKeyCount] = {"loss", "burst", "delay", "jitter", "order",
                                           "rate", "queue", "dup",   "reorder", "seed"};

bool ApplyItem(Key key, std::string_view value, LinkProfile* s, std::string* why) {
    switch (key) {
        case kLoss: return ParseProbability(value, &s->lossPpb, why);
        case kBurst: return ParseBurst(value, &s->burst, why);
        case kDelay: return ParseTime(value, &s->delayUs, why);
        case kJitter: return ParseTime(value, &s->jitterUs, why);
        case kOrder:
            if (value != "keep" && value != "any") {
                *why = "order is keep or any";
                return false;
            }
            s->keepOrder = value == "keep";
            return true;
        case kRate: return ParseRate(value, &s->rateBps, why);
        case kQueue: return ParseQueue(value, &s->queuePackets, &s->queueBytes, why);
        case kDup: return ParseProbability(value, &s->dupPpb, why);
        case kReorder: return ParseReorder(value, &s->reorderPpb, &s->reorderHoldUs, why);
        case kSeed:
            if (!Digits(value) || !zeqnet::ParseUnsigned(std::string(value).c_str(), &s->seed)) {
                *why = "a seed is a whole number 0..18446744073709551615";
                return false;
            }
            return true;
        case kKeyCount: break;
    }
    return false;
}

// ppb as a percentage with no trailing zeros: 20000000 -> "2%", 5000000 -> "0.5%".
std::string Percent(uint32_t ppb) {
    char text[32];
    const uint32_t whole = ppb / 10000000u, frac = ppb % 10000000u;
    if (frac == 0) {
        std::snprintf(text, sizeof text, "%u%%", whole);
        return text;
    }
    std::snprintf(text, sizeof text, "%u.%07u", whole, frac);
    std::string out = text;
    while (out.back() == '0') out.pop_back();
    return out + "%";
}

std::string Time(int64_t us) {
    char text[32];
    if (us != 0 && us % 1000000 == 0)
        std::snprintf(text, sizeof text, "%llds", static_cast<long long>(us / 1000000));
    else if (us % 1000 == 0)
        std::snprintf(text, sizeof text, "%lldms", static_cast<long long>(us / 1000));
    else
        std::snprintf(text, sizeof text, "%lldus", static_cast<long long>(us));
    return text;
}

std::string Rate(uint64_t bps) {
    char text[32];
    if (bps == 0) return "off";
    if (bps % 1000000000 == 0)
        std::snprintf(text, sizeof text, "%llugbps", static_cast<unsigned long long>(bps / 1000000000));
    else if (bps % 1000000 == 0)
        std::snprintf(text, sizeof text, "%llumbps", static_cast<unsigned long long>(bps / 1000000));
    else if (bps % 1000 == 0)
        std::snprintf(text, sizeof text, "%llukbps", static_cast<unsigned long long>(bps / 1000));
    else
        std::snprintf(text, sizeof text, "%llubps", static_cast<unsigned long long>(bps));
    return text;
}

}  // namespace

bool ParseLinkProfile(std::string_view text, LinkProfile* profile, std::string* error) {
    LinkProfile next = *profile;
    if (Trim(text).empty()) return true;
    bool seen[kKeyCount] = {};
    for (std::string_view raw : Split(text, ',')) {
        const std::string_view item = Trim(raw);
        if (item.empty()) return Fail(text, "empty item (two commas, or a comma at an end)", error);
        const size_t eq = item.find('=');
        if (eq == std::string_view::npos) return Fail(item, "expected key=value", error);
        const std::string_view name = Trim(item.substr(0, eq));
        const std::string_view value = Trim(item.substr(eq + 1));
        int key = -1;
        for (int k = 0; k < kKeyCount; ++k)
            if (name == kKeyNames[k]) key = k;
        if (key < 0)
            return Fail(item, "unknown key (loss, burst, delay, jitter, order, rate, queue, dup, reorder, seed)", error);
        if (seen[key]) return Fail(item, std::string("key ") + kKeyNames[key] + " given twice", error);
        seen[key] = true;
        if (value.empty()) return Fail(item, "missing value", error);
        std::string why;
        if (!ApplyItem(static_cast<Key>(key), value, &next, &why)) return Fail(item, why, error);
    }
    *profile = next;
    return true;
}

bool ParseDuplexProfile(std::string_view text, DuplexProfile* profile, std::string* error) {
    DuplexProfile next = *profile;
    const std::vector<std::string_view> sections = Split(text, ';');
    for (std::string_view raw : sections) {
        std::string_view section = Trim(raw);
        LinkProfile* targets[2] = {&next.up, &next.down};
        size_t count = 2;
        if (section.substr(0, 3) == "up:") {
            section.remove_prefix(3);
            count = 1;
        } else if (section.substr(0, 5) == "down:") {
            section.remove_prefix(5);
            targets[0] = &next.down;
            count = 1;
        } else if (section.empty() && sections.size() > 1) {
            return Fail(text, "empty section (two semicolons, or one at an end)", error);
        }
        for (size_t i = 0; i < count; ++i)
            if (!ParseLinkProfile(section, targets[i], error)) return false;
    }
    *profile = next;
    return true;
}

std::string FormatLinkProfile(const LinkProfile& s) {
    const LinkProfile d;
    std::vector<std::string> items;
    if (s.lossPpb != d.lossPpb) items.push_back("loss=" + Percent(s.lossPpb));
    if (s.burst != d.burst) {
        if (!s.burst.enabled) {
            items.push_back("burst=off");
        } else {
            items.push_back("burst=gilbert:p=" + Percent(s.burst.pPpb) + ":r=" + Percent(s.burst.rPpb) +
                            ":h=" + Percent(s.burst.hPpb) + ":k=" + Percent(s.burst.kPpb));
        }
    }
    if (s.delayUs != d.delayUs) items.push_back("delay=" + Time(s.delayUs));
    if (s.jitterUs != d.jitterUs) items.push_back("jitter=" + Time(s.jitterUs));
    if (s.keepOrder != d.keepOrder) items.push_back(s.keepOrder ? "order=keep" : "order=any");
    if (s.rateBps != d.rateBps) items.push_back("rate=" + Rate(s.rateBps));
    if (s.queuePackets != d.queuePackets || s.queueBytes != d.queueBytes) {
        items.push_back(s.queueBytes != 0 ? "queue=" + std::to_string(s.queueBytes) + "B"
                                          : "queue=" + std::to_string(s.queuePackets));
    }
    if (s.dupPpb != d.dupPpb) items.push_back("dup=" + Percent(s.dupPpb));
    if (s.reorderPpb != d.reorderPpb || s.reorderHoldUs != d.reorderHoldUs) {
        std::string item = "reorder=" + Percent(s.reorderPpb);
        if (s.reorderHoldUs != d.reorderHoldUs) item += ":hold=" + Time(s.reorderHoldUs);
        items.push_back(item);
    }
    if (s.seed != d.seed) items.push_back("seed=" + std::to_string(s.seed));
    std::string out;
    for (const std::string& item : items) {
        if (!out.empty()) out += ',';
        out += item;
    }
    return out;
}

std::string FormatDuplexProfile(const DuplexProfile& profile) {
    if (profile.up == profile.down) return FormatLinkProfile(profile.up);
    return "up: " + FormatLinkProfile(profile.up) + "; down: " + FormatLinkProfile(profile.down);
}

}  // namespace netem
}  // namespace zrtc
