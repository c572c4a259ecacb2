#include "run.h"

#include "octave_writer.h"
#include "platform.h"
#include "table_reader.h"

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

Failure convert_table(std::FILE* source, std::FILE* destination, const Settings& settings,
                      const Limits& limits, std::size_t block_size) {
  TableReader reader;
  start_table(reader, source, settings.decimal_separator, settings.delimiter, block_size);
  const FirstLine first_line = read_first_line(reader);
  if (first_line.read_failed) return Failure::cannot_read_source;
  if (first_line.length < 2) return Failure::invalid_data;
  if (first_line.delimiters > limits.max_delimiters) return Failure::source_too_large;
  if (!rewind_table(reader)) return Failure::cannot_read_source;
  const auto columns = static_cast<std::int32_t>(first_line.delimiters + 1);

  OctaveWriter writer;
  start_octave_file(writer, destination, settings.variable_name);
  std::int64_t lines = 0;
  for (;;) {
    const LineResult result = convert_next_line(reader, columns, writer);
    if (result == LineResult::no_more_lines) break;
    if (result == LineResult::read_failed) return Failure::cannot_read_source;
    if (++lines > limits.max_lines) return Failure::source_too_large;
    // A full disk stops the run at once rather than after the whole source.
    if (writer.failed) return Failure::cannot_write_destination;
  }
  if (!finish_octave_file(writer, columns, static_cast<std::int32_t>(lines))) {
    return Failure::cannot_write_destination;
  }
  return Failure::none;
}

Failure run(int argc, const char* const* argv, const Limits& limits) {
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
  Failure failure = convert_table(source, destination, settings, limits);
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
