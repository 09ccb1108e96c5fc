// Arbitrary texts through the parsers of the runtime controls.
#include <cstddef>
#include <cstdint>
#include <string>

#include "api/ControlText.h"
#include "osal/DecimalText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.c_str();
    zeqnet::AesKeyText key;
    zeqnet::ParseAesKeyText(text.c_str(), &key);
    uint64_t ms = 0;
    int rc = zeqnet::ParseBufferingKeyValue(text.c_str(), &ms);
    if (rc == 1 && ms == 0) __builtin_trap();
    int64_t s = 0;
    zeqnet::ParseSigned(text.c_str(), &s);
    uintptr_t address = 0;
    if (zeqnet::ParseAddress(text.c_str(), &address) && address == 0) __builtin_trap();
    return 0;
}
