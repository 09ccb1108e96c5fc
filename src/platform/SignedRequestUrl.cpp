#include "platform/SignedRequestUrl.h"

#include "platform/CHMAC_SHA1.h"
#include "platform/UrlText.h"

namespace ZeqUtils {

namespace {

const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

}  // namespace

std::string GetSignedRequestUrl(const std::string& endpoint, const std::map<std::string, std::string>& params,
                                const std::string& secret) {
    if (params.empty()) return std::string();
    // std::map orders std::string keys by unsigned byte value: the canonical order.
    std::string query;
    for (const auto& [name, value] : params) {
        if (!query.empty()) query += '&';
        query += QlogUrlEncode(name);
        query += '=';
        query += QlogUrlEncode(value);
    }
    std::string url = endpoint + "/?" + query;
    if (!secret.empty()) {
        const std::string to_sign = "GET&" + QlogUrlEncode("/") + "&" + QlogUrlEncode(query);
        const std::string key = secret + "&";
        uint8_t digest[CHMAC_SHA1::kDigestSize];
        CHMAC_SHA1().HMAC_SHA1(Bytes(to_sign), to_sign.size(), Bytes(key), key.size(), digest);
        url += "&Signature=" + QlogUrlEncode(CHMAC_SHA1::Base64(digest, sizeof(digest)));
    }
    return url;
}

}  // namespace ZeqUtils
