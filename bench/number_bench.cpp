// The number conversion alone, ours against strtod and std::from_chars, on
// the shapes of field that matter: short logger values, 17-digit values,
// fields past 19 digits, and exponents near the ends of the range.
#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "number.h"

namespace {

std::vector<std::string> fields(const std::string& kind) {
  std::vector<std::string> out;
  char text[64];
  for (int i = 0; i < 1000; ++i) {
    const int a = (i * 7919) % 10000;
    const int b = (i * 104729) % 10000000;
    if (kind == "short") {
      switch (i % 4) {
        case 0:
          std::snprintf(text, sizeof text, "-%d.%07d", a, b);
          break;
        case 1:
          std::snprintf(text, sizeof text, "%d.%de-%02d", 1 + a % 9, a % 10, a % 20);
          break;
        case 2:
          std::snprintf(text, sizeof text, "%d", a % 1000);
          break;
        default:
          std::snprintf(text, sizeof text, "0.%02d", a % 100);
          break;
      }
    } else if (kind == "17_digits") {
      std::snprintf(text, sizeof text, "0.%08d%09d", 10000000 + b, 100000000 + a * 7);
    } else if (kind == "past_19_digits") {
      std::snprintf(text, sizeof text, "%d%d%d.5", 1000000000 + b, 1000000000 + a, 100000 + a);
    } else {
      std::snprintf(text, sizeof text, "%d.%de%s", 1 + a % 9, b, i % 2 ? "307" : "-307");
    }
    out.emplace_back(text);
  }
  return out;
}

template <class Convert>
void run(benchmark::State& state, const char* kind, Convert convert) {
  const std::vector<std::string> input = fields(kind);
  std::size_t bytes = 0;
  for (const auto& field : input)
    bytes += field.size();
  for (auto _ : state) {
    for (const auto& field : input) {
      benchmark::DoNotOptimize(convert(field.data(), field.data() + field.size()));
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
}

double ours(const char* first, const char* last) {
  return zivuvi::parse_number(first, last, ',');
}

double library_strtod(const char* first, const char*) {
  return std::strtod(first, nullptr);
}

double library_from_chars(const char* first, const char* last) {
  double value = 0;
  std::from_chars(first, last, value);
  return value;
}

}  // namespace

#define ZIVUVI_NUMBER_BENCHMARKS(kind)                          \
  BENCHMARK_CAPTURE(run, ours_##kind, #kind, ours);             \
  BENCHMARK_CAPTURE(run, strtod_##kind, #kind, library_strtod); \
  BENCHMARK_CAPTURE(run, from_chars_##kind, #kind, library_from_chars);

ZIVUVI_NUMBER_BENCHMARKS(short)
ZIVUVI_NUMBER_BENCHMARKS(17_digits)
ZIVUVI_NUMBER_BENCHMARKS(past_19_digits)
ZIVUVI_NUMBER_BENCHMARKS(range_ends)

BENCHMARK_MAIN();
