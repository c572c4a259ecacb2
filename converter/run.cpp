#include "run.h"

#include <algorithm>

#include "common_number.h"
#include "platform.h"

namespace zivuvi {
namespace {

// Callers match these texts, and those of message_of, exactly: the program
// name in the usage line is zivuvi.exe on every platform, and every message
// goes to standard output. Keep them as they are.
constexpr char kBanner[] =
    "zivuvi 1.0 - converts a delimited text table into an Octave binary data file\n";
constexpr char kUsage[] = "usage: zivuvi.exe src_path dest_path dec_sep delim var_ident\n\n";

const char* message_of(Failure failure) {
  switch (failure) {
    case Failure::none:
      break;
    case Failure::not_enough_parameters:
      return "Error - not enough parameters!\n";
    case Failure::invalid_decimal_separator:
      return "Error - invalid decimal separator!\n";
    case Failure::invalid_delimiter:
      return "Error - invalid delimiter!\n";
    case Failure::invalid_variable_name:
      return "Error - invalid variable name!\n";
    case Failure::cannot_read_source:
      return "Error - can't read source file!\n";
    case Failure::destination_is_source:
      return "Error - destination file is the source file!\n";
    case Failure::cannot_create_destination:
      return "Error - can't create destination file!\n";
    case Failure::invalid_data:
      return "Error - invalid data in source file!\n";
    case Failure::source_too_large:
      return "Error - source file too large!\n";
    case Failure::cannot_write_destination:
      return "Error - can't write destination file!\n";
  }
  return "";
}

}  // namespace

unsigned thread_count(const char* requested) {
  if (requested != nullptr && *requested != '\0') {
    unsigned wanted = 0;
    const char* p = requested;
    for (; digit_value(*p) < 10; ++p)
      wanted = std::min(wanted * 10 + digit_value(*p), kMaxThreads);
    if (*p == '\0' && wanted > 0) return wanted;
  }
  return std::min(available_processors(), kMaxThreads);
}

bool is_usable_separator(const std::string& argument) {
  if (argument.empty()) return false;
  const auto first = static_cast<unsigned char>(argument[0]);
  if (first == '\r' || first == 0x1A) return false;
  const std::size_t continuations = first >= 0xF0 && first <= 0xF4   ? 3
                                    : first >= 0xE0 && first <= 0xEF ? 2
                                    : first >= 0xC2 && first <= 0xDF ? 1
                                                                     : 0;
  if (continuations == 0 || argument.size() <= continuations) return true;
  for (std::size_t i = 1; i <= continuations; ++i) {
    if ((static_cast<unsigned char>(argument[i]) & 0xC0) != 0x80) return true;
  }
  return false;
}

Failure run(int argc, const NativeChar* const* argv, const Limits& limits, const Tuning& tuning,
            std::FILE* progress_terminal) {
  if (argc < 6) return Failure::not_enough_parameters;
  const std::string decimal_separator = to_utf8(argv[3]);
  const std::string delimiter = to_utf8(argv[4]);
  // Octave stores names in UTF-8: the same name gives the same bytes on
  // every platform.
  const std::string variable_name = to_utf8(argv[5]);
  if (!is_usable_separator(decimal_separator)) return Failure::invalid_decimal_separator;
  if (!is_usable_separator(delimiter)) return Failure::invalid_delimiter;
  // Octave loads nothing from a file whose variable name is empty.
  if (variable_name.empty()) return Failure::invalid_variable_name;
  const Settings settings{decimal_separator[0], delimiter[0], variable_name.c_str()};

  File source(open_file(argv[1], "rb"));
  // A directory opens on some systems; it must fail before the destination
  // is emptied.
  if (source.get() == nullptr || !holds_data(source.get())) return Failure::cannot_read_source;
  // Opening the destination would empty the source before it is read.
  if (is_same_file(source.get(), argv[2])) return Failure::destination_is_source;
  File destination(open_file(argv[2], "wb"));
  if (destination.get() == nullptr) return Failure::cannot_create_destination;
  Failure failure;
  if (progress_terminal != nullptr) {
    ProgressLine progress(progress_terminal, file_size(source.get()));
    failure = convert_table(source.get(), destination.get(), settings, limits, tuning, &progress);
  } else {
    failure = convert_table(source.get(), destination.get(), settings, limits, tuning);
  }
  if (!destination.close() && failure == Failure::none) {
    failure = Failure::cannot_write_destination;
  }
  return failure;
}

void report_failure(std::FILE* out, Failure failure) {
  std::fputs(kBanner, out);
  std::fputs(kUsage, out);
  std::fputs(message_of(failure), out);
}

}  // namespace zivuvi
