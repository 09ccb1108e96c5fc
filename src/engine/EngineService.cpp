#include "engine/EngineService.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "engine/EngineServiceContext.h"
#include "engine/MessageProcesser.h"
#include "engine/QlogClient.h"
#include "vrio/osal.h"

namespace zeqmcdn {

namespace {
// Room for everything of the text but the description.
constexpr size_t kMessageHeadroom = 1024;
}  // namespace

std::string EngineService::FormatEngineMessage(unsigned code, long long when, const char* where, long long who,
                                               const char* desc) {
    if (!where || !*where) where = "na";
    if (!desc) desc = "";
    std::vector<char> buffer(kMessageHeadroom + std::strlen(desc));
    int n = snprintf(buffer.data(), buffer.size(), "code=%u,when=%llu,where=%.31s,who=%lld,desc=\"%s\"", code,
                     static_cast<unsigned long long>(when), where, who, desc);
    if (n < 0) return {};
    return std::string(buffer.data(), static_cast<size_t>(n) < buffer.size() ? static_cast<size_t>(n) : buffer.size() - 1);
}

void EngineService::PostEngineMessage(void* ctx, unsigned code, const char* where, long long who, const char* desc) {
    if (!ctx) return;
    auto* context = static_cast<EngineServiceContext*>(ctx);
    Message msg;
    msg.code = static_cast<int32_t>(code);
    msg.text = FormatEngineMessage(code, osal_get_time_ms(), where, who, desc);
    if (MessageProcesser* processor = context->GetMessageProcesser()) processor->QueueMessage(&msg);
}

void EngineService::PostMessageToQlog(void* ctx, const void* record) {
    if (!ctx || !record) return;
    QlogClient* client = static_cast<EngineServiceContext*>(ctx)->GetQlogClient();
    if (client) client->AddLog(*static_cast<const QlogRecord*>(record));
}

void* EngineService::GetUserData(void* ctx) {
    return ctx ? static_cast<EngineServiceContext*>(ctx)->GetUserData() : nullptr;
}

int EngineService::MyPrintf(void* ctx, int level, const char* fmt, ...) {
    if (!ctx) return -1;
    auto* context = static_cast<EngineServiceContext*>(ctx);
    if (!context->LoggingEnabled()) return 0;
    if (!context->HasLogFunc()) return -1;
    va_list args;
    va_start(args, fmt);
    context->OnLog(static_cast<LLogLevel>(level), fmt, args);
    va_end(args);
    return 0;
}

}  // namespace zeqmcdn
