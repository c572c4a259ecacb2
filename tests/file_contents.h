// Reading back what a test wrote to a temporary file.
#pragma once

#include <cstdio>
#include <string>

namespace zivuvi::testing {

// The whole file, from its start.
inline std::string file_contents(std::FILE* file) {
  std::rewind(file);
  std::string bytes;
  char chunk[4096];
  std::size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
    bytes.append(chunk, got);
  return bytes;
}

}  // namespace zivuvi::testing
