#include "progress.h"

namespace zivuvi {
namespace {

constexpr auto kQuietTime = std::chrono::seconds(1);
constexpr auto kShowEvery = std::chrono::milliseconds(250);

}  // namespace

ProgressLine::ProgressLine(std::FILE* terminal, std::int64_t total_bytes)
    : terminal_(terminal),
      total_bytes_(total_bytes),
      start_(std::chrono::steady_clock::now()),
      next_show_(start_ + kQuietTime) {}

void ProgressLine::show(std::int64_t bytes_read, std::chrono::steady_clock::time_point now) {
  next_show_ = now + kShowEvery;
  const double seconds = std::chrono::duration<double>(now - start_).count();
  const double megabytes = static_cast<double>(bytes_read) / 1e6;
  char line[96];
  int width;
  if (total_bytes_ > 0) {
    width = std::snprintf(line, sizeof line, "zivuvi: %.0f MB read (%d%%), %.0f MB/s", megabytes,
                          static_cast<int>(100 * bytes_read / total_bytes_), megabytes / seconds);
  } else {
    width = std::snprintf(line, sizeof line, "zivuvi: %.0f MB read, %.0f MB/s", megabytes,
                          megabytes / seconds);
  }
  // Spaces cover what a longer line before left.
  std::fprintf(terminal_, "\r%s%*s", line, shown_width_ > width ? shown_width_ - width : 0, "");
  std::fflush(terminal_);
  if (width > shown_width_) shown_width_ = width;
}

void ProgressLine::clear() {
  if (shown_width_ == 0) return;
  std::fprintf(terminal_, "\r%*s\r", shown_width_, "");
  std::fflush(terminal_);
  shown_width_ = 0;
}

}  // namespace zivuvi
