#include "MessageCatalogue.h"

#include <cstring>
#include <map>

namespace zrtc {
namespace edge {

namespace {

enum class Presence { kRequired, kOptional, kRepeated };

struct ListRule;

struct TagRule {
    uint8_t tag;
    uint16_t size;  // exact value length; 0 = any non-empty byte string
    Presence presence;
    const ListRule* nested;  // the value is itself a TLV list with these rules
};

struct ListRule {
    std::vector<TagRule> tags;
};

constexpr Presence R = Presence::kRequired;
constexpr Presence O = Presence::kOptional;
constexpr Presence N = Presence::kRepeated;

// --- nested lists a client writes ---

const ListRule kSrtp{{{1, 0, O, nullptr}, {2, 1, R, nullptr}, {3, 0, O, nullptr}, {4, 0, O, nullptr},
                      {5, 0, O, nullptr}, {6, 0, O, nullptr}}};
const ListRule kCommon{{{1, 1, R, nullptr}, {2, 0, O, nullptr}, {3, 0, R, &kSrtp}, {4, 1, O, nullptr},
                        {5, 0, O, nullptr}}};
const ListRule kSessionParams{{{1, 0, O, nullptr}, {3, 4, O, nullptr}, {7, 0, O, &kCommon}}};
const ListRule kAudio{{{1, 1, R, nullptr}, {2, 0, O, nullptr}, {3, 4, R, nullptr}, {4, 6, O, nullptr},
                       {5, 0, O, nullptr}, {6, 1, O, nullptr}, {7, 2, O, nullptr}, {8, 0, O, nullptr},
                       {9, 6, O, nullptr}, {10, 10, O, nullptr}, {11, 2, O, nullptr}}};
const ListRule kVideo{{{1, 1, R, nullptr}, {2, 0, O, nullptr}, {3, 4, R, nullptr}, {4, 1, R, nullptr},
                       {5, 2, O, nullptr}, {6, 0, O, nullptr}, {7, 6, O, nullptr}, {8, 0, O, nullptr},
                       {9, 0, O, nullptr}, {10, 0, O, nullptr}, {11, 10, O, nullptr}, {12, 2, O, nullptr},
                       {23, 1, R, nullptr}}};
// The client never writes the common parameters (tag 1) into its mini SDP.
const ListRule kMiniSdp{{{2, 0, N, &kAudio}, {3, 0, N, &kVideo}}};

// --- top-level lists, by type and kind ---

const ListRule kEmpty{{}};
const ListRule kConnectReq{{{3, 0, R, nullptr}, {23, 0, R, &kSessionParams}}};
const ListRule kPublishReq{{{3, 0, R, nullptr}, {4, 0, R, &kMiniSdp}, {12, 1, R, nullptr},
                            {23, 0, R, &kSessionParams}}};
const ListRule kSubscribeReq{{{3, 0, R, nullptr}, {4, 0, R, &kMiniSdp}, {12, 1, R, nullptr},
                              {24, 1, R, nullptr}, {23, 0, R, &kSessionParams}, {22, 0, N, nullptr},
                              {51, 1, R, nullptr}}};
const ListRule kUpdateReq{{{3, 0, R, nullptr}, {4, 0, O, &kMiniSdp}, {5, 0, N, nullptr}}};
const ListRule kStopReq{{{3, 0, R, nullptr}, {1, 2, R, nullptr}, {2, 0, O, nullptr}}};
const ListRule kMtuReq{{{10, 2, R, nullptr}}};
const ListRule kMtuEndReq{{{10, 2, R, nullptr}, {11, 1, R, nullptr}}};
const ListRule kMediaControlReq{{{3, 0, R, nullptr}, {18, 4, R, nullptr}, {22, 0, N, nullptr}}};
const ListRule kNotifyReq{{{19, 1, R, nullptr}, {20, 1, R, nullptr}, {21, 0, O, nullptr}}};
const ListRule kResult{{{1, 2, R, nullptr}, {2, 0, O, nullptr}}};

const ListRule* RequestRule(uint8_t type) {
    switch (type) {
        case 0: return &kConnectReq;
        case 1: return &kPublishReq;
        case 2: return &kSubscribeReq;
        case 3:
        case 4: return &kUpdateReq;
        case 5: return &kStopReq;
        case 6:
        case 7: return &kEmpty;
        case 8: return &kMtuReq;
        case 9: return &kMtuEndReq;
        case 10: return &kMediaControlReq;
        case 11: return &kNotifyReq;
        default: return nullptr;
    }
}

const char* const kTypeNames[] = {"CON", "PUB", "SUB", "PUBU", "SUBU", "STOP",
                                  "DISC", "HEBT", "MTUD", "MTUE", "CTRL", "NOTI"};

void CheckList(const uint8_t* data, size_t len, const ListRule& rule, bool topLevel, const std::string& where,
               std::vector<std::string>* out) {
    std::map<uint8_t, size_t> seen;
    size_t pos = 0;
    while (pos < len) {
        const size_t left = len - pos;
        if (topLevel && left <= 3) {
            bool padding = true;
            for (size_t i = pos; i < len; ++i) padding = padding && data[i] == 0xFF;
            if (padding) break;
        }
        if (left < 3) {
            out->push_back(where + std::to_string(left) + " stray bytes at the end");
            break;
        }
        const uint8_t tag = data[pos];
        const size_t valueLen = (size_t{data[pos + 1]} << 8) | data[pos + 2];
        if (valueLen > left - 3) {
            out->push_back(where + "tag " + std::to_string(tag) + " overruns its list by " +
                           std::to_string(valueLen - (left - 3)) + " bytes");
            break;
        }
        const uint8_t* value = data + pos + 3;
        pos += 3 + valueLen;
        const size_t occurrence = seen[tag]++;
        const TagRule* tagRule = nullptr;
        for (const TagRule& r : rule.tags)
            if (r.tag == tag) tagRule = &r;
        if (tagRule == nullptr) {
            out->push_back(where + "unexpected tag " + std::to_string(tag));
            continue;
        }
        if (valueLen == 0) {
            out->push_back(where + "tag " + std::to_string(tag) + " is empty");
            continue;
        }
        if (tagRule->size != 0 && valueLen != tagRule->size) {
            out->push_back(where + "tag " + std::to_string(tag) + " has " + std::to_string(valueLen) +
                           " bytes, expected " + std::to_string(tagRule->size));
            continue;
        }
        if (tagRule->nested != nullptr) {
            std::string inner = where + "in tag " + std::to_string(tag);
            if (tagRule->presence == Presence::kRepeated) inner += " #" + std::to_string(occurrence);
            CheckList(value, valueLen, *tagRule->nested, false, inner + ": ", out);
        }
    }
    for (const TagRule& r : rule.tags) {
        const auto it = seen.find(r.tag);
        const size_t count = it == seen.end() ? 0 : it->second;
        if (count == 0 && r.presence == Presence::kRequired)
            out->push_back(where + "tag " + std::to_string(r.tag) + " missing");
        if (count > 1 && r.presence != Presence::kRepeated)
            out->push_back(where + "tag " + std::to_string(r.tag) + " appears " + std::to_string(count) + " times");
    }
}

}  // namespace

bool FinalNeedsAck(uint8_t type) { return type <= 2; }

std::vector<std::string> CheckAgainstCatalogue(const WireMessage& msg) {
    std::vector<std::string> out;
    if (msg.version != 2) out.push_back("header version " + std::to_string(msg.version) + ", expected 2");
    if (msg.type < sizeof(kTypeNames) / sizeof(kTypeNames[0])) {
        char expected[4] = {0, 0, 0, 0};
        std::memcpy(expected, kTypeNames[msg.type], std::strlen(kTypeNames[msg.type]));
        if (std::memcmp(expected, msg.name, 4) != 0) out.push_back("name field does not match the type");
    }
    const ListRule* rule = nullptr;
    switch (msg.kind) {
        case 0:
            rule = RequestRule(msg.type);
            if (rule == nullptr) out.push_back("no such request type " + std::to_string(msg.type));
            break;
        case 1:
            // A client answers only the edge's own requests.
            if (msg.type == 5 || msg.type == 6 || msg.type == 10 || msg.type == 11)
                rule = &kResult;
            else
                out.push_back("a client does not answer " + TypeName(msg.type));
            break;
        case 2: out.push_back("a client never sends a temporary response"); break;
        case 3:
            if (FinalNeedsAck(msg.type))
                rule = &kEmpty;
            else
                out.push_back("no ack is due for " + TypeName(msg.type));
            break;
        default: out.push_back("unknown kind " + std::to_string(msg.kind)); break;
    }
    if (rule != nullptr) CheckList(msg.body, msg.bodyLen, *rule, true, "", &out);
    return out;
}

}  // namespace edge
}  // namespace zrtc
