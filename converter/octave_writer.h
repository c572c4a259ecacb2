// Writes one double matrix in Octave's binary data format, little-endian.
// The dimensions come before the values: mostly they are known only at the
// end, so the head leaves their slot open and finish_octave_file seeks back
// to fill it in; a destination that cannot seek gets them counted first.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace zivuvi {

inline constexpr std::size_t kOutputBufferSize = 256 * 1024;

struct OctaveWriter {
  std::FILE* destination;
  long dimension_slot;      // file offset of the two dimensions
  bool dimensions_in_head;  // written by start_octave_file_in_order
  std::size_t buffered;
  bool failed;  // a write, seek or flush did not succeed; later writes are skipped
  unsigned char buffer[kOutputBufferSize];
};

// Writes everything up to the values: magic, format, name, type "matrix",
// two dimensions (placeholders until finish_octave_file) and storage type.
void start_octave_file(OctaveWriter& writer, std::FILE* destination, const char* name);

// The same with the dimensions known before the values: the file is written
// front to back, with no seek.
void start_octave_file_in_order(OctaveWriter& writer, std::FILE* destination, const char* name,
                                std::int32_t columns, std::int32_t lines);

void flush_values(OctaveWriter& writer);

inline constexpr std::size_t kValueSize = 8;

// A value as the file stores it: 8 bytes, little-endian.
inline void store_value(unsigned char* out, double value) {
  auto bits = std::bit_cast<std::uint64_t>(value);
  if constexpr (std::endian::native == std::endian::big) bits = __builtin_bswap64(bits);
  std::memcpy(out, &bits, sizeof bits);
}

inline void append_value(OctaveWriter& writer, double value) {
  if (writer.buffered > kOutputBufferSize - kValueSize) flush_values(writer);
  store_value(writer.buffer + writer.buffered, value);
  writer.buffered += kValueSize;
}

// Values already stored by store_value, in file order.
struct StoredValues {
  unsigned char* bytes;
  std::size_t size;
};

inline void append_value(StoredValues& values, double value) {
  store_value(values.bytes + values.size, value);
  values.size += kValueSize;
}

void write_stored_values(OctaveWriter& writer, const StoredValues& values);

// Writes what is buffered and, unless the head holds them, the dimensions.
// Returns false when any write, seek or flush since the start failed; closing
// is the caller's.
bool finish_octave_file(OctaveWriter& writer, std::int32_t columns, std::int32_t lines);

}  // namespace zivuvi
