// A whole conversion. Byte 0 is the decimal separator, byte 1 the delimiter,
// byte 2 picks the reader's block size (small ones put every line, field and
// line end across block edges), the rest is the source. The file written must
// be exactly the plain model's.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "file_contents.h"
#include "reference_table.h"
#include "run.h"

namespace {

[[noreturn]] void fail(const char* what, const std::string& source) {
  std::fprintf(stderr, "%s for a source of %zu bytes\n", what, source.size());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3 || data[0] == 0 || data[1] == 0) return 0;
  const auto separator = static_cast<char>(data[0]);
  const auto delimiter = static_cast<char>(data[1]);
  const std::size_t block_size = data[2] < 128 ? 1u + data[2] % 32u : zivuvi::kSourceBlockSize;
  const std::string source(reinterpret_cast<const char*>(data + 3), size - 3);
  const zivuvi::reference::Conversion expected =
      zivuvi::reference::convert(source, separator, delimiter, "x", 1 << 20);
  if (expected.columns < 0) return 0;

  std::FILE* input = std::tmpfile();
  std::FILE* output = std::tmpfile();
  if (input == nullptr || output == nullptr) std::abort();
  std::fwrite(source.data(), 1, source.size(), input);
  std::rewind(input);
  const zivuvi::Failure failure =
      zivuvi::convert_table(input, output, zivuvi::Settings{separator, delimiter, "x"},
                            zivuvi::kFileFormatLimits, block_size);
  const std::string written = zivuvi::testing::file_contents(output);
  std::fclose(input);
  std::fclose(output);

  if (!expected.valid) {
    if (failure != zivuvi::Failure::invalid_data || !written.empty()) fail("accepted", source);
    return 0;
  }
  if (failure != zivuvi::Failure::none) fail("rejected", source);
  if (written.size() != 45 + 8 * static_cast<std::size_t>(expected.columns * expected.lines)) {
    fail("wrong size", source);
  }
  if (written != expected.file) fail("wrong bytes", source);
  return 0;
}
