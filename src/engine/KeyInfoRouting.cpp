#include "engine/KeyInfoRouting.h"

#include <atomic>

namespace zeqmcdn {

namespace {
std::atomic<KeyInfoSink*> gSink{nullptr};
}

void SetKeyInfoSink(KeyInfoSink* sink) { gSink.store(sink); }
KeyInfoSink* GetKeyInfoSink() { return gSink.load(); }

}  // namespace zeqmcdn
