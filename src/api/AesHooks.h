// The application's AES functions, installed process-wide by name and handed to the decryptor
// when a subscription is built.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zeqnet {

using AesCreateFn = void* (*)();
using AesInitFn = int (*)(void* ctx, const uint8_t* key, int key_len);
using AesDecryptFn = int (*)(void* ctx, const uint8_t* in, uint8_t* out, int len, uint8_t* iv);
using AesFreeFn = void (*)(void* ctx);

struct AesHookSet {
    AesCreateFn create = nullptr;
    AesInitFn init = nullptr;
    AesDecryptFn decrypt = nullptr;
    AesFreeFn free = nullptr;
};

// Thread safety: any thread; the four slots are stored and read as one snapshot under a lock.
class AesHooks {
public:
    // name: "AesInitCallback", "AesCreateCallback", "AesDecryptCallback" or "AesFreeCallback";
    // value: the function's address in decimal. 0, -19 for an unknown name, -22 for a bad value.
    static int SetByName(const char* name, const char* value);
    static AesHookSet Get();
    static void ResetForTesting();
};

}  // namespace zeqnet
