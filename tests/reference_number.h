// A slow, independent reading of one field, for checking the real one: the
// field is translated and scanned the plain way, and the value is rounded by
// the C library's strtod, or with exact big-integer comparisons near the ends
// of the range, where the tool's own range rules apply.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

namespace zivuvi::reference {

// Unsigned big integer, 32-bit limbs, least significant first.
class Big {
 public:
  explicit Big(std::uint64_t value) {
    limbs_.push_back(static_cast<std::uint32_t>(value));
    limbs_.push_back(static_cast<std::uint32_t>(value >> 32));
  }
  void multiply(std::uint32_t factor) {
    std::uint64_t carry = 0;
    for (auto& limb : limbs_) {
      const std::uint64_t product = std::uint64_t{limb} * factor + carry;
      limb = static_cast<std::uint32_t>(product);
      carry = product >> 32;
    }
    if (carry != 0) limbs_.push_back(static_cast<std::uint32_t>(carry));
  }
  void multiply_by_power_of_ten(std::int64_t power) {
    for (; power >= 9; power -= 9)
      multiply(1000000000);
    for (; power > 0; --power)
      multiply(10);
  }
  void shift_left(std::int64_t bits) {
    limbs_.insert(limbs_.begin(), static_cast<std::size_t>(bits / 32), 0);
    multiply(std::uint32_t{1} << (bits % 32));
  }
  void add(const Big& other) {
    std::uint64_t carry = 0;
    if (limbs_.size() < other.limbs_.size()) limbs_.resize(other.limbs_.size(), 0);
    for (std::size_t i = 0; i < limbs_.size(); ++i) {
      const std::uint64_t sum =
          std::uint64_t{limbs_[i]} + (i < other.limbs_.size() ? other.limbs_[i] : 0) + carry;
      limbs_[i] = static_cast<std::uint32_t>(sum);
      carry = sum >> 32;
    }
    if (carry != 0) limbs_.push_back(static_cast<std::uint32_t>(carry));
  }
  friend int compare(Big a, Big b) {
    a.trim();
    b.trim();
    if (a.limbs_.size() != b.limbs_.size()) return a.limbs_.size() < b.limbs_.size() ? -1 : 1;
    for (std::size_t i = a.limbs_.size(); i-- > 0;) {
      if (a.limbs_[i] != b.limbs_[i]) return a.limbs_[i] < b.limbs_[i] ? -1 : 1;
    }
    return 0;
  }

 private:
  void trim() {
    while (limbs_.size() > 1 && limbs_.back() == 0)
      limbs_.pop_back();
  }
  std::vector<std::uint32_t> limbs_;
};

// An exact binary value: integer * 2^exponent.
struct Binary {
  Big integer;
  std::int64_t exponent;
};

inline Binary exact(double value) {
  int exponent = 0;
  const double fraction = std::frexp(value, &exponent);
  return {Big(static_cast<std::uint64_t>(std::ldexp(fraction, 53))), exponent - 53};
}

// Compares significand * 10^power10 with the binary value.
inline int compare_decimal(std::uint64_t significand, std::int64_t power10, const Binary& binary) {
  Big left(significand);
  Big right = binary.integer;
  if (power10 >= 0) {
    left.multiply_by_power_of_ten(power10);
  } else {
    right.multiply_by_power_of_ten(-power10);
  }
  if (binary.exponent >= 0) {
    right.shift_left(binary.exponent);
  } else {
    left.shift_left(-binary.exponent);
  }
  return compare(left, right);
}

// (a + b) / 2, exactly.
inline Binary midpoint(double a, double b) {
  Binary x = exact(a);
  Binary y = exact(b);
  if (x.exponent > y.exponent) std::swap(x, y);
  y.integer.shift_left(y.exponent - x.exponent);
  x.integer.add(y.integer);
  return {x.integer, x.exponent - 1};
}

inline bool has_even_significand(double value) {
  return (std::bit_cast<std::uint64_t>(value) & 1) == 0;
}

// significand * 10^power10 (significand > 0) under the range rules, rounded
// to nearest, ties to even.
inline double round_decimal(std::uint64_t significand, std::int64_t power10) {
  constexpr double kMax = std::numeric_limits<double>::max();
  // Far from both ends of the range no range rule applies, and the C
  // library's conversion (correctly rounded, in the "C" locale that no test
  // changes) is an independent answer that costs far less than big numbers.
  if (power10 >= -290 && power10 <= 280) {
    char text[48];
    std::snprintf(text, sizeof text, "%llue%lld", static_cast<unsigned long long>(significand),
                  static_cast<long long>(power10));
    return std::strtod(text, nullptr);
  }
  // By magnitude alone, before big numbers get huge: 10^309 > 2^1024, and
  // 10^19 * 10^-343 < 2^-1074.
  if (power10 >= 309) return std::numeric_limits<double>::infinity();
  if (power10 <= -343) return 0.0;
  if (compare_decimal(significand, power10, {Big(1), 1024}) >= 0) {
    return std::numeric_limits<double>::infinity();
  }
  if (compare_decimal(significand, power10, exact(kMax)) > 0) return kMax;
  if (compare_decimal(significand, power10, {Big(1), -1074}) < 0) return 0.0;
  double candidate = static_cast<double>(static_cast<long double>(significand) *
                                         std::pow(10.0L, static_cast<long double>(power10)));
  if (candidate > kMax) candidate = kMax;
  if (candidate == 0) candidate = std::numeric_limits<double>::denorm_min();
  for (;;) {
    const double lower = std::nextafter(candidate, 0.0);
    if (lower > 0) {
      const int below = compare_decimal(significand, power10, midpoint(lower, candidate));
      if (below < 0 || (below == 0 && has_even_significand(lower))) {
        candidate = lower;
        continue;
      }
    }
    if (candidate < kMax) {
      const double upper = std::nextafter(candidate, kMax);
      const int above = compare_decimal(significand, power10, midpoint(candidate, upper));
      if (above > 0 || (above == 0 && has_even_significand(upper))) {
        candidate = upper;
        continue;
      }
    }
    return candidate;
  }
}

inline bool is_space(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}
inline bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

// The field as the original tool read it: the first separator replaced by
// the point, then the longest number at its start.
inline double parse(std::string field, char separator) {
  if (separator != '.') {
    const std::size_t at = field.find(separator);
    if (at != std::string::npos) field[at] = '.';
  }
  field.push_back('\0');  // a terminator, as in a C string
  std::size_t i = 0;
  while (is_space(field[i]))
    ++i;
  bool negative = false;
  bool explicit_sign = false;
  if (field[i] == '+' || field[i] == '-') {
    negative = field[i] == '-';
    explicit_sign = true;
    ++i;
  }
  const double sign = negative ? -1.0 : 1.0;
  if (explicit_sign && field.compare(i, 3, "INF") == 0) {
    return sign * std::numeric_limits<double>::infinity();
  }
  if (explicit_sign && field.compare(i, 3, "NAN") == 0) {
    return std::copysign(std::numeric_limits<double>::quiet_NaN(), sign);
  }
  std::string digits;
  std::int64_t point = -1;
  for (;; ++i) {
    if (is_digit(field[i])) {
      digits.push_back(field[i]);
    } else if (field[i] == '.' && point < 0) {
      point = static_cast<std::int64_t>(digits.size());
    } else {
      break;
    }
  }
  if (digits.empty()) return sign * 0.0;
  if (point < 0) point = static_cast<std::int64_t>(digits.size());
  std::int64_t written = 0;
  if (field[i] == 'e' || field[i] == 'E') {
    std::size_t j = i + 1;
    const bool exponent_negative = field[j] == '-';
    if (field[j] == '+' || field[j] == '-') ++j;
    for (; is_digit(field[j]); ++j) {
      if (written < 100000000) written = written * 10 + (field[j] - '0');
    }
    if (exponent_negative) written = -written;
  }
  // Value = 0.digits * 10^(point + written); keep 19 significant digits.
  const std::size_t first = digits.find_first_not_of('0');
  if (first == std::string::npos) return sign * 0.0;
  const std::string kept = digits.substr(first, 19);
  std::uint64_t significand = 0;
  for (const char digit : kept)
    significand = significand * 10 + static_cast<unsigned>(digit - '0');
  const std::int64_t power10 =
      point - static_cast<std::int64_t>(first) - static_cast<std::int64_t>(kept.size()) + written;
  return sign * round_decimal(significand, power10);
}

}  // namespace zivuvi::reference
