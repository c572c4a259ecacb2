// One field: the first byte is the decimal separator, the rest the field.
// The real conversion, whole and fed byte by byte, must give exactly the bits
// of the slow reference.
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "number.h"
#include "reference_model.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || data[0] == 0) return 0;
  const auto separator = static_cast<char>(data[0]);
  const std::string field(reinterpret_cast<const char*>(data + 1), size - 1);
  const double whole = zivuvi::parse_number(field.data(), field.data() + field.size(), separator);
  zivuvi::NumberScan scan;
  zivuvi::start_number(scan, separator);
  for (const char& byte : field)
    zivuvi::scan_number(scan, &byte, &byte + 1);
  const double in_pieces = zivuvi::number_value(scan);
  const double expected = zivuvi::fuzz::model_number(field, separator);
  const auto bits = [](double value) { return std::bit_cast<std::uint64_t>(value); };
  if (bits(whole) != bits(expected) || bits(in_pieces) != bits(expected)) {
    std::fprintf(stderr, "field \"%s\" separator '%c': %a whole, %a in pieces, %a expected\n",
                 field.c_str(), separator, whole, in_pieces, expected);
    std::abort();
  }
  return 0;
}
