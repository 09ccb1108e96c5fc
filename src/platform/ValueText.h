// Values as decimal and boolean texts.
#pragma once

#include <cstdint>
#include <string>

namespace NetBit {

std::string boolToString(bool value);           // "true" / "false"
std::string intToString(int value);             // "%d"
std::string longlongToString(int64_t value);    // "%lld"

}  // namespace NetBit
