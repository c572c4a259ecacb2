#include "octave_writer.h"

namespace zivuvi {
namespace {

constexpr char kMagic[] = "Octave-1-L";
constexpr unsigned char kFormatIeeeLittleEndian = 0;
constexpr unsigned char kNotGlobal = 0;
constexpr unsigned char kTypeGivenByName = 0xFF;
constexpr char kTypeName[] = "matrix";
constexpr std::int32_t kTwoDimensions = -2;
constexpr unsigned char kStorageDouble = 7;

void write_through(OctaveWriter& writer, const void* data, std::size_t size) {
  if (writer.failed) return;
  if (std::fwrite(data, 1, size, writer.destination) != size) writer.failed = true;
}

void put_bytes(OctaveWriter& writer, const void* data, std::size_t size) {
  if (size > kOutputBufferSize - writer.buffered) {
    flush_values(writer);
    if (size > kOutputBufferSize) {
      write_through(writer, data, size);
      return;
    }
  }
  std::memcpy(writer.buffer + writer.buffered, data, size);
  writer.buffered += size;
}

void store_int32(unsigned char* out, std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i)
    out[i] = static_cast<unsigned char>(bits >> (8 * i));
}

void put_int32(OctaveWriter& writer, std::int32_t value) {
  unsigned char bytes[4];
  store_int32(bytes, value);
  put_bytes(writer, bytes, sizeof bytes);
}

void put_byte(OctaveWriter& writer, unsigned char value) {
  put_bytes(writer, &value, 1);
}

}  // namespace

void flush_values(OctaveWriter& writer) {
  write_through(writer, writer.buffer, writer.buffered);
  writer.buffered = 0;
}

void write_stored_values(OctaveWriter& writer, const StoredValues& values) {
  put_bytes(writer, values.bytes, values.size);
}

namespace {

void write_head(OctaveWriter& writer, std::FILE* destination, const char* name,
                std::int32_t columns, std::int32_t lines, bool dimensions_in_head) {
  writer.destination = destination;
  writer.dimensions_in_head = dimensions_in_head;
  writer.buffered = 0;
  writer.failed = false;
  const std::size_t name_length = std::strlen(name);
  put_bytes(writer, kMagic, sizeof kMagic - 1);
  put_byte(writer, kFormatIeeeLittleEndian);
  put_int32(writer, static_cast<std::int32_t>(name_length));
  put_bytes(writer, name, name_length);
  put_int32(writer, 0);  // no documentation text
  put_byte(writer, kNotGlobal);
  put_byte(writer, kTypeGivenByName);
  put_int32(writer, static_cast<std::int32_t>(sizeof kTypeName - 1));
  put_bytes(writer, kTypeName, sizeof kTypeName - 1);
  put_int32(writer, kTwoDimensions);
  writer.dimension_slot = static_cast<long>(35 + name_length);
  put_int32(writer, columns);
  put_int32(writer, lines);
  put_byte(writer, kStorageDouble);
}

}  // namespace

void start_octave_file(OctaveWriter& writer, std::FILE* destination, const char* name) {
  write_head(writer, destination, name, 0, 0, false);
}

void start_octave_file_in_order(OctaveWriter& writer, std::FILE* destination, const char* name,
                                std::int32_t columns, std::int32_t lines) {
  write_head(writer, destination, name, columns, lines, true);
}

bool finish_octave_file(OctaveWriter& writer, std::int32_t columns, std::int32_t lines) {
  flush_values(writer);
  if (!writer.dimensions_in_head) {
    if (!writer.failed && std::fseek(writer.destination, writer.dimension_slot, SEEK_SET) != 0) {
      writer.failed = true;
    }
    unsigned char dimensions[8];
    store_int32(dimensions, columns);
    store_int32(dimensions + 4, lines);
    write_through(writer, dimensions, sizeof dimensions);
  }
  if (!writer.failed && std::fflush(writer.destination) != 0) writer.failed = true;
  return !writer.failed;
}

}  // namespace zivuvi
