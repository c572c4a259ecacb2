// One line on a terminal that says how far a long conversion has come: bytes
// read, the share of the source when its size is known, and the speed. It
// appears once the run has lasted a second, changes a few times a second and
// is cleared at the end, so that a short run shows nothing.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>

namespace zivuvi {

class ProgressLine {
 public:
  // total_bytes: the source's size, or -1 when unknown.
  ProgressLine(std::FILE* terminal, std::int64_t total_bytes);
  ~ProgressLine() { clear(); }
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  // Cheap enough to call for every chunk: it looks at the clock only.
  void update(std::int64_t bytes_read) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= next_show_) show(bytes_read, now);
  }
  void clear();

 private:
  void show(std::int64_t bytes_read, std::chrono::steady_clock::time_point now);

  std::FILE* terminal_;
  std::int64_t total_bytes_;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point next_show_;
  int shown_width_ = 0;
};

}  // namespace zivuvi
