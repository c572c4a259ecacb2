#include "run.h"

#include <algorithm>

#include "common_number.h"
#include "platform.h"

namespace zivuvi {
namespace {

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

Failure run(int argc, const char* const* argv, const Limits& limits, const Tuning& tuning) {
  if (argc < 6) return Failure::not_enough_parameters;
  const char* source_path = argv[1];
  const char* destination_path = argv[2];
  const Settings settings{argv[3][0], argv[4][0], argv[5]};
  if (settings.decimal_separator == '\0') return Failure::invalid_decimal_separator;
  if (settings.delimiter == '\0') return Failure::invalid_delimiter;
  // Octave loads nothing from a file whose variable name is empty.
  if (settings.variable_name[0] == '\0') return Failure::invalid_variable_name;

  std::FILE* source = std::fopen(source_path, "rb");
  if (source == nullptr) return Failure::cannot_read_source;
  // Opening the destination would empty the source before it is read.
  if (is_same_file(source, destination_path)) {
    std::fclose(source);
    return Failure::destination_is_source;
  }
  std::FILE* destination = std::fopen(destination_path, "wb");
  if (destination == nullptr) {
    std::fclose(source);
    return Failure::cannot_create_destination;
  }
  Failure failure = convert_table(source, destination, settings, limits, tuning);
  if (std::fclose(destination) != 0 && failure == Failure::none) {
    failure = Failure::cannot_write_destination;
  }
  std::fclose(source);
  return failure;
}

void report_failure(std::FILE* out, Failure failure) {
  std::fputs(kBanner, out);
  std::fputs(kUsage, out);
  std::fputs(message_of(failure), out);
}

}  // namespace zivuvi
