#include "engine/MsgParam.h"

#include <cstring>

namespace zeqmcdn {

bool ParamBlob::Set(const void* bytes, size_t n) {
    if (n > kMax || (n > 0 && !bytes)) {
        length = 0;
        return false;
    }
    if (n > 0) std::memcpy(data, bytes, n);
    length = static_cast<uint32_t>(n);
    return true;
}

bool ParseInvokeListenerId(const String& invoke_id, uint32_t* id) {
    uint32_t value = 0;
    size_t digits = 0;
    for (; digits < invoke_id.size() && digits < 8; ++digits) {
        char c = invoke_id[digits];
        uint32_t digit;
        if (c >= '0' && c <= '9') digit = static_cast<uint32_t>(c - '0');
        else if (c >= 'a' && c <= 'f') digit = static_cast<uint32_t>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F') digit = static_cast<uint32_t>(c - 'A' + 10);
        else break;
        value = value * 16 + digit;
    }
    if (digits == 0) return false;
    *id = value;
    return true;
}

}  // namespace zeqmcdn
