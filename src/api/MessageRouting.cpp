#include "api/MessageRouting.h"

#include <cstdio>

#include "api/EngineMessageRouting.h"
#include "api/McdnContext1.h"
#include "api/ProcessDefaults.h"
#include "osal/LLog.h"
#include "platform/EngineMessageText.h"
#include "store/db_helpers.h"

namespace zeqnet {

namespace {

void Report(McdnContext1* ctx, int eventId, int errorCode, const char* text) {
    zeqmcdn::QlogRecord record = BuildTelemetryRecord(ctx->Database(), eventId, errorCode, text);
    if (!record.empty()) {
        zeqmcdn::EngineService::PostMessageToQlog(static_cast<zeqmcdn::EngineServiceContext*>(ctx), &record);
    }
    OpeningMarks::firstReportDone.store(true, std::memory_order_relaxed);
}

}  // namespace

zeqmcdn::QlogRecord BuildTelemetryRecord(NetBit::DatabaseManager* db, int eventId, int errorCode,
                                         const char* text) {
    zeqmcdn::QlogRecord record;
    std::string help, vps, vu, trace, sdk, os, dyc;
    {
        NetBit::DbTableLock table0(db, 0, true);
        if (!table0) return record;
        help = db_query(db, table0.get(), "help_support_id", "");
        vps = db_query(db, table0.get(), "zeqplayer_vps", "");
        vu = db_query(db, table0.get(), "vu", "");
        trace = db_query(db, table0.get(), "traceid", "");
        sdk = db_query(db, table0.get(), "sdk_version", "");
        os = db_query(db, table0.get(), "os", "");
        dyc = db_query(db, table0.get(), "dyc_id", "-1");
    }
    if (help.empty()) return record;
    int64_t when = 0;
    std::string where;
    uint32_t who = 0;
    std::string desc;
    if (!NetBit::parse_message_string(text, 0, &when, &where, &who, &desc)) desc.clear();
    record["msgid"] = std::to_string(eventId);
    record["hlpid"] = help;
    record["vps"] = vps;
    record["vu"] = vu;
    record["ti"] = trace;
    record["tm"] = std::to_string(when);
    record["sdkv"] = sdk;
    record["os"] = os;
    record["dyc"] = dyc;
    if (errorCode != 0) {
        char prefix[48];
        std::snprintf(prefix, sizeof(prefix), "code=%d&id=%u&", errorCode, who);
        desc = prefix + desc;
    }
    if (!desc.empty()) record["args"] = desc;
    return record;
}

int RouteEngineMessage(void* user, int code, void* text, long long length) {
    auto* routing = static_cast<MessageRouting*>(user);
    if (!routing) return 0;
    const char* message = static_cast<const char*>(text);
    const unsigned ucode = static_cast<unsigned>(code);
    if (routing->ctx && message) {
        switch (TelemetryKindOf(ucode)) {
            case TelemetryKind::kInformation:
                Report(routing->ctx, code, 0, message);
                break;
            case TelemetryKind::kError: {
                const bool first = !OpeningMarks::firstReportDone.load(std::memory_order_relaxed);
                Report(routing->ctx, kErrorEventId, code, message);
                if (first) Report(routing->ctx, kStartFailureEventId, code, message);
                break;
            }
            case TelemetryKind::kNone:
                break;
        }
    }
    if (ForwardToPlayer(ucode) && routing->callback) {
        return routing->callback(routing->param, code, message, length);
    }
    return 0;
}

}  // namespace zeqnet
