#include "number.h"

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

bool is_space(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

void add_mantissa_digit(NumberScan& scan, unsigned digit) {
  scan.any_digit = true;
  if (scan.significand == 0 && digit == 0) {
    if (scan.after_point) --scan.scale;
  } else if (scan.significand < kIntegerPowersOfTen[kMaxSignificantDigits - 1]) {
    // Fewer than 19 digits kept: the first of them is not zero.
    scan.significand = scan.significand * 10 + digit;
    if (scan.after_point) --scan.scale;
  } else if (!scan.after_point) {
    ++scan.scale;
  }
}

// significand * 10^exponent rounded to nearest, ties to even, for a
// significand of at most 19 digits and a value from the smallest subnormal to
// the largest double: the leading bits of the exact product come from one or
// two 64 x 64-bit multiplications with the 128 leading bits of 5^exponent, and
// for such significands they always suffice (Lemire's method, as proven by
// Mushtak and Lemire, "Fast number parsing without fallback", 2023).
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

void start_number(NumberScan& scan, char decimal_separator) {
  scan = NumberScan{};
  scan.phase = NumberScan::Phase::leading_space;
  scan.separator = decimal_separator;
  scan.separator_pending = decimal_separator != '.';
}

void scan_number(NumberScan& scan, const char* first, const char* last) {
  using Phase = NumberScan::Phase;
  using Special = NumberScan::Special;
  for (const char* p = first; p != last; ++p) {
    char c = *p;
    if (scan.separator_pending && c == scan.separator) {
      c = '.';
      scan.separator_pending = false;
    }
    if (scan.phase == Phase::leading_space) {
      if (is_space(c)) continue;
      if (c == '+' || c == '-') {
        scan.negative = c == '-';
        scan.phase = Phase::after_sign;
        continue;
      }
      scan.phase = Phase::mantissa;
    } else if (scan.phase == Phase::after_sign) {
      if (c == 'I' || c == 'N') {
        scan.special = c == 'I' ? Special::infinity : Special::not_a_number;
        scan.word_matched = 1;
        scan.phase = Phase::word;
        continue;
      }
      scan.phase = Phase::mantissa;
    }
    switch (scan.phase) {
      case Phase::word: {
        const char* word = scan.special == Special::infinity ? "INF" : "NAN";
        if (c != word[scan.word_matched]) {
          scan.special = Special::none;
          scan.phase = Phase::done;
          return;
        }
        if (++scan.word_matched == 3) {
          scan.phase = Phase::done;
          return;
        }
        continue;
      }
      case Phase::mantissa: {
        const unsigned digit = digit_value(c);
        if (digit < 10) {
          add_mantissa_digit(scan, digit);
          continue;
        }
        if (c == '.' && !scan.after_point) {
          scan.after_point = true;
          continue;
        }
        if ((c == 'e' || c == 'E') && scan.any_digit) {
          scan.phase = Phase::exponent_mark;
          continue;
        }
        scan.phase = Phase::done;
        return;
      }
      case Phase::exponent_mark:
        if (c == '+' || c == '-') {
          scan.exponent_negative = c == '-';
          scan.phase = Phase::exponent_sign;
          continue;
        }
        [[fallthrough]];
      case Phase::exponent_sign:
      case Phase::exponent_digits: {
        const unsigned digit = digit_value(c);
        if (digit < 10) {
          scan.phase = Phase::exponent_digits;
          if (scan.written_exponent < kExponentCeiling) {
            scan.written_exponent = scan.written_exponent * 10 + digit;
          }
          continue;
        }
        scan.phase = Phase::done;
        return;
      }
      default:
        return;
    }
  }
}

double number_value(const NumberScan& scan) {
  if (scan.word_matched == 3) {
    if (scan.special == NumberScan::Special::infinity) {
      return scan.negative ? -std::numeric_limits<double>::infinity()
                           : std::numeric_limits<double>::infinity();
    }
    return std::bit_cast<double>(scan.negative ? std::uint64_t{0xFFF8000000000000u}
                                               : std::uint64_t{0x7FF8000000000000u});
  }
  double magnitude = 0.0;
  if (scan.any_digit) {
    // Only an exponent with digits counts; "1e" and "1e-" leave it at zero.
    const std::int64_t exponent =
        scan.scale + (scan.exponent_negative ? -scan.written_exponent : scan.written_exponent);
    magnitude = decimal_to_double_quickly(scan.significand, exponent);
  }
  return scan.negative ? -magnitude : magnitude;
}

double parse_number(const char* first, const char* last, char decimal_separator) {
  double value;
  if ((decimal_separator == '.' || is_foreign_to_numbers(decimal_separator)) &&
      parse_common_number(first, last, decimal_separator, value) != nullptr) {
    return value;
  }
  return parse_number_fully(first, last, decimal_separator);
}

double parse_number_fully(const char* first, const char* last, char decimal_separator) {
  NumberScan scan;
  start_number(scan, decimal_separator);
  scan_number(scan, first, last);
  return number_value(scan);
}

}  // namespace zivuvi
