#include "octave_writer.h"

#include <gtest/gtest.h>

#include "file_contents.h"

#include <cstdio>
#include <string>

namespace zivuvi {
namespace {

std::string written(const char* name, const std::vector<double>& values, std::int32_t columns,
                    std::int32_t lines) {
  std::FILE* file = std::tmpfile();
  OctaveWriter writer;
  start_octave_file(writer, file, name);
  for (const double value : values)
    append_value(writer, value);
  EXPECT_TRUE(finish_octave_file(writer, columns, lines));
  std::string bytes = testing::file_contents(file);
  std::fclose(file);
  return bytes;
}

std::string le64(double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  std::string bytes;
  for (int i = 0; i < 8; ++i)
    bytes += static_cast<char>(bits >> (8 * i));
  return bytes;
}

using namespace std::string_literals;

TEST(OctaveWriter, WritesTheThreeByTwoExampleByteForByte) {
  const std::string bytes = written("x", {1, 2, 3, 4, 5, 6}, 2, 3);
  const std::string expected =
      "Octave-1-L\0"s
      "\x01\0\0\0x"s
      "\0\0\0\0\0\xff"s
      "\x06\0\0\0matrix"s
      "\xfe\xff\xff\xff"s
      "\x02\0\0\0\x03\0\0\0\x07"s +
      le64(1) + le64(2) + le64(3) + le64(4) + le64(5) + le64(6);
  EXPECT_EQ(93u, bytes.size());
  EXPECT_EQ(expected, bytes);
  EXPECT_EQ("\x00\x00\x00\x00\x00\x00\xf0\x3f"s, bytes.substr(45, 8));
}

TEST(OctaveWriter, WritesTheNameByteForByteWhateverItsLength) {
  for (const std::string& name : {"my var"s, "1st"s, std::string(200000, 'n')}) {
    const std::string bytes = written(name.c_str(), {-0.0}, 1, 1);
    ASSERT_EQ(44 + name.size() + 8, bytes.size());
    const auto n = static_cast<std::uint32_t>(name.size());
    EXPECT_EQ(std::string({static_cast<char>(n), static_cast<char>(n >> 8),
                           static_cast<char>(n >> 16), static_cast<char>(n >> 24)}),
              bytes.substr(11, 4));
    EXPECT_EQ(name, bytes.substr(15, name.size()));
    EXPECT_EQ("\x01\0\0\0\x01\0\0\0\x07"s, bytes.substr(35 + name.size(), 9));
    EXPECT_EQ(le64(-0.0), bytes.substr(44 + name.size()));
  }
}

TEST(OctaveWriter, KeepsValuesInOrderPastTheBuffer) {
  std::vector<double> values;
  for (int i = 0; i < 100000; ++i)
    values.push_back(i * 0.5);
  const std::string bytes = written("v", values, 4, 25000);
  ASSERT_EQ(45u + 8u * values.size(), bytes.size());
  for (std::size_t i = 0; i < values.size(); i += 9973) {
    EXPECT_EQ(le64(values[i]), bytes.substr(45 + 8 * i, 8)) << i;
  }
  EXPECT_EQ(le64(values.back()), bytes.substr(bytes.size() - 8));
}

TEST(OctaveWriter, ReportsAFullDisk) {
  std::FILE* full = std::fopen("/dev/full", "wb");
  ASSERT_NE(nullptr, full);
  OctaveWriter writer;
  start_octave_file(writer, full, "x");
  append_value(writer, 1.0);
  EXPECT_FALSE(finish_octave_file(writer, 1, 1));
  std::fclose(full);
}

}  // namespace
}  // namespace zivuvi
