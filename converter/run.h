// One run of the tool: the command line, the files, the conversion, and the
// one message that tells a failure.
#pragma once

#include <cstdint>
#include <cstdio>

#include "table_reader.h"

namespace zivuvi {

enum class Failure : std::uint8_t {
  none,
  not_enough_parameters,
  invalid_decimal_separator,
  invalid_delimiter,
  invalid_variable_name,
  cannot_read_source,
  destination_is_source,
  cannot_create_destination,
  invalid_data,
  source_too_large,
  cannot_write_destination,
};

// Octave's file stores both dimensions as signed 32-bit numbers; tests lower
// these to reach the checks without gigabytes of input.
struct Limits {
  std::int64_t max_lines;
  std::int64_t max_delimiters;
};
inline constexpr Limits kFileFormatLimits{INT32_MAX, INT32_MAX - 1};

struct Settings {
  char decimal_separator;
  char delimiter;
  const char* variable_name;
};

// Converts the whole source into the destination. Closes neither file.
// block_size (at most kSourceBlockSize) is lowered by tests only.
Failure convert_table(std::FILE* source, std::FILE* destination, const Settings& settings,
                      const Limits& limits, std::size_t block_size = kSourceBlockSize);

// Everything between the command line and the exit status; prints nothing.
Failure run(int argc, const char* const* argv, const Limits& limits);

// The banner, the usage line and the failure's message.
void report_failure(std::FILE* out, Failure failure);

}  // namespace zivuvi
