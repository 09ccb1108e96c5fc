#include "platform/UrlText.h"

namespace {

const char kHexDigits[] = "0123456789ABCDEF";
const char kSchemeMark[] = "://";
constexpr size_t kSchemeMarkLength = 3;

bool IsAlnum(unsigned char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

void AppendPercent(std::string* out, unsigned char c) {
    out->push_back('%');
    out->push_back(kHexDigits[c >> 4]);
    out->push_back(kHexDigits[c & 0x0F]);
}

// The text from `from` up to the next '/' (or the end).
std::string UpToSlash(const std::string& url, size_t from) {
    const size_t slash = url.find('/', from);
    return url.substr(from, slash == std::string::npos ? std::string::npos : slash - from);
}

}  // namespace

namespace NetBit {

std::string GetDomainFromUrl(const std::string& url) {
    const size_t mark = url.find(kSchemeMark);
    return UpToSlash(url, mark == std::string::npos ? 0 : mark + kSchemeMarkLength);
}

std::string GetDomainName(const std::string& url) {
    const size_t mark = url.find(kSchemeMark);
    if (mark == std::string::npos) return std::string();
    return UpToSlash(url, mark + kSchemeMarkLength);
}

bool SplitUrl(const std::string& url, std::string& proto, std::string& host, std::string& app,
              std::string& stream) {
    const size_t mark = url.find(kSchemeMark);
    if (mark == std::string::npos) return false;
    proto = url.substr(0, mark);

    size_t pos = mark + kSchemeMarkLength;
    size_t slash = url.find('/', pos);
    if (slash == std::string::npos) return false;
    host = url.substr(pos, slash - pos);

    pos = url.find_first_not_of('/', slash);
    if (pos == std::string::npos) return false;
    slash = url.find('/', pos);
    if (slash == std::string::npos) return false;
    app = url.substr(pos, slash - pos);

    pos = url.find_first_not_of('/', slash);
    if (pos == std::string::npos) return false;
    const size_t query = url.find('?', pos);
    stream = url.substr(pos, query == std::string::npos ? std::string::npos : query - pos);
    return true;
}

bool CheckUrlProto(const std::string& url, const std::string& proto) {
    if (url.empty() || proto.empty()) return false;
    std::string p, h, a, s;
    return SplitUrl(url, p, h, a, s) && p == proto;
}

std::string URLEncode(const std::string& text) {
    std::string out;
    out.reserve(text.size() * 3);
    for (char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (IsAlnum(c))
            out.push_back(ch);
        else if (c == ' ')
            out.push_back('+');
        else
            AppendPercent(&out, c);
    }
    return out;
}

}  // namespace NetBit

namespace ZeqUtils {

std::string QlogUrlEncode(const std::string& text) {
    std::string out;
    out.reserve(text.size() * 3);
    for (char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (IsAlnum(c) || c == '-' || c == '.' || c == '_' || c == '~')
            out.push_back(ch);
        else
            AppendPercent(&out, c);
    }
    return out;
}

}  // namespace ZeqUtils
