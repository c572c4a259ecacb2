// One conversion from an open source to an open destination, on one thread or
// on several: the file written is the same byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "progress.h"
#include "text_source.h"

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

inline constexpr unsigned kMaxThreads = 64;

// How the work is cut. Tests shrink the sizes to put every line, field and
// line end across the edges of blocks and chunks.
struct Tuning {
  unsigned threads;          // threads that convert; 1 converts on the calling thread alone
  std::size_t block_size;    // text read at a time, at most kSourceBlockSize
  std::size_t chunk_size;    // text handed to a thread at a time, at most block_size
  std::size_t chunk_values;  // values a chunk may produce: bounds memory whatever the lines
};

inline constexpr Tuning kDefaultTuning{1, kSourceBlockSize, 128 * 1024, 64 * 1024};

// Converts the whole source into the destination. Closes neither file. A
// destination that cannot seek (a pipe) gets the lines counted first, when the
// source can be read twice, and fails before anything is written when it
// cannot. progress, when there is one, is kept up to date.
Failure convert_table(std::FILE* source, std::FILE* destination, const Settings& settings,
                      const Limits& limits, const Tuning& tuning = kDefaultTuning,
                      ProgressLine* progress = nullptr);

}  // namespace zivuvi
