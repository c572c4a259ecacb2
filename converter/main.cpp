#include <cstdio>

#include "run.h"

int main(int argc, char** argv) {
  const zivuvi::Failure failure = zivuvi::run(argc, argv, zivuvi::kFileFormatLimits);
  if (failure == zivuvi::Failure::none) return 0;
  zivuvi::report_failure(stdout, failure);
  return 1;
}
