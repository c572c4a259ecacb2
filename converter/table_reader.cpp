#include "table_reader.h"

#include <algorithm>
#include <cstring>

#include "number.h"

namespace zivuvi {
namespace {

constexpr char kEndOfText = 0x1A;

char* block_limit(TableReader& reader) {
  return reader.block + reader.block_size;
}

template <class Char>
Char* find_or_end(Char* first, Char* last, char wanted) {
  const void* hit = std::memchr(first, wanted, static_cast<std::size_t>(last - first));
  return hit != nullptr ? first + (static_cast<const Char*>(hit) - first) : last;
}

// Returns the new end of [first, last) once its carriage returns are gone.
char* drop_carriage_returns(char* first, char* last) {
  char* out = find_or_end(first, last, '\r');
  char* in = out;
  while (in != last) {
    ++in;  // past the carriage return
    char* next_return = find_or_end(in, last, '\r');
    const auto kept = static_cast<std::size_t>(next_return - in);
    std::memmove(out, in, kept);
    out += kept;
    in = next_return;
  }
  return out;
}

// Moves the unread text to the front of the block and reads behind it until
// the block is full or the text has ended.
bool refill(TableReader& reader) {
  const auto unread = static_cast<std::size_t>(reader.end - reader.next);
  if (reader.next != reader.block) std::memmove(reader.block, reader.next, unread);
  reader.next = reader.block;
  reader.end = reader.block + unread;
  while (!reader.text_ended && reader.end != block_limit(reader)) {
    const auto wanted = static_cast<std::size_t>(block_limit(reader) - reader.end);
    const std::size_t got = std::fread(reader.end, 1, wanted, reader.source);
    if (got < wanted) {
      if (std::ferror(reader.source)) return false;
      reader.text_ended = true;
    }
    char* fresh_end = reader.end + got;
    char* end_of_text = find_or_end(reader.end, fresh_end, kEndOfText);
    if (end_of_text != fresh_end) {
      reader.text_ended = true;
      fresh_end = end_of_text;
    }
    reader.end = drop_carriage_returns(reader.end, fresh_end);
  }
  reader.next_zero = find_or_end(reader.next, reader.end, '\0');
  return true;
}

// Converts the line [reader.next, line_feed), whose line feed (or the end of
// the text, if it has none) is in the block.
void convert_line_in_block(TableReader& reader, char* line_feed, std::int32_t columns,
                           OctaveWriter& writer) {
  const char* const line_end = std::min(line_feed, reader.next_zero);
  const char* cursor = reader.next;
  std::int32_t column = 0;
  for (; column < columns && cursor != line_end; ++column) {
    double value;
    const char* field_end;
    const char* number_end = nullptr;
    if (reader.numbers_end_before_delimiter) {
      number_end = parse_common_number(cursor, line_end, reader.decimal_separator, value);
    }
    if (number_end != nullptr && (number_end == line_end || *number_end == reader.delimiter)) {
      field_end = number_end;
    } else {
      field_end =
          find_or_end(number_end != nullptr ? number_end : cursor, line_end, reader.delimiter);
      if (number_end == nullptr) {
        value = reader.numbers_end_before_delimiter
                    ? parse_number_fully(cursor, field_end, reader.decimal_separator)
                    : parse_number(cursor, field_end, reader.decimal_separator);
      }
    }
    append_value(writer, value);
    cursor = field_end == line_end ? line_end : field_end + 1;
  }
  for (; column < columns; ++column)
    append_value(writer, 0.0);
  reader.next = line_feed == reader.end ? reader.end : line_feed + 1;
  if (reader.next_zero < reader.next) reader.next_zero = find_or_end(reader.next, reader.end, '\0');
}

char* find_field_end(char* first, char* last, char delimiter) {
  while (first != last && *first != delimiter && *first != '\n' && *first != '\0')
    ++first;
  return first;
}

// A line longer than the block: its fields, and a field itself, may span
// several blocks.
LineResult convert_long_line(TableReader& reader, std::int32_t columns, OctaveWriter& writer) {
  bool line_ended = false;     // at its line feed, a zero byte or the end of the text
  bool line_consumed = false;  // nothing of it is left to pass over
  for (std::int32_t column = 0; column < columns; ++column) {
    if (line_ended) {
      append_value(writer, 0.0);
      continue;
    }
    NumberScan scan;
    start_number(scan, reader.decimal_separator);
    for (;;) {
      if (reader.next == reader.end) {
        if (!refill(reader)) return LineResult::read_failed;
        if (reader.next == reader.end) {
          line_ended = line_consumed = true;
          break;
        }
      }
      char* field_end = find_field_end(reader.next, reader.end, reader.delimiter);
      scan_number(scan, reader.next, field_end);
      reader.next = field_end;
      if (field_end == reader.end) continue;
      if (*field_end == '\n') {
        line_ended = line_consumed = true;
        ++reader.next;
      } else if (*field_end == '\0') {
        line_ended = true;
      } else {
        ++reader.next;
      }
      break;
    }
    append_value(writer, number_value(scan));
  }
  while (!line_consumed) {
    char* line_feed = find_or_end(reader.next, reader.end, '\n');
    if (line_feed != reader.end) {
      reader.next = line_feed + 1;
      break;
    }
    reader.next = reader.end;
    if (!refill(reader)) return LineResult::read_failed;
    line_consumed = reader.next == reader.end;
  }
  reader.next_zero = find_or_end(reader.next, reader.end, '\0');
  return LineResult::converted;
}

}  // namespace

void start_table(TableReader& reader, std::FILE* source, char decimal_separator, char delimiter,
                 std::size_t block_size) {
  reader.source = source;
  reader.block_size = block_size;
  // A separator that is also the delimiter never stands inside a field.
  reader.decimal_separator = decimal_separator == delimiter ? '.' : decimal_separator;
  reader.delimiter = delimiter;
  reader.numbers_end_before_delimiter =
      is_foreign_to_numbers(delimiter) &&
      (reader.decimal_separator == '.' || is_foreign_to_numbers(reader.decimal_separator));
  reader.text_ended = false;
  reader.start_in_block = true;
  reader.next = reader.end = reader.next_zero = reader.block;
}

FirstLine read_first_line(TableReader& reader) {
  FirstLine line{};
  if (!refill(reader)) {
    line.read_failed = true;
    return line;
  }
  // The scan leaves reader.next alone, so that a first line which fits the
  // block is read again from there, even from a pipe.
  char* chunk = reader.next;
  for (;;) {
    char* zero = find_or_end(chunk, reader.end, '\0');
    char* line_feed = find_or_end(chunk, zero, '\n');
    line.delimiters += std::count(chunk, line_feed, reader.delimiter);
    if (line_feed != zero) {
      line.length += line_feed + 1 - chunk;
      return line;
    }
    line.length += zero - chunk;
    if (zero != reader.end || reader.text_ended) return line;
    reader.start_in_block = false;
    reader.next = reader.end;
    if (!refill(reader)) {
      line.read_failed = true;
      return line;
    }
    chunk = reader.next;
  }
}

bool rewind_table(TableReader& reader) {
  if (reader.start_in_block) return true;
  if (std::fseek(reader.source, 0, SEEK_SET) != 0) return false;
  std::clearerr(reader.source);
  reader.text_ended = false;
  reader.start_in_block = true;
  reader.next = reader.end = reader.block;
  return refill(reader);
}

LineResult convert_next_line(TableReader& reader, std::int32_t columns, OctaveWriter& writer) {
  if (reader.next == reader.end) {
    if (!refill(reader)) return LineResult::read_failed;
    if (reader.next == reader.end) return LineResult::no_more_lines;
  }
  if (*reader.next == '\0') return LineResult::no_more_lines;
  for (;;) {
    char* line_feed = find_or_end(reader.next, reader.end, '\n');
    if (line_feed != reader.end || reader.text_ended) {
      convert_line_in_block(reader, line_feed, columns, writer);
      return LineResult::converted;
    }
    // A block that starts with the line and holds no line end is full.
    if (reader.next == reader.block) return convert_long_line(reader, columns, writer);
    if (!refill(reader)) return LineResult::read_failed;
  }
}

}  // namespace zivuvi
