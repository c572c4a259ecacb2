// One run of the tool: the command line, the files, the conversion, and the
// one message that tells a failure.
#pragma once

#include <cstdint>
#include <cstdio>

#include "conversion.h"
#include "platform.h"

namespace zivuvi {

// The threads to convert with: `requested` (ZIVUVI_THREADS) when it is a
// whole number from 1 up, else the processors this process may run on; at
// most kMaxThreads.
unsigned thread_count(const char* requested);

// Whether the first character of a dec_sep or delim argument can stand in the
// text as one byte: not a character of several bytes in UTF-8, and not a
// carriage return or a 0x1A, which the reader removes or stops at before any
// field is seen. A lone byte above 0x7F that starts no UTF-8 character stays
// usable.
bool is_usable_separator(const std::string& argument);

// Everything between the command line and the exit status. Prints nothing on
// standard output; progress_terminal, when not null, shows the progress of a
// long run.
Failure run(int argc, const NativeChar* const* argv, const Limits& limits, const Tuning& tuning,
            std::FILE* progress_terminal);

// The banner, the usage line and the failure's message.
void report_failure(std::FILE* out, Failure failure);

}  // namespace zivuvi
