#include "decimal_to_double.h"

#include <bit>
#include <limits>

#include "powers_of_five.h"

namespace zivuvi {
namespace {

// The range limits, as 19-digit significands d with the value d * 10^exponent.
// 2^1024 = 1797693134862315907.729... * 10^290
constexpr std::int64_t kOverflowExponent = 290;
constexpr std::uint64_t kSignificandReachingInfinity = 1797693134862315908u;
// The largest finite double = 1797693134862315708.145... * 10^290
constexpr std::uint64_t kSignificandBeyondLargest = 1797693134862315709u;
// 2^-1074 = 4940656458412465441.765... * 10^-342
constexpr std::int64_t kUnderflowExponent = -342;
constexpr std::uint64_t kLargestSignificandBelowSmallest = 4940656458412465441u;

// significand * 10^exponent rounded to nearest, ties to even, for a
// significand of at most 19 digits and a value from the smallest subnormal to
// the largest double: the leading bits of the exact product come from one or
// two 64 x 64-bit multiplications with the 128 leading bits of 5^exponent, and
// for such significands they always suffice. This is D. Lemire, "Number
// Parsing at a Gigabyte per Second" (Software: Practice and Experience, 2021),
// section 5, without its fallback, which N. Mushtak and D. Lemire, "Fast
// number parsing without fallback" (2023), prove is never needed.
double round_in_range(std::uint64_t significand, std::int64_t exponent) {
  constexpr int kMantissaBits = 52;
  const int leading_zeros = std::countl_zero(significand);
  significand <<= leading_zeros;
  const std::uint64_t* power = kPowersOfFive[exponent - kSmallestPowerOfTen];
  unsigned __int128 product = static_cast<unsigned __int128>(significand) * power[0];
  auto high = static_cast<std::uint64_t>(product >> 64);
  auto low = static_cast<std::uint64_t>(product);
  // Only when the bits that decide the rounding are all ones can the low half
  // of the power change them.
  constexpr std::uint64_t kDecidingBits = ~std::uint64_t{0} >> (kMantissaBits + 3);
  if ((high & kDecidingBits) == kDecidingBits) {
    product = static_cast<unsigned __int128>(significand) * power[1];
    const auto carry_in = static_cast<std::uint64_t>(product >> 64);
    low += carry_in;
    if (carry_in > low) ++high;
  }
  const int upper_bit = static_cast<int>(high >> 63);
  const int shift = upper_bit + 64 - kMantissaBits - 3;
  std::uint64_t mantissa = high >> shift;
  // floor(exponent * log2(10)) + 63, in fixed point, plus the double's bias.
  std::int64_t biased_exponent =
      ((217706 * exponent) >> 16) + 63 + upper_bit - leading_zeros + 1023;
  if (biased_exponent <= 0) {
    // Subnormal: one more shift, then round. A carry into bit 52 gives the
    // smallest normal number, whose bits are exactly that.
    if (-biased_exponent + 1 >= 64) return 0.0;
    mantissa >>= -biased_exponent + 1;
    mantissa += mantissa & 1;
    return std::bit_cast<double>(mantissa >> 1);
  }
  // An exact tie rounds to even; only these exponents can make one.
  if (low <= 1 && exponent >= -4 && exponent <= 23 && (mantissa & 3) == 1 &&
      (mantissa << shift) == high) {
    mantissa &= ~std::uint64_t{1};
  }
  mantissa += mantissa & 1;
  mantissa >>= 1;
  if (mantissa >= (std::uint64_t{2} << kMantissaBits)) {
    mantissa = std::uint64_t{1} << kMantissaBits;
    ++biased_exponent;
  }
  mantissa &= ~(std::uint64_t{1} << kMantissaBits);
  return std::bit_cast<double>(static_cast<std::uint64_t>(biased_exponent) << kMantissaBits |
                               mantissa);
}

}  // namespace

// Correctly rounded, with the fixed range rules: 2^1024 and above is infinity,
// just below it the largest finite double, and below the smallest subnormal
// zero.
double decimal_to_double(std::uint64_t significand, std::int64_t exponent) {
  if (significand == 0) return 0.0;
  // Between 1e-323 and 1e19 * 1e289 = 1e308 no range rule can apply.
  if (exponent >= -323 && exponent <= 289) return round_in_range(significand, exponent);
  int digits = 1;
  while (digits < kMaxSignificantDigits && significand >= kIntegerPowersOfTen[digits])
    ++digits;
  const int padding = kMaxSignificantDigits - digits;
  const std::uint64_t significand19 = significand * kIntegerPowersOfTen[padding];
  const std::int64_t exponent19 = exponent - padding;
  if (exponent19 > kOverflowExponent ||
      (exponent19 == kOverflowExponent && significand19 >= kSignificandReachingInfinity)) {
    return std::numeric_limits<double>::infinity();
  }
  if (exponent19 == kOverflowExponent && significand19 >= kSignificandBeyondLargest) {
    return std::numeric_limits<double>::max();
  }
  if (exponent19 < kUnderflowExponent ||
      (exponent19 == kUnderflowExponent && significand19 <= kLargestSignificandBelowSmallest)) {
    return 0.0;
  }
  return round_in_range(significand, exponent);
}

}  // namespace zivuvi
