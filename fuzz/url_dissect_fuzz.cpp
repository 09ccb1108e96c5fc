// Arbitrary texts through URL dissection, percent-encoding, blank scanning and the RTP peeks.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/RtpPeek.h"
#include "platform/TextScan.h"
#include "platform/UrlText.h"

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;  // lower case is never produced
}

std::string Decode(const std::string& encoded, bool plus_is_space) {
    std::string out;
    for (size_t i = 0; i < encoded.size(); ++i) {
        const char c = encoded[i];
        if (c == '%') {
            if (i + 2 >= encoded.size()) __builtin_trap();  // a cut-off escape
            const int hi = HexValue(encoded[i + 1]), lo = HexValue(encoded[i + 2]);
            if (hi < 0 || lo < 0) __builtin_trap();
            out.push_back(static_cast<char>(hi * 16 + lo));
            i += 2;
        } else if (c == '+' && plus_is_space) {
            out.push_back(' ');
        } else {
            out.push_back(c);
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string url(reinterpret_cast<const char*>(data), size);  // byte-wise: NULs allowed
    std::string proto, host, app, stream;
    if (NetBit::SplitUrl(url, proto, host, app, stream)) {
        if (url.compare(0, proto.size() + 3 + host.size() + 1, proto + "://" + host + "/") != 0) __builtin_trap();
        if (host.find('/') != std::string::npos || app.empty() || app.find('/') != std::string::npos) __builtin_trap();
        if (stream.find('?') != std::string::npos || (!stream.empty() && stream[0] == '/')) __builtin_trap();
        if (url.find(app) == std::string::npos || url.find(stream) == std::string::npos) __builtin_trap();
        if (NetBit::GetDomainName(url) != host || NetBit::GetDomainFromUrl(url) != host) __builtin_trap();
        if (NetBit::CheckUrlProto(url, proto) != !proto.empty()) __builtin_trap();
    }
    const std::string domain = NetBit::GetDomainName(url);
    if (domain.find('/') != std::string::npos) __builtin_trap();
    if (url.find("://") == std::string::npos && !domain.empty()) __builtin_trap();
    if (NetBit::GetDomainFromUrl(url).find('/') != std::string::npos) __builtin_trap();

    const std::string plus = NetBit::URLEncode(url);
    const std::string percent = ZeqUtils::QlogUrlEncode(url);
    if (plus.find(' ') != std::string::npos || percent.find(' ') != std::string::npos) __builtin_trap();
    if (Decode(plus, true) != url || Decode(percent, false) != url) __builtin_trap();

    const char* text = url.c_str();
    const char* word = NetBit::trimLeft(text);
    const char* after = NetBit::skipNonEmptyChars(word);
    if (word < text || after < word || after > text + std::strlen(text)) __builtin_trap();

    uint16_t seq = 0;
    uint32_t ts = 0, ssrc = 0;
    const bool long_enough = size >= 12;
    if (NetBit::GetRtpSeqNum(data, size, &seq) != long_enough || NetBit::GetRtpTs(data, size, &ts) != long_enough ||
        NetBit::GetRtpSsrc(data, size, &ssrc) != long_enough)
        __builtin_trap();
    return 0;
}
