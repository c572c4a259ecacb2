// Decimal text to double, with the rules of the table reader: the point or the
// field's first decimal separator, at most 19 significant digits, correct
// rounding, INF and NAN only behind a sign, no hexadecimal, no locale.
#pragma once

#include <cstdint>

#include "common_number.h"
#include "decimal_to_double.h"

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

}  // namespace zivuvi
