// Terminal filters of a configuration document: "attribute operator value" texts such as
// "os=Harmony" or "sdkVer>=2.6" that must all hold on this device for the document to apply.
#pragma once

#include <list>
#include <string>

#include <rapidjson/document.h>

#include "config/TerminalInfo.h"

namespace zeqnet {

// One filter split into its three parts. Stateless: safe on any thread.
class TerminalFilter {
public:
    enum class Format {
        kOk,
        kEmpty,          // ""
        kNoOperator,     // none of ! > < =
        kEndsWithOperator,
        kNoAttribute,
        kWrongOperator,  // not one of = != > >= < <=
        kNoValue,
    };

    // Splits `text`. The operator is found by looking for '!', then '>', then '<', then '=' over the
    // whole text and taking the first occurrence of the first of these characters present, so
    // "a=b>c" reads as attribute "a=b", operator ">", value "c".
    static Format Split(const std::string& text, TerminalFilter* out);

    // Logs the check and says whether the filter holds on `terminal`. Malformed filters and
    // attributes other than "os" and "sdkVer" are skipped: they hold.
    static bool Check(const std::string& text, const TerminalInfo& terminal);

    // `terminal value <operator> filter value` under byte-wise text comparison (versions are
    // compared as text, so "2.6" < "10" is false).
    static bool Compare(const std::string& terminalValue, const std::string& optr, const std::string& value);

    std::string attr;
    std::string optr;
    std::string value;
};

// Appends the string elements of a "filters" array to `out`, in order; other elements are skipped.
// -1 when `member` is not an array or holds no string, else 0.
int JsonGetFilterArray(const rapidjson::Value& member, std::list<std::string>& out);

}  // namespace zeqnet
