#include "platform/ProcessOptions.h"

#include <cstring>
#include <vector>

#include "osal/LLog.h"
#include "platform/ExtendedRegex.h"

namespace NetBit {

namespace {

// Blanks trimmed from keys and values.
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

enum class GroupState { kOpen, kApplying, kFailed, kSkipping };

// One entry, trimmed in place inside the working copy. Returns 0 or the error code.
int SplitEntry(char* begin, char* end, char** key, char** value) {
    char* eq = static_cast<char*>(std::memchr(begin, '=', static_cast<size_t>(end - begin)));
    if (!eq) return -2;
    char* k = begin;
    char* k_end = eq;
    while (k < k_end && IsBlank(*k)) ++k;
    while (k_end > k && IsBlank(k_end[-1])) --k_end;
    char* v = eq + 1;
    char* v_end = end;
    while (v < v_end && IsBlank(*v)) ++v;
    while (v_end > v && IsBlank(v_end[-1])) --v_end;
    if (k == k_end) return -3;
    if (v == v_end) return -4;
    *k_end = '\0';
    *v_end = '\0';
    *key = k;
    *value = v;
    return 0;
}

bool ConditionHolds(const char* key, const char* pattern, const OptionResolve& resolve) {
    if (!resolve) return false;
    const std::string subject = resolve(key);
    if (subject.empty()) return false;
    return MatchesExtendedRegex(subject, pattern);
}

}  // namespace

bool MatchesExtendedRegex(const std::string& subject, const char* pattern) {
    ExtendedRegex re;
    if (!re.Compile(pattern)) {
        VLOGW("options: condition pattern refused, does not hold: %.64s\n", pattern ? pattern : "(null)");
        return false;
    }
    return re.Matches(subject);
}

int process_options(const char* text, const OptionApply& apply, const OptionResolve& resolve) {
    if (!text || !*text) {
        VLOGE("options: empty text\n");
        return -1;
    }
    const size_t len = strnlen(text, kMaxOptionsTextBytes);
    if (len >= kMaxOptionsTextBytes) {
        VLOGE("options: text of %zu bytes or more refused\n", kMaxOptionsTextBytes);
        return -1;
    }
    if (!apply) {
        VLOGE("options: no key handler\n");
        return -1;
    }
    // A working copy that ends with '&', so that every entry is closed by one.
    std::vector<char> work(text, text + len);
    if (work.back() != '&') work.push_back('&');

    GroupState state = GroupState::kOpen;
    char* entry = work.data();
    char* const stop = work.data() + work.size();
    while (entry < stop) {
        char* amp = static_cast<char*>(std::memchr(entry, '&', static_cast<size_t>(stop - entry)));
        char* key = nullptr;
        char* value = nullptr;
        const int rc = SplitEntry(entry, amp, &key, &value);
        if (rc != 0) {
            *amp = '\0';
            VLOGE("options: %s in entry \"%.64s\", stopped (%d)\n",
                  rc == -2 ? "no '='" : rc == -3 ? "empty key" : "empty value", entry, rc);
            return rc;
        }
        entry = amp + 1;
        if (key[0] == '_') {
            // Conditions after a failed one are not evaluated: the group is already off.
            if (state != GroupState::kFailed)
                state = ConditionHolds(key, value, resolve) ? GroupState::kOpen : GroupState::kFailed;
            continue;
        }
        switch (state) {
            case GroupState::kOpen:
            case GroupState::kApplying:
                apply(key, value);
                state = GroupState::kApplying;
                break;
            case GroupState::kFailed:
            case GroupState::kSkipping:
                state = GroupState::kSkipping;
                break;
        }
    }
    return 0;
}

}  // namespace NetBit
