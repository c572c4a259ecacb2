#include "number.h"

#include <bit>
#include <limits>

namespace zivuvi {
namespace {

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

}  // namespace

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
