// The version-2 function table: the connection interface behind seven slots, plus the option
// setter that fills the process-wide defaults.
#include <cstdlib>
#include <new>

#include "api/ConnConfig.h"
#include "api/ConnHandle.h"
#include "api/ContextBuilder.h"
#include "api/ProcessDefaults.h"
#include "osal/LLog.h"
#include "vrio/zeq_net_api.h"

namespace {

struct VrioObject {
    zeq_net_conn* handle;
    int32_t openResult;  // 1 pull, 0 push: also the stream number of the later calls
};

int SetOption(const char* key, const char* value) { return zeqnet::ProcessDefaults::Get().SetOption(key, value); }

void* Open(const char* url, const char* mode) {
    if (!url || !mode || (mode[0] != 'r' && mode[0] != 'w')) {
        VLOGE("open: invalid url or mode\n");
        return nullptr;
    }
    vrio_net_config cfg = zeqnet::DefaultConnConfig();
    zeqnet::ProcessDefaults::Get().OverlayConfig(&cfg);
    zeq_net_conn* handle = zeq_net_create_connection(&cfg);
    if (!handle) return nullptr;
    vrio_open_params params{0, url};
    bool pull = mode[0] == 'r';
    int rc = pull ? zeq_net_subscribe_open(handle, &params) : zeq_net_publish_open(handle, &params);
    if (rc != (pull ? 1 : 0)) {
        zeq_net_destroy_connection(handle);
        return nullptr;
    }
    zeqnet::PostVersionNote(handle->ctx, "old", pull ? "sub" : "pub");
    auto* obj = new (std::nothrow) VrioObject{handle, rc};
    if (!obj) zeq_net_destroy_connection(handle);
    return obj;
}

void Close(void* obj) {
    auto* o = static_cast<VrioObject*>(obj);
    if (!o) return;
    zeq_net_destroy_connection(o->handle);
    delete o;
}

int Ioctl(void* obj, const char* cmd, void* arg) {
    auto* o = static_cast<VrioObject*>(obj);
    return o ? zeq_net_ioctl(o->handle, static_cast<unsigned>(o->openResult), cmd, arg) : -1;
}

int Read(vrio_frame** out, void* obj) {
    auto* o = static_cast<VrioObject*>(obj);
    return o ? zeq_net_read(o->handle, o->openResult, out) : -2;
}

int Write(vrio_frame** in, void* obj) {
    auto* o = static_cast<VrioObject*>(obj);
    return o ? zeq_net_write(o->handle, o->openResult, in) : -22;
}

const vrio_funcs kFuncs = {2, SetOption, Open, Close, Ioctl, Read, Write};

}  // namespace

extern "C" const vrio_funcs* get_vrio_funcs(int version) {
    if (version != 2) return nullptr;
    zeqnet::ProcessDefaults::Get().SetOldVersion();
    return &kFuncs;
}
