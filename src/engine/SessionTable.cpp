#include "engine/SessionTable.h"

#include <cstdlib>

#include "engine/EngineServiceContext.h"
#include "store/DatabaseManager.h"
#include "store/db_helpers.h"

namespace zeqmcdn {

namespace {
NetBit::DatabaseManager* Db(EngineServiceContext* context) {
    return context ? static_cast<NetBit::DatabaseManager*>(context->GetUserData()) : nullptr;
}
}  // namespace

std::string QuerySessionValue(EngineServiceContext* context, const char* key, const std::string& def) {
    NetBit::DatabaseManager* db = Db(context);
    NetBit::DbTableLock table(db, 0, true);
    return table ? db_query(db, table.get(), key, def) : def;
}

int64_t QuerySessionNumber(EngineServiceContext* context, const char* key, int64_t def) {
    const std::string text = QuerySessionValue(context, key, "");
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    return (text.empty() || *end != '\0') ? def : v;
}

void StoreSessionValue(EngineServiceContext* context, const char* key, const std::string& value) {
    NetBit::DatabaseManager* db = Db(context);
    NetBit::DbTableLock table(db, 0, true);
    if (table) db_update(db, table.get(), key, value);
}

void StoreSessionNumber(EngineServiceContext* context, const char* key, int64_t value) {
    StoreSessionValue(context, key, std::to_string(value));
}

}  // namespace zeqmcdn
