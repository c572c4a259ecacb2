// Reads a delimited text table: one record a line, one delimiter character,
// fields converted by the number rules of number.h.
//
// The source is opened in binary and read as text the same way on every
// platform: carriage returns are dropped wherever they stand, and a 0x1A byte
// ends the text. A zero byte cuts its line there, and a line that begins with
// one ends the table. Lines of any length are read in fixed memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "octave_writer.h"

namespace zivuvi {

inline constexpr std::size_t kSourceBlockSize = 256 * 1024;

struct TableReader {
  std::FILE* source;
  char decimal_separator;
  char delimiter;
  // Read a field's number before searching its end: it cannot run past the
  // delimiter, and the field mostly ends where the number does.
  bool numbers_end_before_delimiter;
  bool text_ended;         // end of file or 0x1A reached: nothing more is read
  bool start_in_block;     // the block still holds the source from its first byte
  char* next;              // first unread byte of text in block
  char* end;               // end of the text in block
  char* next_zero;         // first zero byte at or after next, or end
  std::size_t block_size;  // the part of block in use: tests shrink it to reach its edges
  char block[kSourceBlockSize];
};

void start_table(TableReader& reader, std::FILE* source, char decimal_separator, char delimiter,
                 std::size_t block_size = kSourceBlockSize);

struct FirstLine {
  bool read_failed;
  std::int64_t length;      // up to its first zero byte, its line feed included; 0 for no text
  std::int64_t delimiters;  // up to its first zero byte
};

// Reads the whole first line, however long. It is read again as data after
// rewind_table.
FirstLine read_first_line(TableReader& reader);

// Returns false when the source has to be read again from its start and
// cannot be: a first line longer than the block on a pipe.
bool rewind_table(TableReader& reader);

enum class LineResult : std::uint8_t { converted, no_more_lines, read_failed };

// Converts the next line into exactly `columns` values: missing and empty
// fields give 0.0, fields beyond `columns` are passed over.
LineResult convert_next_line(TableReader& reader, std::int32_t columns, OctaveWriter& writer);

}  // namespace zivuvi
