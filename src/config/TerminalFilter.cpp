#include "config/TerminalFilter.h"

#include "osal/LLog.h"

namespace zeqnet {

TerminalFilter::Format TerminalFilter::Split(const std::string& text, TerminalFilter* out) {
    if (text.empty()) return Format::kEmpty;
    size_t pos = std::string::npos;
    for (char c : {'!', '>', '<', '='}) {
        pos = text.find(c);
        if (pos != std::string::npos) break;
    }
    if (pos == std::string::npos) return Format::kNoOperator;
    if (pos + 1 == text.size()) return Format::kEndsWithOperator;
    if (pos == 0) return Format::kNoAttribute;
    size_t optrLength = text[pos + 1] == '=' ? 2 : 1;
    std::string optr = text.substr(pos, optrLength);
    if (optr != "=" && optr != "!=" && optr != ">" && optr != ">=" && optr != "<" && optr != "<=")
        return Format::kWrongOperator;
    if (pos + optrLength == text.size()) return Format::kNoValue;
    out->attr = text.substr(0, pos);
    out->optr = optr;
    out->value = text.substr(pos + optrLength);
    return Format::kOk;
}

bool TerminalFilter::Compare(const std::string& terminalValue, const std::string& optr, const std::string& value) {
    // std::string compares with char_traits<char>, which orders bytes as unsigned char.
    int order = terminalValue.compare(value);
    if (optr == "=") return order == 0;
    if (optr == "!=") return order != 0;
    if (optr == ">") return order > 0;
    if (optr == ">=") return order >= 0;
    if (optr == "<") return order < 0;
    if (optr == "<=") return order <= 0;
    return false;
}

bool TerminalFilter::Check(const std::string& text, const TerminalInfo& terminal) {
    VLOGI("checking filter is %s\n", text.c_str());
    TerminalFilter filter;
    Format format = Split(text, &filter);
    if (format != Format::kOk) {
        switch (format) {
            case Format::kEmpty: VLOGW("empty filter\n"); break;
            case Format::kNoOperator: VLOGW("invalid format, no optr\n"); break;
            case Format::kEndsWithOperator: VLOGW("invalid format, end with optr\n"); break;
            case Format::kNoAttribute: VLOGW("invalid format, no attr\n"); break;
            case Format::kWrongOperator: VLOGW("invalid format, wrong optr\n"); break;
            case Format::kNoValue: VLOGW("invalid format, no value\n"); break;
            case Format::kOk: break;
        }
        VLOGW("fail to parse filter\n");
        return true;
    }
    VLOGI("filter param, attr is %s, optr is %s, value is %s\n", filter.attr.c_str(), filter.optr.c_str(),
          filter.value.c_str());
    const std::string* terminalValue = nullptr;
    if (filter.attr == "os") {
        terminalValue = &terminal.os;
    } else if (filter.attr == "sdkVer") {
        terminalValue = &terminal.sdkVersion;
    } else {
        VLOGW("unsupport filter\n");
        return true;
    }
    if (Compare(*terminalValue, filter.optr, filter.value)) return true;
    VLOGW("fail to verify filter\n");
    return false;
}

int JsonGetFilterArray(const rapidjson::Value& member, std::list<std::string>& out) {
    if (!member.IsArray()) {
        VLOGW("not array, type=%d\n", static_cast<int>(member.GetType()));
        return -1;
    }
    size_t collected = 0;
    for (const rapidjson::Value& element : member.GetArray()) {
        if (!element.IsString()) continue;
        out.emplace_back(element.GetString(), element.GetStringLength());
        VLOGI("fileter is %s\n", out.back().c_str());
        ++collected;
    }
    int ret = collected == 0 ? -1 : 0;
    VLOGI("filterArray size=%zu, ret=%d\n", out.size(), ret);
    return ret;
}

}  // namespace zeqnet
