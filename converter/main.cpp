#include <cstdio>
#include <cstdlib>

#include "run.h"

int main(int argc, char** argv) {
  zivuvi::Tuning tuning = zivuvi::kDefaultTuning;
  tuning.threads = zivuvi::thread_count(std::getenv("ZIVUVI_THREADS"));
  const zivuvi::Failure failure = zivuvi::run(argc, argv, zivuvi::kFileFormatLimits, tuning);
  if (failure == zivuvi::Failure::none) return 0;
  zivuvi::report_failure(stdout, failure);
  return 1;
}
