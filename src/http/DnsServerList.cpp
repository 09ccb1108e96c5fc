#include "http/DnsServerList.h"

#include "osal/LLog.h"
#include "osal/SystemLog.h"

namespace ZeqUtils {

namespace {

void Add(std::vector<DnsLookupEntry>* list, std::string server, int source, size_t* seen) {
    if (++*seen > kMaxLookups) return;
    if (server.size() > kMaxServerTextBytes) {
        osal::SysLogAssert("BuildServerList", __LINE__);
        VLOGE("dns_resolver: server text of %zu characters dropped\n", server.size());
        return;
    }
    list->push_back(DnsLookupEntry{std::move(server), source});
}

}  // namespace

std::vector<DnsLookupEntry> BuildServerList(const char* custom_servers, const std::vector<std::string>& built_in) {
    std::vector<DnsLookupEntry> list;
    size_t seen = 0;
    if (custom_servers && *custom_servers) {
        std::string text = std::string(custom_servers) + ",";
        size_t start = 0;
        int index = 0;
        for (size_t comma = text.find(','); comma != std::string::npos; comma = text.find(',', start)) {
            Add(&list, text.substr(start, comma - start), kSourceFirstServer + index, &seen);
            ++index;
            start = comma + 1;
        }
        if (seen > kMaxLookups)
            VLOGE("dns_resolver: %zu lookups configured, only the first %zu are started\n", seen, kMaxLookups);
        return list;
    }
    int index = 0;
    for (const std::string& server : built_in) Add(&list, server, kSourceFirstServer + index++, &seen);
    Add(&list, std::string(), kSourceSystemAfterBuiltIn, &seen);
    return list;
}

}  // namespace ZeqUtils
