// The quick path for the usual shape of a number, tried before the full rules
// of number.h on every field.
#pragma once

#include <cstdint>

#include "decimal_to_double.h"

namespace zivuvi {

// Far beyond any exponent that can matter, and far below where adding a
// field's digit count could overflow.
inline constexpr std::int64_t kExponentCeiling = std::int64_t{1} << 50;

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
