// The source as text, read the same way on every platform: the file is opened
// in binary, carriage returns are dropped wherever they stand and a 0x1A byte
// ends the text. A UTF-8 byte-order mark is passed over; a source that starts
// with a UTF-16 byte-order mark (either byte order) is read as the text it
// encodes, in UTF-8, before any of these rules apply. The text is cut into
// runs of whole lines; a line that begins with a zero byte ends the table.
// Memory is one block, whatever the length of the source or of a line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace zivuvi {

inline constexpr std::size_t kSourceBlockSize = 256 * 1024;
inline constexpr std::size_t kUtf16BufferSize = 16 * 1024;

enum class Encoding : std::uint8_t { utf8, utf16_little_endian, utf16_big_endian };

struct TextSource {
  std::FILE* file;
  std::size_t block_size;   // the part of block in use: tests shrink it to reach its edges
  std::int64_t bytes_read;  // from the file, marks and all
  Encoding encoding;
  bool encoding_known;  // the byte-order mark, if any, has been read
  bool file_ended;      // the file has nothing more to read
  bool text_ended;      // end of file or 0x1A reached: nothing more is taken in
  bool start_in_block;  // the block still holds the text from its first byte
  char* next;           // first byte of text not taken yet
  char* end;            // end of the text in block
  // Text made but not in the block yet: the bytes after a mark that was not
  // there, or the rest of a character that did not fit.
  unsigned char pending[4];
  std::size_t pending_begin;
  std::size_t pending_end;
  // UTF-16 code units read but not decoded yet.
  unsigned char units[kUtf16BufferSize];
  std::size_t units_begin;
  std::size_t units_end;
  char block[kSourceBlockSize];
};

// block_size is at most kSourceBlockSize.
void start_text(TextSource& source, std::FILE* file, std::size_t block_size);

// Moves the text not taken yet to the front of the block and reads behind it
// until the block is full or the text has ended. False when a read fails.
bool refill_text(TextSource& source);

struct FirstLine {
  bool read_failed;
  std::int64_t length;      // up to its first zero byte, its line feed included; 0 for no text
  std::int64_t delimiters;  // up to its first zero byte
};

// Scans the whole first line, however long, without taking it: it is read
// again as data after rewind_text.
FirstLine read_first_line(TextSource& source, char delimiter);

// Goes back to the first line. Returns false when the text has to be read
// again from the file's start and cannot be: a first line longer than the
// block on a pipe.
bool rewind_text(TextSource& source);

// Reads the text again from the file's start, as start_text left it.
bool restart_text(TextSource& source);

enum class Take : std::uint8_t { lines, long_line, end_of_table, read_failed };

struct LineRun {
  Take what;
  const char* first;   // with Take::lines: whole lines, each ending in a line
  const char* last;    // feed, but for the last line of the text
  std::int64_t count;  // lines in [first, last)
};

// Takes whole lines from the front of the text: at least one and at most
// max_lines, and no more once max_bytes are reached. Take::long_line: the next
// line does not fit the block and has to be read in pieces (line_converter.h).
// The run stays valid until the next call.
LineRun take_lines(TextSource& source, std::int64_t max_lines, std::size_t max_bytes);

}  // namespace zivuvi
