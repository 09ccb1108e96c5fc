// The signed GET URL of security-token requests: canonical query, HMAC-SHA1 signature.
#pragma once

#include <map>
#include <string>

namespace ZeqUtils {

// endpoint + "/?" + the parameters in ascending byte order of their names, each name and value
// percent-encoded (RFC 3986) and joined as name=value with '&'. With a non-empty secret the
// parameter "Signature" follows: Base64(HMAC-SHA1(secret + "&", "GET&%2F&" + encoded query)).
// Empty for an empty parameter map.
std::string GetSignedRequestUrl(const std::string& endpoint, const std::map<std::string, std::string>& params,
                                const std::string& secret);

}  // namespace ZeqUtils
