// Infinity sentinels for int64 quantities (delays, rates, times).
#pragma once

#include <cstdint>
#include <limits>

namespace NetBit {

constexpr int64_t kPlusInfinity = std::numeric_limits<int64_t>::max();
constexpr int64_t kMinusInfinity = std::numeric_limits<int64_t>::min();

// True for exactly the two sentinels.
constexpr bool IsInfinite(int64_t value) { return value == kPlusInfinity || value == kMinusInfinity; }
constexpr bool IsFinite(int64_t value) { return !IsInfinite(value); }

}  // namespace NetBit
