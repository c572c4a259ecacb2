// A plain model of a whole conversion, for checking the real reader and
// writer: the text is cleaned and split with strings, the numbers read by the
// slow reference, the file assembled in memory.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "reference_number.h"

namespace zivuvi::reference {

struct Conversion {
  bool valid;  // the first line holds at least two characters
  std::int64_t columns;
  std::int64_t lines;
  std::string file;  // the Octave file, when valid
};

template <class Unsigned>
void put_little_endian(std::string& out, Unsigned bits) {
  char bytes[sizeof bits];
  for (std::size_t i = 0; i < sizeof bits; ++i)
    bytes[i] = static_cast<char>(bits >> (8 * i));
  out.append(bytes, sizeof bytes);
}

inline void put_int32(std::string& out, std::int64_t value) {
  put_little_endian(out, static_cast<std::uint32_t>(value));
}

inline void put_double(std::string& out, double value) {
  put_little_endian(out, std::bit_cast<std::uint64_t>(value));
}

// The fields of a line split at every delimiter; a blank line has one.
inline std::vector<std::string_view> split(std::string_view line, char delimiter) {
  std::vector<std::string_view> fields;
  for (;;) {
    const std::size_t at = line.find(delimiter);
    fields.push_back(line.substr(0, at));
    if (at == std::string_view::npos) return fields;
    line.remove_prefix(at + 1);
  }
}

inline void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | c >> 18);
    out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The bytes of the source as UTF-8 text: a UTF-8 byte-order mark dropped, a
// UTF-16 one decoded from (lone surrogates and a lone last byte as U+FFFD).
inline std::string decoded(const std::string& source) {
  if (source.rfind("\xEF\xBB\xBF", 0) == 0) return source.substr(3);
  const bool little = source.rfind("\xFF\xFE", 0) == 0;
  if (!little && source.rfind("\xFE\xFF", 0) != 0) return source;
  std::vector<char32_t> units;
  for (std::size_t at = 2; at + 1 < source.size(); at += 2) {
    const char32_t first = static_cast<unsigned char>(source[at]);
    const char32_t second = static_cast<unsigned char>(source[at + 1]);
    units.push_back(little ? second << 8 | first : first << 8 | second);
  }
  std::string text;
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char32_t unit = units[i];
    const bool high = unit >= 0xD800 && unit < 0xDC00;
    const bool low_follows =
        i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000;
    if (high && low_follows) {
      append_utf8(text, 0x10000 + ((unit - 0xD800) << 10) + (units[i + 1] - 0xDC00));
      ++i;
    } else if (unit >= 0xD800 && unit < 0xE000) {
      append_utf8(text, 0xFFFD);
    } else {
      append_utf8(text, unit);
    }
  }
  if (source.size() % 2 == 1) append_utf8(text, 0xFFFD);
  return text;
}

// max_cells: the model gives up (columns = -1) rather than build a larger file.
inline Conversion convert(const std::string& source, char separator, char delimiter,
                          const std::string& name, std::int64_t max_cells) {
  std::string text;
  text.reserve(source.size());
  for (const char c : decoded(source)) {
    if (c == '\x1a') break;
    if (c != '\r') text.push_back(c);
  }
  const std::string first_line = text.substr(0, text.find('\n'));
  const std::string first_with_feed = text.substr(0, first_line.size() + 1);
  if (std::strlen(first_with_feed.c_str()) < 2) return {false, 0, 0, ""};
  const std::string counted = first_line.c_str();  // up to a zero byte
  Conversion result{true, 1, 0, ""};
  for (const char c : counted)
    result.columns += c == delimiter;

  std::vector<std::string_view> lines;
  for (std::size_t at = 0; at < text.size() && text[at] != '\0';) {
    std::size_t feed = text.find('\n', at);
    if (feed == std::string::npos) feed = text.size();
    const std::string_view line(text.data() + at, feed - at);
    lines.push_back(line.substr(0, line.find('\0')));  // a zero byte cuts it
    at = feed + 1;
  }
  result.lines = static_cast<std::int64_t>(lines.size());
  if (result.columns * result.lines > max_cells) return {true, -1, result.lines, ""};

  std::string& file = result.file;
  file.reserve(44 + name.size() + 8 * static_cast<std::size_t>(result.columns * result.lines));
  file.append("Octave-1-L", 10);
  file.push_back('\0');
  put_int32(file, static_cast<std::int64_t>(name.size()));
  file += name;
  put_int32(file, 0);
  file.push_back('\0');
  file.push_back('\xff');
  put_int32(file, 6);
  file += "matrix";
  put_int32(file, -2);
  put_int32(file, result.columns);
  put_int32(file, result.lines);
  file.push_back('\x07');
  for (const std::string_view line : lines) {
    const std::vector<std::string_view> fields = split(line, delimiter);
    for (std::int64_t column = 0; column < result.columns; ++column) {
      const auto index = static_cast<std::size_t>(column);
      put_double(file, index < fields.size() ? parse(std::string(fields[index]), separator) : 0.0);
    }
  }
  return result;
}

}  // namespace zivuvi::reference
