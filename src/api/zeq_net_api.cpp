// The C entry points of the connection interface: argument and handle checks, then the session.
// No exception leaves this file.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "api/AesHooks.h"
#include "api/ConnConfig.h"
#include "api/ContextBuilder.h"
#include "api/ControlText.h"
#include "api/IoctlCommands.h"
#include "api/McdnContext1.h"
#include "osal/DecimalText.h"
#include "api/ProcessDefaults.h"
#include "api/ZeqNetConnManager.h"
#include "osal/LLog.h"
#include "vrio/osal.h"
#include "vrio/zeq_net_api.h"

using zeqnet::ZeqNetConnManager;

namespace {

// The session context of a registered, opened handle; nullptr otherwise. Every runtime control
// and ioctl command needs one and answers -22 without it.
McdnContext1* ContextOf(zeq_net_conn* handle) {
    if (!ZeqNetConnManager::Get().Contains(handle)) return nullptr;
    return handle->ctx;
}

bool ValidStream(int stream) { return stream == 0 || stream == 1; }

// The buffering duration a player may set at run time.
constexpr long long kBufferDurationMinMs = 100;
constexpr long long kBufferDurationMaxMs = 1000;

int OpenCommon(zeq_net_conn* handle, const vrio_open_params* params, char mode) {
    if (!ZeqNetConnManager::Get().Contains(handle) || !params || !params->url || handle->ctx) {
        VLOGE("open refused: handle=%p params=%p\n", static_cast<void*>(handle), static_cast<const void*>(params));
        return -1;
    }
    VLOGI("handle=%p, url=%s\n", static_cast<void*>(handle), params->url);
    return zeqnet::BuildSessionContext(handle, params->url, mode) ? 0 : -1;
}

}  // namespace

extern "C" vrio_net_config zeq_net_get_default_cfg(void) { return zeqnet::DefaultConnConfig(); }

extern "C" zeq_net_conn* zeq_net_create_connection(const vrio_net_config* cfg) {
    if (!cfg) {
        VLOGE("invalid param\n");
        return nullptr;
    }
    zeqnet::OpeningMarks::startTimeMs.store(osal_get_time_ms(), std::memory_order_relaxed);
    auto* handle = new (std::nothrow) zeq_net_conn;
    if (!handle) {
        VLOGE("out of memory\n");
        return nullptr;
    }
    VLOGI("handle=%p\n", static_cast<void*>(handle));
    std::memcpy(&handle->cfg, cfg, sizeof(handle->cfg));
    zeqnet::NormalizeConnConfig(&handle->cfg);
    handle->ctx = nullptr;
    ZeqNetConnManager::Get().Add(handle);
    zeqnet::OpeningMarks::firstReportDone.store(false, std::memory_order_relaxed);
    return handle;
}

extern "C" int zeq_net_destroy_connection(zeq_net_conn* handle) {
    if (!ZeqNetConnManager::Get().Remove(handle)) {
        VLOGE("unknown handle=%p\n", static_cast<void*>(handle));
        return -1;
    }
    VLOGI("handle=%p\n", static_cast<void*>(handle));
    // The session context owns everything the connection started.
    zeqnet::DestroySessionContext(handle);
    delete handle;
    return 0;
}

extern "C" void zeq_net_debug_init(const void*, ...) {}

extern "C" int zeq_net_subscribe_open(zeq_net_conn* handle, const vrio_open_params* params) {
    return OpenCommon(handle, params, 'r') == 0 ? 1 : -1;
}

extern "C" int zeq_net_publish_open(zeq_net_conn* handle, const vrio_open_params* params) {
    return OpenCommon(handle, params, 'w');
}

extern "C" int zeq_net_subscribe_update(zeq_net_conn* handle, int stream, void* arg) {
    return ZeqNetConnManager::Get().Contains(handle) && stream == 1 && arg ? 0 : -1;
}

extern "C" int zeq_net_subscribe_close(zeq_net_conn* handle, int stream) {
    return ZeqNetConnManager::Get().Contains(handle) && stream == 1 ? 0 : -1;
}

extern "C" int zeq_net_publish_update(zeq_net_conn* handle, int stream, void* arg) {
    return ZeqNetConnManager::Get().Contains(handle) && stream == 0 && arg ? 0 : -1;
}

extern "C" int zeq_net_publish_close(zeq_net_conn* handle, int stream) {
    return ZeqNetConnManager::Get().Contains(handle) && stream == 0 ? 0 : -1;
}

extern "C" int zeq_net_set_input_video_bitrate(zeq_net_conn* handle, int stream, int bps) {
    McdnContext1* ctx = ContextOf(handle);
    if (!ctx || !ValidStream(stream)) return -22;
    return ctx->SetLocalParticipantInputBitrate(bps);
}

extern "C" int zeq_net_set_buffer_duration(zeq_net_conn* handle, int stream, long long ms) {
    McdnContext1* ctx = ContextOf(handle);
    if (!ctx || !ValidStream(stream)) return -22;
    ctx->SetBufferingDuration(zeqnet::ClampMs(ms, kBufferDurationMinMs, kBufferDurationMaxMs));
    return 0;
}

extern "C" int zeq_net_set_infocb_invoke_interval(zeq_net_conn* handle, int stream, long long ms) {
    McdnContext1* ctx = ContextOf(handle);
    if (!ctx || !ValidStream(stream)) return -22;
    ctx->SetInfoCallbackInterval(ms);
    return 0;
}

extern "C" int zeq_net_set_aes_key(zeq_net_conn* handle, int stream, const char* text) {
    McdnContext1* ctx = ContextOf(handle);
    if (!ctx || !ValidStream(stream)) return -22;
    zeqnet::AesKeyText key;
    if (!zeqnet::ParseAesKeyText(text, &key)) return -1;
    return ctx->SetAesKey(key.msid.c_str(), key.keyId, key.plaintext.c_str());
}

extern "C" int zeq_net_set_param(zeq_net_conn* handle, int stream, int type, void* value) {
    if (!ContextOf(handle) || !ValidStream(stream)) return -22;
    switch (type) {
        case 1: return zeq_net_set_input_video_bitrate(handle, stream, static_cast<int>(reinterpret_cast<intptr_t>(value)));
        case 2: return zeq_net_set_buffer_duration(handle, stream, static_cast<long long>(reinterpret_cast<intptr_t>(value)));
        case 3: return zeq_net_set_infocb_invoke_interval(handle, stream, static_cast<long long>(reinterpret_cast<intptr_t>(value)));
        case 4: return zeq_net_set_aes_key(handle, stream, static_cast<const char*>(value));
        default: return -22;
    }
}

extern "C" int zeq_net_get_param(zeq_net_conn* handle, int stream, int param, long long* out) {
    if (!ContextOf(handle) || !ValidStream(stream)) return -22;
    return param == 0 ? zeq_net_get_video_cache_size(handle, stream, out) : -22;
}

// The opened user's video cache state; negative (no such user) until the receive path delivers.
extern "C" int zeq_net_get_video_cache_size(zeq_net_conn* handle, int stream, long long* out) {
    McdnContext1* ctx = ContextOf(handle);
    if (!ctx || !ValidStream(stream) || !out) return -22;
    return -1;
}

extern "C" int zeq_net_get_uid_with_url(zeq_net_conn* handle, const char* url, unsigned* out_uid) {
    McdnContext1* ctx = ContextOf(handle);
    if (!ctx || !url || !out_uid) return -22;
    const int64_t uid = ctx->GetUid(url);
    if (uid < 0) return -1;
    *out_uid = static_cast<unsigned>(uid);
    return 0;
}

extern "C" int zeq_net_subscribe(zeq_net_conn* handle, const char* url, int audio, int video) {
    McdnContext1* ctx = ContextOf(handle);
    if (!ctx || !url) return -22;
    const uint32_t uid = ctx->AddRemoteParticipant(url);
    std::printf("add remote participant url %s uid %u\n", url, uid);
    std::fflush(stdout);
    ctx->Subscribe(uid, audio != 0, video != 0);
    return 0;
}

extern "C" int zeq_net_unsubscribe(zeq_net_conn* handle, const char* url) {
    McdnContext1* ctx = ContextOf(handle);
    if (!ctx || !url) return -22;
    const int64_t uid = ctx->GetUid(url);
    std::printf(">>>> unsubscribe url %s -> uid %u\n", url, static_cast<unsigned>(uid));
    std::fflush(stdout);
    if (uid < 0) return -1;
    ctx->Subscribe(static_cast<uint32_t>(uid), false, false);
    return 0;
}

extern "C" int zeq_net_reload(zeq_net_conn* handle) {
    McdnContext1* ctx = ContextOf(handle);
    if (!ctx) return -22;
    ctx->ReLoad();
    return 0;
}

extern "C" int zeq_net_ioctl(zeq_net_conn* handle, unsigned stream, const char* cmd, void* arg) {
    McdnContext1* ctx = ContextOf(handle);
    if (!ctx || stream > 2 || !cmd) {
        VLOGD("ioctl refused: handle=%p stream=%u cmd=%s\n", static_cast<void*>(handle), stream, cmd ? cmd : "(null)");
        return -22;
    }
    return zeqnet::RunIoctl(handle, ctx, stream, cmd, arg);
}

extern "C" int zeq_net_read(zeq_net_conn* handle, int stream, vrio_frame** out) {
    if (!out || stream != 1 || !ContextOf(handle)) return -2;
    return -2;
}

extern "C" int zeq_net_write(zeq_net_conn* handle, int stream, vrio_frame** in) {
    if (!in || !*in || stream != 0 || !ContextOf(handle)) return -22;
    return -22;
}

extern "C" int zeq_net_get_stream_info(zeq_net_conn* handle, unsigned stream, unsigned, vrio_worker_demux_info* info) {
    if (!info || stream >= 2 || !ContextOf(handle)) return -22;
    return -22;
}

extern "C" int zeq_net_get_pub_info(zeq_net_conn* handle, int stream, int out[2]) {
    if (!out || stream != 0 || !ContextOf(handle)) return -22;
    return -22;
}

extern "C" int zeq_net_set_aes_handle(const char* name, const char* value) {
    return zeqnet::AesHooks::SetByName(name, value);
}

extern "C" int zeq_net_cstring_trans_pointer(const char* text, vrio_generic_fn* out) {
    uintptr_t address = 0;
    if (!out || !zeqnet::ParseAddress(text, &address)) {
        VLOGE("invalid function address %s\n", text ? text : "(null)");
        return -22;
    }
    *out = reinterpret_cast<vrio_generic_fn>(address);
    return 0;
}
