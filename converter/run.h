// One run of the tool: the command line, the files, the conversion, and the
// one message that tells a failure.
#pragma once

#include <cstdint>
#include <cstdio>

#include "conversion.h"

namespace zivuvi {

// The threads to convert with: `requested` (ZIVUVI_THREADS) when it is a
// whole number from 1 up, else the processors this process may run on; at
// most kMaxThreads.
unsigned thread_count(const char* requested);

// Everything between the command line and the exit status; prints nothing.
Failure run(int argc, const char* const* argv, const Limits& limits, const Tuning& tuning);

// The banner, the usage line and the failure's message.
void report_failure(std::FILE* out, Failure failure);

}  // namespace zivuvi
