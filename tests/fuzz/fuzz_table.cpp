// A whole conversion. Byte 0 is the decimal separator, byte 1 the delimiter,
// byte 2 picks the block size and byte 3 the chunk sizes (small ones put every
// line, field and line end across the edges of blocks and chunks), the rest
// is the source. One thread cuts the same chunks as several, and threads hand
// tiny chunks to each other far slower than one converts them: a hash of the
// whole input sends 1 input in 512 to 2 to 4 threads, so that no corpus can
// drift towards the slow case. The file written must be exactly the
// plain model's. Source and destination are streams in memory.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "conversion.h"
#include "reference_model.h"

namespace {

[[noreturn]] void fail(const char* what, const std::string& source, const zivuvi::Tuning& tuning) {
  std::fprintf(stderr, "%s for a source of %zu bytes (threads %u, block %zu, chunk %zu/%zu)\n",
               what, source.size(), tuning.threads, tuning.block_size, tuning.chunk_size,
               tuning.chunk_values);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4 || data[0] == 0 || data[1] == 0) return 0;
  const auto separator = static_cast<char>(data[0]);
  const auto delimiter = static_cast<char>(data[1]);
  zivuvi::Tuning tuning = zivuvi::kDefaultTuning;
  if (data[2] < 128) {
    tuning.block_size = 1u + data[2] % 32u;
    tuning.chunk_size = 1u + data[3] % tuning.block_size;
    tuning.chunk_values = 1u + data[3] / 8u % 24u;
  }
  std::uint32_t hash = 2166136261u;  // FNV-1a
  for (std::size_t i = 0; i < size; ++i)
    hash = (hash ^ data[i]) * 16777619u;
  tuning.threads = hash % 512 == 0 ? 2u + hash / 512 % 3 : 1u;
  const std::string source(reinterpret_cast<const char*>(data + 4), size - 4);
  // 64 Ki values still fill the writer's buffer twice over; larger files
  // only cost time.
  constexpr std::int64_t kMaxValues = 1 << 16;
  const zivuvi::reference::Conversion expected =
      zivuvi::fuzz::model_conversion(source, separator, delimiter, "x", kMaxValues);
  if (expected.columns < 0) return 0;

  // fmemopen wants a buffer even for no bytes.
  char empty = 0;
  std::FILE* input =
      fmemopen(source.empty() ? &empty : const_cast<char*>(source.data()), source.size(), "rb");
  // Room for the largest file the model builds, and more: a file that is too
  // long fails to write rather than being cut.
  static char output_bytes[8 * kMaxValues + 4096];
  std::FILE* output = fmemopen(output_bytes, sizeof output_bytes, "wb");
  if (input == nullptr || output == nullptr) std::abort();
  // Unbuffered: the streams are memory already, and a stdio buffer for each
  // would be two allocations a run.
  std::setvbuf(input, nullptr, _IONBF, 0);
  std::setvbuf(output, nullptr, _IONBF, 0);
  const zivuvi::Failure failure =
      zivuvi::convert_table(input, output, zivuvi::Settings{separator, delimiter, "x"},
                            zivuvi::kFileFormatLimits, tuning);
  std::fseek(output, 0, SEEK_END);
  const auto output_size = static_cast<std::size_t>(std::ftell(output));
  std::fclose(output);
  std::fclose(input);
  const std::string_view written(output_bytes, output_size);

  if (!expected.valid) {
    if (failure != zivuvi::Failure::invalid_data || !written.empty()) {
      fail("accepted", source, tuning);
    }
    return 0;
  }
  if (failure != zivuvi::Failure::none) fail("rejected", source, tuning);
  if (written.size() != 45 + 8 * static_cast<std::size_t>(expected.columns * expected.lines)) {
    fail("wrong size", source, tuning);
  }
  if (written != expected.file) fail("wrong bytes", source, tuning);
  return 0;
}
