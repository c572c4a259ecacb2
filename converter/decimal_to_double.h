// significand * 10^exponent correctly rounded to double, with the tool's range
// rules: 2^1024 and above is infinity, just below it the largest finite
// double, and a non-zero value below the smallest subnormal is zero.
#pragma once

#include <cstdint>

namespace zivuvi {

inline constexpr int kMaxSignificantDigits = 19;
inline constexpr std::uint64_t kIntegerPowersOfTen[kMaxSignificantDigits + 1] = {
    1u,
    10u,
    100u,
    1000u,
    10000u,
    100000u,
    1000000u,
    10000000u,
    100000000u,
    1000000000u,
    10000000000u,
    100000000000u,
    1000000000000u,
    10000000000000u,
    100000000000000u,
    1000000000000000u,
    10000000000000000u,
    100000000000000000u,
    1000000000000000000u,
    10000000000000000000u,
};

// Every power of ten up to 10^22 is a double exactly.
inline constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                               1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                               1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// significand * 10^exponent by the same rules; significand below 10^19.
double decimal_to_double(std::uint64_t significand, std::int64_t exponent);

// The same, at once when both operands are exact doubles: then the one
// rounding of the operation is the only one (Clinger's fast path: W. D.
// Clinger, "How to Read Floating Point Numbers Accurately", 1990).
inline double decimal_to_double_quickly(std::uint64_t significand, std::int64_t exponent) {
  if (significand <= (std::uint64_t{1} << 53) && exponent >= -22 && exponent <= 22) {
    const auto exact = static_cast<double>(significand);
    return exponent < 0 ? exact / kExactPowersOfTen[-exponent]
                        : exact * kExactPowersOfTen[exponent];
  }
  return decimal_to_double(significand, exponent);
}

}  // namespace zivuvi
