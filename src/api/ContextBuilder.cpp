#include "api/ContextBuilder.h"

#include <cstring>
#include <new>
#include <string>

#include "api/HelpSupportId.h"
#include "api/McdnContext1.h"
#include "api/MessageRouting.h"
#include "api/ProcessDefaults.h"
#include "api/StreamUrl.h"
#include "engine/EngineService.h"
#include "osal/LLog.h"
#include "store/db_helpers.h"
#include "vrio/osal.h"
#include "vrio/version.h"

namespace zeqnet {

namespace {

constexpr const char* kOsName = "Harmony";
constexpr size_t kHelpRandomLength = 16;

void* ContextArg(McdnContext1* ctx) { return static_cast<zeqmcdn::EngineServiceContext*>(ctx); }

// What the session takes from the player's record and from the process-wide defaults.
void copy_usr_config(const vrio_net_config& cfg, zeqmcdn::CdnSettings* s) {
    const zeqmcdn::CdnSettings defaults = ProcessDefaults::Get().Settings();
    s->dnsType = defaults.dnsType;
    std::memcpy(s->customDns, defaults.customDns, sizeof(s->customDns));
    s->signallingTimeoutMs = defaults.signallingTimeoutMs;
    s->mediaTimeoutOptionMs = defaults.mediaTimeoutOptionMs;
    s->highInterleaveDelay = cfg.HighInterleaveDelay != 0;
    s->subscribe.bufferingDurationMs = cfg.BufferingDuration;
    s->subscribe.dynamicJitterBuffer = cfg.DynamicJitterBuffer != 0;
    s->publish.audioCodec = cfg.AudioFormatCodec;
    s->publish.aacProfile = cfg.AudioFormatProfile;
    s->publish.audioSampleRate = cfg.AudioSampleRate;
    s->publish.audioClockRate = cfg.AudioClockRate;
    s->publish.audioChannels = cfg.AudioChannels;
    s->publish.reservedFlag = cfg.ReservedFlag != 0;
    s->publish.videoCodec = cfg.VideoCodec;
    s->publish.paddingEnable = cfg.PaddingEnable;
    const bool oldVersion = ProcessDefaults::Get().OldVersion();
    VLOGI("global_isOldVersion=%d\n", oldVersion ? 1 : 0);
    if (oldVersion) {
        s->publish.notRtcMode = defaults.publish.notRtcMode;
        s->subscribe.notRtcMode = defaults.subscribe.notRtcMode;
        s->telemetryEnabled = defaults.telemetryEnabled;
        s->autoReconnect = defaults.autoReconnect;
    }
}

void StoreTable0(McdnContext1* ctx, std::initializer_list<std::pair<const char*, std::string>> values) {
    NetBit::DatabaseManager* db = ctx->Database();
    NetBit::DbTableLock table0(db, 0, true);
    for (const auto& kv : values) db_update(db, table0.get(), kv.first, kv.second);
}

void StoreDnsChoice(McdnContext1* ctx, const zeqmcdn::CdnSettings& s) {
    StoreTable0(ctx, {{"dnsType", std::to_string(s.dnsType)}, {"customDns", s.customDns}});
}

void DestroyContext(McdnContext1* ctx) {
    auto* routing = static_cast<MessageRouting*>(ctx->GetMsgParam());
    delete ctx;
    delete routing;
}

}  // namespace

void PostVersionNote(McdnContext1* ctx, const char* entry, const char* mode) {
    const bool old = std::strcmp(entry, "old") == 0;
    const std::string text =
        std::string("entry:") + entry + ",mode:" + mode + ",preconf:{" + ProcessDefaults::Get().PreconfCache(old) + "}";
    zeqmcdn::EngineService::PostEngineMessage(ContextArg(ctx), 120, nullptr, 0, text.c_str());
}

bool BuildSessionContext(zeq_net_conn* handle, const char* url, char mode) {
    const bool subscribe = mode == 'r';
    const vrio_net_config& cfg = handle->cfg;
    const int64_t initStartMs = osal_get_time_ms();
    const std::string helpId =
        BuildHelpSupportId(cfg.HelpSupportIDPrefix, url, initStartMs, RandomAlnum(kHelpRandomLength));

    auto* ctx = new (std::nothrow) McdnContext1(helpId.c_str());
    if (!ctx) {
        VLOGE("out of memory: session context\n");
        return false;
    }
    zeqmcdn::CdnSettings settings = ctx->GetSetting();
    copy_usr_config(cfg, &settings);

    auto* routing = new (std::nothrow) MessageRouting{cfg.MessageCallback, cfg.MessageCbParam, ctx};
    if (!routing) {
        delete ctx;
        return false;
    }
    ctx->SetMsgHandler(RouteEngineMessage, routing);
    ctx->SetLogFunc(cfg.LogCallback != nullptr, cfg.LogCallback, cfg.LogCbParam, false, false, false,
                    static_cast<zeqmcdn::EngineService::loglevel>(cfg.LogLevel));

    if (!HasZrtcScheme(url)) {
        const std::string text = std::string("url:") + url;
        zeqmcdn::EngineService::PostEngineMessage(ContextArg(ctx), subscribe ? 20003 : 20004, nullptr, 0,
                                                  text.c_str());
        DestroyContext(ctx);
        return false;
    }
    // The AAC decoder and the decryptor take the player's hooks when a subscription is built.

    const int64_t tick = osal_get_time_ms();
    VLOGI("Start @%lld, Net sdk version %s\n", static_cast<long long>(tick), VRIO_SDK_VERSION);
    VLOGI("OS: %s\n", kOsName);
    const std::string trace = "trace:" + helpId;
    zeqmcdn::EngineService::PostEngineMessage(ContextArg(ctx), 100, nullptr, 0, trace.c_str());
    VLOGI("help support id: <%s>\n", helpId.c_str());
    StoreTable0(ctx, {{"vu", url},
                      {"help_support_id", helpId},
                      {"traceid", ""},
                      {"zeqplayer_vps", cfg.HelpSupportIDPrefix},
                      {"sdk_version", VRIO_SDK_VERSION},
                      {"os", kOsName},
                      {"open_time", std::to_string(tick)}});
    if (subscribe) StoreDnsChoice(ctx, settings);

    std::string streamUrl = url;
    ApplyTrackMode(streamUrl, &settings);
    SdkOpenOptions options;
    ApplySdkOptions(&streamUrl, &settings, &options);
    StoreDnsChoice(ctx, settings);
    ctx->SetSetting(settings);

    handle->ctx = ctx;
    PostVersionNote(ctx, "all", subscribe ? "sub" : "pub");
    ctx->SetForceIpv6(options.forceIpv6);
    ctx->Start(streamUrl.c_str());

    if (subscribe) {
        ctx->mOpenedUid = ctx->AddRemoteParticipant(streamUrl.c_str());
        ctx->Subscribe(ctx->mOpenedUid, options.audio, options.video);
    } else {
        ctx->mOpenedUid = ctx->AddLocalParticipant(settings.publish.videoMsid);
        ctx->Publish(options.audio, options.video);
    }
    StoreTable0(ctx, {{"start_up_begin", std::to_string(OpeningMarks::startTimeMs.load(std::memory_order_relaxed))},
                      {"start_up_initlializing_ctx", std::to_string(initStartMs)},
                      {"start_up_initlialized_ctx", std::to_string(osal_get_time_ms())}});
    return true;
}

void DestroySessionContext(zeq_net_conn* handle) {
    McdnContext1* ctx = handle->ctx;
    if (!ctx) return;
    const std::string text = "code=121,when=" + std::to_string(osal_get_time_ms()) + ",where=na,who=0,desc=\"\"";
    zeqmcdn::QlogRecord record = BuildTelemetryRecord(ctx->Database(), 121, 0, text.c_str());
    if (!record.empty()) zeqmcdn::EngineService::PostMessageToQlog(ContextArg(ctx), &record);
    if (handle->cfg.MessageCallback && handle->cfg.MessageCbParam) {
        handle->cfg.MessageCallback(handle->cfg.MessageCbParam, 121, text.c_str(),
                                    static_cast<long long>(text.size()) + 1);
    }
    VLOGI("msg: %s\n", text.c_str());
    VLOGI("Stop and delete net sdk stack @%lld\n", static_cast<long long>(osal_get_time_ms()));
    handle->ctx = nullptr;
    DestroyContext(ctx);
}

}  // namespace zeqnet
