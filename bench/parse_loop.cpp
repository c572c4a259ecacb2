// The yardstick: std::from_chars over a table already in memory, nothing read
// or written while timed. parse_loop TABLE [REPEATS] [THREADS] prints the
// median MB/s; with THREADS, the bytes are split at line feeds into that many
// parts, each parsed on a thread of its own.
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

double sum_of_values(const char* p, const char* end) {
  double sum = 0;
  while (p < end) {
    double value = 0;
    p = std::from_chars(p, end, value).ptr;
    sum += value;
    ++p;  // the delimiter or the line feed
  }
  return sum;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: parse_loop TABLE [REPEATS] [THREADS]\n", stderr);
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
  const auto threads = static_cast<std::size_t>(argc > 3 ? std::max(1, std::atoi(argv[3])) : 1);

  // Part boundaries just after a line feed.
  std::vector<const char*> bounds{text.data()};
  for (std::size_t part = 1; part < threads; ++part) {
    const char* at = text.data() + text.size() * part / threads;
    while (at < text.data() + text.size() && at[-1] != '\n')
      ++at;
    bounds.push_back(at);
  }
  bounds.push_back(text.data() + text.size());

  std::vector<double> seconds;
  double checksum = 0;
  for (int r = 0; r < repeats; ++r) {
    std::vector<double> sums(threads);
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> workers;
    for (std::size_t part = 1; part < threads; ++part) {
      workers.emplace_back(
          [&, part] { sums[part] = sum_of_values(bounds[part], bounds[part + 1]); });
    }
    sums[0] = sum_of_values(bounds[0], bounds[1]);
    for (std::thread& worker : workers)
      worker.join();
    seconds.push_back(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    for (const double sum : sums)
      checksum += sum;
  }
  std::sort(seconds.begin(), seconds.end());
  const double median = seconds[seconds.size() / 2];
  std::printf("%.1f\n", static_cast<double>(text.size()) / median / 1e6);
  std::fprintf(stderr, "checksum %g\n", checksum);
  return 0;
}
