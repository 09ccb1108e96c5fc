#include "api/ControlText.h"

#include <cstring>

#include "osal/DecimalText.h"
#include "osal/LLog.h"

namespace zeqnet {

bool ParseAesKeyText(const char* text, AesKeyText* out) {
    static const char kMsid[] = "Msid:";
    static const char kKeyId[] = ";KeyID:";
    static const char kPlain[] = ";Plaintext:";
    if (!text) {
        VLOGE("failed to parsed aes key %s \n", "(null)");
        return false;
    }
    const char* msid = std::strstr(text, kMsid);
    const char* keyId = msid ? std::strstr(msid + sizeof(kMsid) - 1, kKeyId) : nullptr;
    const char* plain = keyId ? std::strstr(keyId + sizeof(kKeyId) - 1, kPlain) : nullptr;
    if (msid != text || !keyId || !plain) {
        VLOGE("failed to parsed aes key %s \n", text);
        return false;
    }
    msid += sizeof(kMsid) - 1;
    keyId += sizeof(kKeyId) - 1;
    std::string keyIdText(keyId, plain);
    int64_t id = 0;
    if (!ParseSigned(keyIdText.c_str(), &id) || id < INT32_MIN || id > INT32_MAX) {
        VLOGE("failed to parsed aes key %s keyid %s \n", text, keyIdText.c_str());
        return false;
    }
    out->msid.assign(msid, keyId - (sizeof(kKeyId) - 1));
    out->keyId = static_cast<int>(id);
    out->plaintext = plain + sizeof(kPlain) - 1;
    return true;
}

int ParseBufferingKeyValue(const char* text, uint64_t* ms) {
    static const char kKey[] = "BufferingDuration";
    if (!text) return -1;
    const char* eq = std::strchr(text, '=');
    if (!eq || eq == text || eq[1] == '\0') return -1;
    size_t keyLen = static_cast<size_t>(eq - text);
    // The key is compared over its own length, so a prefix of the name selects it too.
    if (keyLen > sizeof(kKey) - 1 || std::strncmp(text, kKey, keyLen) != 0) return 0;
    uint64_t value = 0;
    if (!ParseUnsigned(eq + 1, &value) || value == 0) return -22;
    *ms = value;
    return 1;
}

}  // namespace zeqnet
