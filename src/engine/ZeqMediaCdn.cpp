#include "engine/ZeqMediaCdn.h"

#include <atomic>

#include "osal/LLog.h"

namespace zeqmcdn {

namespace {
// No edge engine is linked into this build yet: without an installed factory, Create refuses.
std::atomic<ZeqMediaCdn::Factory> gFactory{nullptr};
}  // namespace

ZeqMediaCdn::Factory ZeqMediaCdn::SetFactory(Factory factory) { return gFactory.exchange(factory); }

ZeqMediaCdn* ZeqMediaCdn::Create(void* context, ZeqMediaCdnListener* listener, const SfuUrl& url) {
    if (!listener) return nullptr;
    Factory factory = gFactory.load();
    if (!factory) {
        VLOGE("no media edge engine available for %s\n", url.url.c_str());
        return nullptr;
    }
    return factory(context, listener, url);
}

void ZeqMediaCdn::Destroy(ZeqMediaCdn* engine) { delete engine; }

}  // namespace zeqmcdn
