// Decimal text to double, with the rules of the table reader: the point or the
// field's first decimal separator, at most 19 significant digits, correct
// rounding, INF and NAN only behind a sign, no hexadecimal, no locale.
#pragma once

#include <cstdint>

namespace zivuvi {

// A number is read in pieces when its field is longer than the reader's
// block, so the scan keeps all it needs between pieces. Every byte of a field
// goes through the scan once, in order.
struct NumberScan {
  enum class Phase : std::uint8_t {
    leading_space,
    after_sign,
    word,
    mantissa,
    exponent_mark,
    exponent_sign,
    exponent_digits,
    done,
  };
  enum class Special : std::uint8_t { none, infinity, not_a_number };

  std::uint64_t significand;      // the first 19 significant digits
  std::int64_t scale;             // power of ten of the significand's last digit
  std::int64_t written_exponent;  // saturates far beyond any double's range
  Phase phase;
  Special special;
  std::uint8_t word_matched;  // letters of "INF" or "NAN" seen so far
  bool negative;
  bool any_digit;
  bool after_point;
  bool exponent_negative;
  bool separator_pending;  // the separator still stands for the point
  char separator;
};

// decimal_separator stands for the point where it first appears in the field;
// the point itself is always read as the point.
void start_number(NumberScan& scan, char decimal_separator);

// Feeds [first, last); the bytes after the end of the number are passed over.
void scan_number(NumberScan& scan, const char* first, const char* last);

// The value of what was fed: a field without a number gives 0.0, or -0.0 when
// a minus sign stands before where the number would start.
double number_value(const NumberScan& scan);

// The whole field at once.
double parse_number(const char* first, const char* last, char decimal_separator);

// The same, skipping the quick path below: for a field it has turned down.
double parse_number_fully(const char* first, const char* last, char decimal_separator);

inline constexpr int kMaxSignificantDigits = 19;
// Far beyond any exponent that can matter, and far below where adding a
// field's digit count could overflow.
inline constexpr std::int64_t kExponentCeiling = std::int64_t{1} << 50;

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
// rounding of the operation is the only one.
inline double decimal_to_double_quickly(std::uint64_t significand, std::int64_t exponent) {
  if (significand <= (std::uint64_t{1} << 53) && exponent >= -22 && exponent <= 22) {
    const auto exact = static_cast<double>(significand);
    return exponent < 0 ? exact / kExactPowersOfTen[-exponent]
                        : exact * kExactPowersOfTen[exponent];
  }
  return decimal_to_double(significand, exponent);
}

// True for a character that plays no part in any number, so that a number
// ends before it: for such a decimal separator the quick path below holds, and
// such a delimiter needs no search before the number is read.
constexpr bool is_foreign_to_numbers(char c) {
  switch (c) {
    case '+':
    case '-':
    case '.':
    case 'e':
    case 'E':
    case 'I':
    case 'N':
    case 'F':
    case 'A':
    case ' ':
    case '\t':
    case '\n':
    case '\v':
    case '\f':
    case '\r':
      return false;
    default:
      return c < '0' || c > '9';
  }
}

// Below 10 for a digit, far above for anything else.
inline unsigned digit_value(char c) {
  return static_cast<unsigned>(static_cast<unsigned char>(c) - '0');
}

// Adds the digits at p, up to last, to significand and returns their end.
inline const char* read_digits(const char* p, const char* last, std::uint64_t& significand) {
  while (p != last && digit_value(*p) < 10)
    significand = significand * 10 + digit_value(*p++);
  return p;
}

// The quick path for the usual shape of a number: an optional sign, at most
// 19 digits with at most one point, an optional exponent. Returns the end of
// the number, or nullptr when the field needs parse_number's full rules.
// decimal_separator must be '.' or foreign to numbers.
inline const char* parse_common_number(const char* p, const char* last, char decimal_separator,
                                       double& value) {
  bool negative = false;
  if (p != last && (*p == '-' || *p == '+')) {
    negative = *p == '-';
    ++p;
  }
  std::uint64_t significand = 0;
  const char* const integer_start = p;
  p = read_digits(p, last, significand);
  std::int64_t digits = p - integer_start;
  std::int64_t exponent = 0;
  if (p != last && (*p == '.' || *p == decimal_separator)) {
    const char* const fraction_start = ++p;
    p = read_digits(p, last, significand);
    exponent = fraction_start - p;
    digits -= exponent;
  }
  if (digits == 0 || digits > kMaxSignificantDigits) return nullptr;
  if (p != last && (*p == 'e' || *p == 'E')) {
    const char* q = p + 1;
    const bool exponent_negative = q != last && *q == '-';
    if (q != last && (*q == '-' || *q == '+')) ++q;
    if (q != last && digit_value(*q) < 10) {
      std::int64_t written = 0;
      for (; q != last && digit_value(*q) < 10; ++q) {
        if (written < kExponentCeiling) written = written * 10 + digit_value(*q);
      }
      exponent += exponent_negative ? -written : written;
      p = q;
    }
  }
  const double magnitude = decimal_to_double_quickly(significand, exponent);
  value = negative ? -magnitude : magnitude;
  return p;
}

}  // namespace zivuvi
