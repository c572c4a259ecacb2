// A plain model of a whole conversion, for checking the real reader and
// writer: the text is cleaned and split with strings, the numbers read by the
// slow reference, the file assembled in memory.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
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
inline std::vector<std::string> split(const std::string& line, char delimiter) {
  std::vector<std::string> fields(1);
  for (const char c : line) {
    if (c == delimiter) {
      fields.emplace_back();
    } else {
      fields.back().push_back(c);
    }
  }
  return fields;
}

// max_cells: the model gives up (columns = -1) rather than build a larger file.
inline Conversion convert(const std::string& source, char separator, char delimiter,
                          const std::string& name, std::int64_t max_cells) {
  std::string text;
  text.reserve(source.size());
  for (const char c : source) {
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

  std::vector<std::string> lines;
  for (std::size_t at = 0; at < text.size() && text[at] != '\0';) {
    std::size_t feed = text.find('\n', at);
    if (feed == std::string::npos) feed = text.size();
    lines.push_back(text.substr(at, feed - at).c_str());  // a zero byte cuts it
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
  for (const std::string& line : lines) {
    const std::vector<std::string> fields = split(line, delimiter);
    for (std::int64_t column = 0; column < result.columns; ++column) {
      const auto index = static_cast<std::size_t>(column);
      put_double(file, index < fields.size() ? parse(fields[index], separator) : 0.0);
    }
  }
  return result;
}

}  // namespace zivuvi::reference
