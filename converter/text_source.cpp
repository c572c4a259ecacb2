#include "text_source.h"

#include <algorithm>
#include <cstring>

#include "find.h"

namespace zivuvi {
namespace {

constexpr char kEndOfText = 0x1A;

char* block_limit(TextSource& source) {
  return source.block + source.block_size;
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

}  // namespace

void start_text(TextSource& source, std::FILE* file, std::size_t block_size) {
  source.file = file;
  source.block_size = block_size;
  source.text_ended = false;
  source.start_in_block = true;
  source.next = source.end = source.block;
}

bool refill_text(TextSource& source) {
  const auto unread = static_cast<std::size_t>(source.end - source.next);
  if (source.next != source.block) {
    std::memmove(source.block, source.next, unread);
    source.start_in_block = false;
  }
  source.next = source.block;
  source.end = source.block + unread;
  while (!source.text_ended && source.end != block_limit(source)) {
    const auto wanted = static_cast<std::size_t>(block_limit(source) - source.end);
    const std::size_t got = std::fread(source.end, 1, wanted, source.file);
    if (got < wanted) {
      if (std::ferror(source.file)) return false;
      source.text_ended = true;
    }
    char* fresh_end = source.end + got;
    char* end_of_text = find_or_end(source.end, fresh_end, kEndOfText);
    if (end_of_text != fresh_end) {
      source.text_ended = true;
      fresh_end = end_of_text;
    }
    source.end = drop_carriage_returns(source.end, fresh_end);
  }
  return true;
}

FirstLine read_first_line(TextSource& source, char delimiter) {
  FirstLine line{};
  if (!refill_text(source)) {
    line.read_failed = true;
    return line;
  }
  // The scan leaves source.next alone, so that a first line which fits the
  // block is read again from there, even from a pipe.
  char* chunk = source.next;
  for (;;) {
    char* zero = find_or_end(chunk, source.end, '\0');
    char* line_feed = find_or_end(chunk, zero, '\n');
    line.delimiters += std::count(chunk, line_feed, delimiter);
    if (line_feed != zero) {
      line.length += line_feed + 1 - chunk;
      return line;
    }
    line.length += zero - chunk;
    if (zero != source.end || source.text_ended) return line;
    source.start_in_block = false;
    source.next = source.end;
    if (!refill_text(source)) {
      line.read_failed = true;
      return line;
    }
    chunk = source.next;
  }
}

bool rewind_text(TextSource& source) {
  if (source.start_in_block) return true;
  if (std::fseek(source.file, 0, SEEK_SET) != 0) return false;
  std::clearerr(source.file);
  source.text_ended = false;
  source.start_in_block = true;
  source.next = source.end = source.block;
  return refill_text(source);
}

LineRun take_lines(TextSource& source, std::int64_t max_lines, std::size_t max_bytes) {
  for (;;) {
    char* const first = source.next;
    char* const byte_limit =
        first + std::min(max_bytes, static_cast<std::size_t>(source.end - first));
    char* line = first;
    std::int64_t count = 0;
    bool table_ended = false;
    while (count < max_lines && line != source.end && (count == 0 || line < byte_limit)) {
      if (*line == '\0') {
        table_ended = true;
        break;
      }
      char* line_feed = find_or_end(line, source.end, '\n');
      if (line_feed == source.end && !source.text_ended) break;
      line = line_feed == source.end ? source.end : line_feed + 1;
      ++count;
    }
    if (count > 0) {
      source.next = line;
      return {Take::lines, first, line, count};
    }
    if (table_ended || (first == source.end && source.text_ended)) {
      return {Take::end_of_table, nullptr, nullptr, 0};
    }
    if (first == source.block && source.end == block_limit(source)) {
      return {Take::long_line, nullptr, nullptr, 0};
    }
    if (!refill_text(source)) return {Take::read_failed, nullptr, nullptr, 0};
  }
}

}  // namespace zivuvi
