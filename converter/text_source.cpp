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

// Reads up to `wanted` bytes of the file; false when the read fails.
bool read_file(TextSource& source, unsigned char* out, std::size_t wanted, std::size_t& got) {
  got = std::fread(out, 1, wanted, source.file);
  source.bytes_read += static_cast<std::int64_t>(got);
  if (got < wanted) {
    if (std::ferror(source.file)) return false;
    source.file_ended = true;
  }
  return true;
}

std::size_t take_pending(TextSource& source, unsigned char* out, std::size_t wanted) {
  const std::size_t count = std::min(wanted, source.pending_end - source.pending_begin);
  std::memcpy(out, source.pending + source.pending_begin, count);
  source.pending_begin += count;
  return count;
}

// Reads the first bytes and passes over a byte-order mark; what follows it is
// kept for the text, or for the decoder.
bool read_byte_order_mark(TextSource& source) {
  unsigned char head[3];
  std::size_t have = 0;
  while (have < sizeof head && !source.file_ended) {
    std::size_t got;
    if (!read_file(source, head + have, sizeof head - have, got)) return false;
    have += got;
  }
  std::size_t mark = 0;
  if (have >= 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF) {
    mark = 3;
  } else if (have >= 2 && head[0] == 0xFF && head[1] == 0xFE) {
    source.encoding = Encoding::utf16_little_endian;
    mark = 2;
  } else if (have >= 2 && head[0] == 0xFE && head[1] == 0xFF) {
    source.encoding = Encoding::utf16_big_endian;
    mark = 2;
  }
  const std::size_t rest = have - mark;
  if (source.encoding == Encoding::utf8) {
    std::memcpy(source.pending, head + mark, rest);
    source.pending_end = rest;
  } else {
    std::memcpy(source.units, head + mark, rest);
    source.units_end = rest;
  }
  source.encoding_known = true;
  return true;
}

// Encodes a code point as UTF-8; returns its length.
std::size_t encode_utf8(std::uint32_t code_point, unsigned char* out) {
  if (code_point < 0x80) {
    out[0] = static_cast<unsigned char>(code_point);
    return 1;
  }
  if (code_point < 0x800) {
    out[0] = static_cast<unsigned char>(0xC0 | code_point >> 6);
    out[1] = static_cast<unsigned char>(0x80 | (code_point & 0x3F));
    return 2;
  }
  if (code_point < 0x10000) {
    out[0] = static_cast<unsigned char>(0xE0 | code_point >> 12);
    out[1] = static_cast<unsigned char>(0x80 | (code_point >> 6 & 0x3F));
    out[2] = static_cast<unsigned char>(0x80 | (code_point & 0x3F));
    return 3;
  }
  out[0] = static_cast<unsigned char>(0xF0 | code_point >> 18);
  out[1] = static_cast<unsigned char>(0x80 | (code_point >> 12 & 0x3F));
  out[2] = static_cast<unsigned char>(0x80 | (code_point >> 6 & 0x3F));
  out[3] = static_cast<unsigned char>(0x80 | (code_point & 0x3F));
  return 4;
}

// Makes sure that two code units are ready to decode, unless the file ends
// first. False when a read fails.
bool read_units(TextSource& source) {
  while (source.units_end - source.units_begin < 4 && !source.file_ended) {
    const std::size_t kept = source.units_end - source.units_begin;
    std::memmove(source.units, source.units + source.units_begin, kept);
    source.units_begin = 0;
    source.units_end = kept;
    std::size_t got;
    if (!read_file(source, source.units + kept, sizeof source.units - kept, got)) return false;
    source.units_end += got;
  }
  return true;
}

std::uint32_t unit_at(const TextSource& source, std::size_t at) {
  const unsigned first = source.units[at];
  const unsigned second = source.units[at + 1];
  return source.encoding == Encoding::utf16_little_endian ? second << 8 | first
                                                          : first << 8 | second;
}

// Decodes the next character; a lone surrogate or a lone last byte becomes
// U+FFFD, as any decoder does. Returns 0 at the end of the file.
std::size_t decode_character(TextSource& source, unsigned char* out) {
  constexpr std::uint32_t kReplacement = 0xFFFD;
  const std::size_t available = source.units_end - source.units_begin;
  if (available == 0) return 0;
  if (available == 1) {
    ++source.units_begin;
    return encode_utf8(kReplacement, out);
  }
  std::uint32_t code_point = unit_at(source, source.units_begin);
  source.units_begin += 2;
  if (code_point >= 0xD800 && code_point < 0xDC00) {
    const std::uint32_t low = available >= 4 ? unit_at(source, source.units_begin) : 0;
    if (low >= 0xDC00 && low < 0xE000) {
      code_point = 0x10000 + ((code_point - 0xD800) << 10) + (low - 0xDC00);
      source.units_begin += 2;
    } else {
      code_point = kReplacement;
    }
  } else if (code_point >= 0xDC00 && code_point < 0xE000) {
    code_point = kReplacement;
  }
  return encode_utf8(code_point, out);
}

// Fills [out, out + wanted) with text, short only at the end of the file.
// False when a read fails.
bool read_text(TextSource& source, char* out, std::size_t wanted, std::size_t& got) {
  if (!source.encoding_known && !read_byte_order_mark(source)) return false;
  auto* bytes = reinterpret_cast<unsigned char*>(out);
  got = take_pending(source, bytes, wanted);
  if (source.encoding == Encoding::utf8) {
    if (got == wanted || source.file_ended) return true;
    std::size_t read;
    if (!read_file(source, bytes + got, wanted - got, read)) return false;
    got += read;
    return true;
  }
  while (got != wanted) {
    if (!read_units(source)) return false;
    unsigned char character[4];
    const std::size_t length = decode_character(source, character);
    if (length == 0) break;
    const std::size_t fits = std::min(length, wanted - got);
    std::memcpy(bytes + got, character, fits);
    got += fits;
    std::memcpy(source.pending, character + fits, length - fits);
    source.pending_begin = 0;
    source.pending_end = length - fits;
  }
  return true;
}

}  // namespace

void start_text(TextSource& source, std::FILE* file, std::size_t block_size) {
  source.file = file;
  source.block_size = block_size;
  source.bytes_read = 0;
  source.encoding = Encoding::utf8;
  source.encoding_known = false;
  source.file_ended = false;
  source.text_ended = false;
  source.start_in_block = true;
  source.next = source.end = source.block;
  source.pending_begin = source.pending_end = 0;
  source.units_begin = source.units_end = 0;
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
    std::size_t got;
    if (!read_text(source, source.end, wanted, got)) return false;
    if (got < wanted) source.text_ended = true;
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
  if (source.start_in_block) {
    source.next = source.block;
    return true;
  }
  return restart_text(source);
}

bool restart_text(TextSource& source) {
  if (std::fseek(source.file, 0, SEEK_SET) != 0) return false;
  std::clearerr(source.file);
  start_text(source, source.file, source.block_size);
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
