// Dissecting stream URLs and percent-encoding texts. Byte-wise and case-sensitive throughout.
#pragma once

#include <string>

namespace NetBit {

// After the first "://" (or from the start when there is none) up to the first '/', port included.
std::string GetDomainFromUrl(const std::string& url);
// After the first "://" up to the next '/'; empty when the text is empty or has no "://".
std::string GetDomainName(const std::string& url);

// proto "://" host '/' {'/'} app '/' {'/'} stream ['?' ...]. False when "://" is missing, when the
// host or the app is not followed by '/', or when nothing follows the skipped slashes; outputs
// assigned before the failure keep their new values.
bool SplitUrl(const std::string& url, std::string& proto, std::string& host, std::string& app,
              std::string& stream);
// Both texts non-empty, SplitUrl succeeds and its proto equals `proto` exactly.
bool CheckUrlProto(const std::string& url, const std::string& proto);

// Letters and digits stay, ' ' becomes '+', every other byte "%XX" (upper-case hexadecimal).
std::string URLEncode(const std::string& text);

}  // namespace NetBit

namespace ZeqUtils {

// RFC 3986 percent-encoding: letters, digits and "-._~" stay, every other byte "%XX" (upper case).
std::string QlogUrlEncode(const std::string& text);

}  // namespace ZeqUtils
