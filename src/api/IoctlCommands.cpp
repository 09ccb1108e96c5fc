#include "api/IoctlCommands.h"

#include <cstring>
#include <string>

#include "api/AesHooks.h"
#include "api/ControlText.h"
#include "api/McdnContext1.h"
#include "engine/EngineService.h"
#include "osal/LLog.h"
#include "store/db_helpers.h"
#include "vrio/osal.h"
#include "vrio/version.h"
#include "vrio/zeq_net_api.h"

namespace zeqnet {

namespace {

// The node-information buffer the player passes holds this many bytes with the terminator.
constexpr size_t kNodeInfoBuffer = 4096;

const char* const kFrequent[] = {"get_stream_info", "get_stream_info2", "get_state",       "get_state2",
                                 "get_node_info",   "set_player_delay", "set_player_delay2", "get_pub_info"};

bool IsFrequent(const char* cmd) {
    for (const char* name : kFrequent)
        if (std::strcmp(cmd, name) == 0) return true;
    return false;
}

bool Is(const char* cmd, const char* name) { return std::strcmp(cmd, name) == 0; }

// A player-command note: telemetry only, never forwarded to the player.
void Note(McdnContext1* ctx, const std::string& text) {
    zeqmcdn::EngineService::PostEngineMessage(static_cast<zeqmcdn::EngineServiceContext*>(ctx), 170, nullptr, 0,
                                              text.c_str());
}

int GetNodeInfo(McdnContext1* ctx, uint32_t uid, char* out) {
    if (!out) return -1;
    NetBit::DatabaseManager* db = ctx->Database();
    std::string value;
    {
        NetBit::DbTableLock table(db, uid, true);
        value = db_query(db, table.get(), "node_info", "");
    }
    if (value.size() >= kNodeInfoBuffer) {
        VLOGW("VRIO Node Info string length overflowed! Only part of the string is logged.\n");
        value.resize(kNodeInfoBuffer - 1);
    }
    std::memcpy(out, value.c_str(), value.size() + 1);
    return 0;
}

int SetKeyValue(zeq_net_conn* handle, McdnContext1* ctx, unsigned stream, const char* text) {
    uint64_t ms = 0;
    const int parsed = ParseBufferingKeyValue(text, &ms);
    if (parsed != 1) return parsed;
    Note(ctx, "BufferingDuration:" + std::to_string(ms));
    return zeq_net_set_buffer_duration(handle, static_cast<int>(stream), static_cast<long long>(ms));
}

}  // namespace

int RunIoctl(zeq_net_conn* handle, McdnContext1* ctx, unsigned stream, const char* cmd, void* arg) {
    const uint32_t uid = ctx->mOpenedUid;
    if (IsFrequent(cmd)) {
        VLOGD("streamId=%d, cmd=%s, uid=%u", static_cast<int>(stream), cmd, uid);
    } else {
        VLOGI("streamId=%d, cmd=%s, uid=%u", static_cast<int>(stream), cmd, uid);
    }
    const int s = static_cast<int>(stream);
    if (Is(cmd, "get_stream_info")) {
        return zeq_net_get_stream_info(handle, stream, 0, static_cast<vrio_worker_demux_info*>(arg));
    }
    if (Is(cmd, "get_stream_info2")) {
        auto* record = static_cast<vrio_stream_info2*>(arg);
        if (!record) return -22;
        return zeq_net_get_stream_info(handle, stream, record->uid, &record->info);
    }
    if (Is(cmd, "get_pub_info")) return zeq_net_get_pub_info(handle, s, static_cast<int*>(arg));
    if (Is(cmd, "reload")) {
        Note(ctx, "reload:1");
        return zeq_net_reload(handle);
    }
    if (Is(cmd, "set_input_video_bitrate")) {
        if (!arg) return -22;
        return zeq_net_set_input_video_bitrate(handle, s, *static_cast<const int32_t*>(arg));
    }
    if (Is(cmd, "get_state") || Is(cmd, "get_state2")) {
        // No user exists until the receive path creates one: the state query has nothing to read.
        return -1;
    }
    if (Is(cmd, "get_version")) {
        if (!arg) return -22;
        std::memcpy(arg, VRIO_SDK_VERSION, sizeof(VRIO_SDK_VERSION));
        VLOGD("VRIO SDK version is %s\n", VRIO_SDK_VERSION);
        return 0;
    }
    if (Is(cmd, "get_node_info")) return GetNodeInfo(ctx, uid, static_cast<char*>(arg));
    if (Is(cmd, "set_aes_key")) {
        const char* text = static_cast<const char*>(arg);
        Note(ctx, std::string("set_aes_key:") + (text ? text : ""));
        return zeq_net_set_aes_key(handle, s, text);
    }
    if (Is(cmd, "set_key_value")) return SetKeyValue(handle, ctx, stream, static_cast<const char*>(arg));
    if (Is(cmd, "get_uid_value")) {
        auto* query = static_cast<vrio_uid_query*>(arg);
        if (!query || !query->url) return -1;
        return zeq_net_get_uid_with_url(handle, query->url, &query->uid);
    }
    if (Is(cmd, "unsubscribe")) {
        const char* url = static_cast<const char*>(arg);
        Note(ctx, std::string("unsubscribe:") + (url ? url : ""));
        return zeq_net_unsubscribe(handle, url);
    }
    if (Is(cmd, "subscribe")) {
        auto* sub = static_cast<vrio_subscribe_arg*>(arg);
        if (!sub || !sub->url) return -1;
        Note(ctx, std::string("subscribe:{url:") + sub->url + ",suba:" + (sub->audio ? "1" : "0") +
                      ",subv:" + (sub->video ? "1" : "0") + "}");
        return zeq_net_subscribe(handle, sub->url, sub->audio ? 1 : 0, sub->video ? 1 : 0);
    }
    if (Is(cmd, "InfoInterval")) {
        if (!arg) return -22;
        return zeq_net_set_infocb_invoke_interval(handle, s, *static_cast<const int64_t*>(arg));
    }
    if (Is(cmd, "set_player_delay") || Is(cmd, "set_player_delay2")) {
        auto* delay = static_cast<const vrio_player_delay*>(arg);
        if (!delay) return -22;
        const int64_t d = Is(cmd, "set_player_delay2") ? delay->d : 0;
        ctx->SetPlayerDelay(uid, delay->c, delay->a, delay->b, d);
        return 0;
    }
    if (Is(cmd, "send_pli_request")) {
        ctx->RemoteParticipantSendPLI(uid);
        return 0;
    }
    if (Is(cmd, "AesInitCallback") || Is(cmd, "AesCreateCallback") || Is(cmd, "AesDecryptCallback") ||
        Is(cmd, "AesFreeCallback")) {
        return AesHooks::SetByName(cmd, static_cast<const char*>(arg));
    }
    if (Is(cmd, "skip_avformat_find_stream_info")) {
        zeqnet::ConfigDataCenter* data = ctx->GetConfigDataCenter();
        const int result = data ? static_cast<int>(data->GetSkipAvformatFindStreamInfo()) : 1;
        Note(ctx, "skip_find_si:" + std::to_string(result));
        return result;
    }
    VLOGE("Unsupported command %s @%lld\n", cmd, static_cast<long long>(osal_get_time_ms()));
    return -19;
}

}  // namespace zeqnet
