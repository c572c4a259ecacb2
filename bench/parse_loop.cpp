// The yardstick: std::from_chars over a table already in memory, nothing read
// or written while timed. parse_loop TABLE [REPEATS] prints the median MB/s.
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: parse_loop TABLE [REPEATS]\n", stderr);
    return 2;
  }
  std::FILE* file = std::fopen(argv[1], "rb");
  if (file == nullptr) return 1;
  std::vector<char> text;
  char chunk[1 << 16];
  std::size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
    text.insert(text.end(), chunk, chunk + got);
  std::fclose(file);
  const int repeats = argc > 2 ? std::atoi(argv[2]) : 5;
  std::vector<double> seconds;
  double checksum = 0;
  for (int r = 0; r < repeats; ++r) {
    const auto start = std::chrono::steady_clock::now();
    const char* p = text.data();
    const char* end = p + text.size();
    double sum = 0;
    while (p < end) {
      double value = 0;
      p = std::from_chars(p, end, value).ptr;
      sum += value;
      ++p;  // the delimiter or the line feed
    }
    seconds.push_back(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    checksum += sum;
  }
  std::sort(seconds.begin(), seconds.end());
  const double median = seconds[seconds.size() / 2];
  std::printf("%.1f\n", static_cast<double>(text.size()) / median / 1e6);
  std::fprintf(stderr, "checksum %g\n", checksum);
  return 0;
}
