// The row rules, straight into a vector: a line in memory and the same line
// read in pieces, as one too long for the block is, give the same values.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "line_converter.h"

namespace zivuvi {
namespace {

struct Values {
  std::vector<double> values;
};

void append_value(Values& sink, double value) {
  sink.values.push_back(value);
}

std::vector<double> in_memory(const std::string& line, std::int32_t columns) {
  Values sink;
  convert_lines(line.data(), line.data() + line.size(), columns, make_field_rules(',', ';'), sink);
  return sink.values;
}

// Through a block of one byte: every line but a blank one is longer than the
// block. Returns
// the values and what is left of the text after the line.
std::pair<std::vector<double>, std::string> in_pieces(const std::string& text,
                                                      std::int32_t columns) {
  std::FILE* file = fmemopen(const_cast<char*>(text.data()), text.size(), "rb");
  TextSource source;
  start_text(source, file, 1);
  Values sink;
  EXPECT_TRUE(refill_text(source));
  EXPECT_EQ(Take::long_line, take_lines(source, 1, 1).what) << text;
  EXPECT_TRUE(convert_long_line(source, columns, make_field_rules(',', ';'), sink));
  std::string rest;
  do {
    rest.append(source.next, source.end);
    source.next = source.end;
  } while (refill_text(source) && source.next != source.end);
  std::fclose(file);
  return {sink.values, rest};
}

TEST(LineConverter, GivesExactlyTheColumnsOfTheTableOnBothPaths) {
  using namespace std::string_literals;
  const struct {
    std::string line;
    std::int32_t columns;
    std::vector<double> values;
  } cases[] = {
      {"1,5;2;3\n", 2, {1.5, 2}},
      {"1,5;2;3\n", 4, {1.5, 2, 3, 0}},
      {"7\n", 3, {7, 0, 0}},
      {"\n", 2, {0, 0}},
      {";;4\n", 3, {0, 0, 4}},
      {"1;\0"
       "2;3\n"s,
       3,
       {1, 0, 0}},
      {"abc;-;+INF\n", 3, {0, -0.0, 1.0 / 0.0}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.values, in_memory(c.line, c.columns)) << c.line;
    if (c.line == "\n") continue;
    const auto [values, rest] = in_pieces(c.line + "9;9\n", c.columns);
    EXPECT_EQ(c.values, values) << c.line;
    // The whole line is passed over, and nothing after it.
    EXPECT_EQ("9;9\n", rest) << c.line;
  }
}

}  // namespace
}  // namespace zivuvi
