// Where the transport sends in-band key information and the "forget every key" request. The stream
// key manager installs itself here; until one is installed both are logged and dropped.
#pragma once

#include <cstdint>

namespace zeqmcdn {

class KeyInfoSink {
public:
    virtual ~KeyInfoSink() = default;
    virtual void OnKeyInfo(const uint8_t* data, int len) = 0;
    virtual void ClearAllKeys() = 0;
    // The plaintext key the player sends for key `keyId` of stream `msid`; 0 when taken.
    virtual int SetKey(const char* msid, int keyId, const char* key) = 0;
};

// Thread safety: install before sessions start; the pointer is read atomically.
void SetKeyInfoSink(KeyInfoSink* sink);
KeyInfoSink* GetKeyInfoSink();

}  // namespace zeqmcdn
