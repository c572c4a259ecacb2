// Writes a deterministic table of numbers like a data logger's export:
// make_table SIZE_BYTES [COLUMNS] [DECIMAL_SEPARATOR] > table.csv
// The same arguments always give the same bytes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

namespace {

// The mix of the benchmark: -1234.5678901, 1.5e-03, 42, 0.25.
int write_field(char* out, std::mt19937_64& random, char separator) {
  const std::uint64_t draw = random();
  const auto kind = draw % 4;
  const char* sign = (draw >> 8) % 2 ? "-" : "";
  int length = 0;
  switch (kind) {
    case 0:
      length = std::sprintf(out, "%s%llu.%07llu", sign,
                            static_cast<unsigned long long>((draw >> 9) % 10000),
                            static_cast<unsigned long long>((draw >> 24) % 10000000));
      break;
    case 1:
      length = std::sprintf(out, "%s%llu.%llue-%02llu", sign,
                            static_cast<unsigned long long>((draw >> 9) % 9 + 1),
                            static_cast<unsigned long long>((draw >> 16) % 10),
                            static_cast<unsigned long long>((draw >> 24) % 20));
      break;
    case 2:
      length = std::sprintf(out, "%llu", static_cast<unsigned long long>((draw >> 9) % 1000));
      break;
    default:
      length = std::sprintf(out, "0.%02llu", static_cast<unsigned long long>((draw >> 9) % 100));
      break;
  }
  if (separator != '.') {
    if (char* point = static_cast<char*>(std::memchr(out, '.', static_cast<std::size_t>(length)))) {
      *point = separator;
    }
  }
  return length;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: make_table SIZE_BYTES [COLUMNS] [DECIMAL_SEPARATOR]\n", stderr);
    return 2;
  }
  const unsigned long long size = std::strtoull(argv[1], nullptr, 10);
  const int columns = argc > 2 ? std::atoi(argv[2]) : 20;
  const char separator = argc > 3 ? argv[3][0] : '.';
  const char delimiter = ';';
  std::mt19937_64 random(20261211);
  static char line[1 << 16];
  unsigned long long written = 0;
  while (written < size) {
    int length = 0;
    for (int column = 0; column < columns; ++column) {
      if (column > 0) line[length++] = delimiter;
      length += write_field(line + length, random, separator);
    }
    line[length++] = '\n';
    std::fwrite(line, 1, static_cast<std::size_t>(length), stdout);
    written += static_cast<unsigned long long>(length);
  }
  return 0;
}
