#include <cstdio>
#include <cstdlib>

#include "run.h"

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
#else
int main(int argc, char** argv) {
#endif
  zivuvi::Tuning tuning = zivuvi::kDefaultTuning;
  tuning.threads = zivuvi::thread_count(std::getenv("ZIVUVI_THREADS"));
  std::FILE* progress_terminal = zivuvi::is_terminal(stderr) ? stderr : nullptr;
  const zivuvi::Failure failure =
      zivuvi::run(argc, argv, zivuvi::kFileFormatLimits, tuning, progress_terminal);
  if (failure == zivuvi::Failure::none) return 0;
  zivuvi::report_failure(stdout, failure);
  return 1;
}
