// Texts the player hands to the runtime controls: the AES key text and "key=value".
#pragma once

#include <cstdint>
#include <string>

namespace zeqnet {

struct AesKeyText {
    std::string msid;
    int keyId = 0;
    std::string plaintext;
};

// "Msid:<msid>;KeyID:<decimal>;Plaintext:<key to the end>". False (with the error line) otherwise.
bool ParseAesKeyText(const char* text, AesKeyText* out);

// "set_key_value": 1 with `ms` when BufferingDuration is to be set; otherwise the ioctl's answer:
// -1 (no text, no '=', empty key or value), 0 (another key), -22 (bad or zero number).
int ParseBufferingKeyValue(const char* text, uint64_t* ms);

}  // namespace zeqnet
