// Whole conversions of small sources, read back from the written file.
#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "conversion.h"
#include "file_contents.h"
#include "number.h"
#include "reference_table.h"

namespace zivuvi {
namespace {

struct Matrix {
  Failure failure;
  std::int32_t columns;
  std::int32_t lines;
  std::vector<double> values;
  std::string bytes;
};

std::int32_t int32_at(const std::string& bytes, std::size_t offset) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) {
    value = value << 8 | static_cast<unsigned char>(bytes[offset + static_cast<std::size_t>(i)]);
  }
  return static_cast<std::int32_t>(value);
}

constexpr const char* kName = "x";
constexpr std::size_t kValuesOffset = 45;  // 44 + the length of kName

Matrix decode(Failure failure, std::string bytes) {
  Matrix matrix{failure, 0, 0, {}, std::move(bytes)};
  if (failure != Failure::none) return matrix;
  matrix.columns = int32_at(matrix.bytes, 36);
  matrix.lines = int32_at(matrix.bytes, 40);
  for (std::size_t at = kValuesOffset; at + 8 <= matrix.bytes.size(); at += 8) {
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) {
      bits = bits << 8 | static_cast<unsigned char>(matrix.bytes[at + static_cast<std::size_t>(i)]);
    }
    double value;
    std::memcpy(&value, &bits, sizeof value);
    matrix.values.push_back(value);
  }
  return matrix;
}

Matrix convert_with(std::FILE* source, const std::string& text, char separator, char delimiter,
                    const Limits& limits = kFileFormatLimits,
                    const Tuning& tuning = kDefaultTuning) {
  if (!text.empty()) std::fwrite(text.data(), 1, text.size(), source);
  std::rewind(source);
  std::FILE* destination = std::tmpfile();
  const Failure failure =
      convert_table(source, destination, Settings{separator, delimiter, kName}, limits, tuning);
  Matrix matrix = decode(failure, testing::file_contents(destination));
  std::fclose(destination);
  return matrix;
}

Matrix convert(const std::string& text, char separator = '.', char delimiter = ';',
               const Limits& limits = kFileFormatLimits) {
  std::FILE* source = std::tmpfile();
  Matrix matrix = convert_with(source, text, separator, delimiter, limits);
  std::fclose(source);
  return matrix;
}

void expect_matrix(const std::string& text, char separator, char delimiter, std::int32_t columns,
                   std::int32_t lines, const std::vector<double>& values) {
  SCOPED_TRACE("source \"" + text.substr(0, 60) + "\"");
  const Matrix matrix = convert(text, separator, delimiter);
  ASSERT_EQ(Failure::none, matrix.failure);
  EXPECT_EQ(columns, matrix.columns);
  EXPECT_EQ(lines, matrix.lines);
  EXPECT_EQ(values, matrix.values);
  EXPECT_EQ(44u + 1u + 8u * static_cast<std::size_t>(columns * lines), matrix.bytes.size());
}

using namespace std::string_literals;

TEST(Table, CutsLinesIntoExactlyTheColumnsOfTheFirstLine) {
  const struct {
    std::string text;
    char separator, delimiter;
    std::int32_t columns, lines;
    std::vector<double> values;
  } cases[] = {
      {"1,5;2,25\n", ',', ';', 2, 1, {1.5, 2.25}},
      {"1,5;2,25", ',', ';', 2, 1, {1.5, 2.25}},
      {"time;volt\n1;2\n", '.', ';', 2, 2, {0, 0, 1, 2}},
      {"1;2\n\n3;4\n", '.', ';', 2, 3, {1, 2, 0, 0, 3, 4}},
      {"1;2;3\n4\n5;6;7;8\n", '.', ';', 3, 3, {1, 2, 3, 4, 0, 0, 5, 6, 7}},
      {"1;2\n3", '.', ';', 2, 2, {1, 2, 3, 0}},
      {"1;;3\n;5;\n;;\n", '.', ';', 3, 3, {1, 0, 3, 0, 5, 0, 0, 0, 0}},
      {"5\n", '.', ';', 1, 1, {5}},
      {"ab", '.', ';', 1, 1, {0}},
      {"1;2;\n", '.', ';', 3, 1, {1, 2, 0}},
      // A delimiter that numbers use too still only cuts fields.
      {"1,5.2,5\n", ',', '.', 2, 1, {1.5, 2.5}},
      {"1 2  3\n", '.', ' ', 4, 1, {1, 2, 0, 3}},
      {"1e2e3\n", '.', 'e', 3, 1, {1, 2, 3}},
      {"5-6\n-1\n", '.', '-', 2, 2, {5, 6, 0, 1}},
      {"1,5\n", ',', ',', 2, 1, {1, 5}},
      {"1;2\t3\n", '.', '\t', 2, 1, {1, 3}},
  };
  for (const auto& c : cases) {
    expect_matrix(c.text, c.separator, c.delimiter, c.columns, c.lines, c.values);
  }
}

TEST(Table, ReadsTextTheSameWayOnEveryPlatform) {
  const struct {
    std::string text;
    std::int32_t columns, lines;
    std::vector<double> values;
  } cases[] = {
      {"1;2\r\n3;4\r\n", 2, 2, {1, 2, 3, 4}},
      {"1\r2;3\n", 2, 1, {12, 3}},
      {"1;2\r3;4\r", 3, 1, {1, 23, 4}},
      {"1;2\n3;4\x1a"
       "5;6\n",
       2,
       2,
       {1, 2, 3, 4}},
      {"1;2\n\x1a", 2, 1, {1, 2}},
      {"1;2;3\n4;\0"
       "5;6\n7;8;9\n"s,
       3,
       3,
       {1, 2, 3, 4, 0, 0, 7, 8, 9}},
      {"1;2\n\0"
       "3;4\n5;6\n"s,
       2,
       1,
       {1, 2}},
      {"1;\0"
       "2;3\n4;5;6\n"s,
       2,
       2,
       {1, 0, 4, 5}},
  };
  for (const auto& c : cases)
    expect_matrix(c.text, '.', ';', c.columns, c.lines, c.values);
}

TEST(Table, RejectsAFirstLineShorterThanTwoCharacters) {
  for (const std::string& text : {""s, "\n"s, "5"s, "\r\n"s, "\r\r5"s, "\0abc\n"s, "5\0;\n"s,
                                  "\x1a"
                                  "5\n"s}) {
    EXPECT_EQ(Failure::invalid_data, convert(text).failure) << text;
  }
}

std::string repeated(const std::string& piece, std::size_t count) {
  std::string text;
  text.reserve(piece.size() * count);
  for (std::size_t i = 0; i < count; ++i)
    text += piece;
  return text;
}

TEST(Table, ReadsALineOfAnyLengthAsOneLine) {
  // 1022 and 1500 characters before the line feed, and more than a block.
  for (const std::size_t delimiters : {std::size_t{511}, std::size_t{750}, std::size_t{200000}}) {
    SCOPED_TRACE(delimiters);
    const std::string line = repeated("1;", delimiters) + "\n";
    const Matrix matrix = convert(line + line);
    ASSERT_EQ(Failure::none, matrix.failure);
    EXPECT_EQ(static_cast<std::int32_t>(delimiters + 1), matrix.columns);
    EXPECT_EQ(2, matrix.lines);
    std::vector<double> expected(delimiters, 1.0);
    expected.push_back(0.0);
    expected.insert(expected.end(), expected.begin(), expected.end());
    EXPECT_EQ(expected, matrix.values);
  }
}

TEST(Table, ReadsLongLinesAfterAShortFirstLine) {
  const std::string long_line = repeated("2,5;", 200000);
  const Matrix matrix = convert("1;2;3\n" + long_line + "\n4\n" + long_line, ',');
  ASSERT_EQ(Failure::none, matrix.failure);
  EXPECT_EQ(4, matrix.lines);
  EXPECT_EQ((std::vector<double>{1, 2, 3, 2.5, 2.5, 2.5, 4, 0, 0, 2.5, 2.5, 2.5}), matrix.values);
}

TEST(Table, ReadsAFieldLongerThanTheBlock) {
  const std::string digits = std::string(600000, '0') + "1234,5" + std::string(600000, '6');
  const std::string field_expected = std::string(600000, '0') + "1234.5" + std::string(600000, '6');
  const double expected =
      parse_number(field_expected.data(), field_expected.data() + field_expected.size(), '.');
  EXPECT_EQ(1234.5666666666667, expected);
  const Matrix matrix = convert("7;" + digits + ";8\n9;" + digits + "\0;5\n"s + "1;1\n", ',');
  ASSERT_EQ(Failure::none, matrix.failure);
  EXPECT_EQ((std::vector<double>{7, expected, 8, 9, expected, 0, 1, 1, 0}), matrix.values);
}

// Many short lines, so that lines, fields and line ends fall on every kind of
// block boundary; carriage returns must not change a single value.
TEST(Table, GivesTheSameValuesAcrossBlockBoundaries) {
  std::string lf_text;
  std::string crlf_text;
  std::vector<double> expected;
  for (int line = 0; line < 60000; ++line) {
    const std::string a = std::to_string(line);
    const std::string b = std::to_string(line % 997) + ",25";
    lf_text += a + ";" + b + ";-" + a + "e-2\n";
    crlf_text += a + ";" + b + ";-" + a + "e-2\r\n";
    expected.push_back(line);
    expected.push_back(line % 997 + 0.25);
    const std::string negative = "-" + a + "e-2";
    expected.push_back(parse_number(negative.data(), negative.data() + negative.size(), '.'));
  }
  const Matrix lf = convert(lf_text, ',');
  const Matrix crlf = convert(crlf_text, ',');
  ASSERT_EQ(Failure::none, lf.failure);
  EXPECT_EQ(3, lf.columns);
  EXPECT_EQ(60000, lf.lines);
  EXPECT_EQ(expected, lf.values);
  EXPECT_EQ(lf.bytes, crlf.bytes);
}

// Small blocks and chunks put every line, field, carriage return and zero byte
// across an edge somewhere; whatever the threads, the file must not change,
// and must be the plain model's.
TEST(Table, MatchesThePlainModelWhateverTheThreadsAndSizes) {
  std::vector<std::string> sources = {
      "time;volt\r\n1,5;2,25\r\n\r\n-3;4e-3;9\r\n7",
      "1;;3\n;5;\n;;\n123456789012345678901234567890;1\n",
      "1;2\n3;4\x1a"
      "5;6\n",
      "1;2;3\n4;\0"
      "5;6\n7;8;9\n\0"
      "1;2\n"s,
      "1;\0"
      "2;3\n4;5;6\n"s,
      "+INF;-NAN;inf;0x10;  7abc;\"5\";-\n1,000,5;1.5,3\n",
      "1\r2;3\r\r\n4\r;5",
      "5\n",
      "ab",
  };
  std::mt19937_64 random(3);
  const std::string alphabet = "0123456789;;;\n\n\r,.-e \0\x1a";
  for (int i = 0; i < 40; ++i) {
    std::string text(random() % 200, ' ');
    for (char& c : text)
      c = alphabet[random() % alphabet.size()];
    sources.push_back(text);
  }
  for (const std::string& text : sources) {
    const reference::Conversion expected = reference::convert(text, ',', ';', kName, 1 << 20);
    for (unsigned threads = 1; threads <= 4; ++threads) {
      for (std::size_t block_size = 1; block_size <= 40; ++block_size) {
        // Chunks from a single byte (one line each) up to the whole block,
        // and from one value (a wide line goes to no thread) up to 20.
        const Tuning tuning{threads, block_size, 1 + (block_size + threads) % block_size,
                            1 + (block_size * 7 + threads) % 20};
        std::FILE* source = std::tmpfile();
        const Matrix matrix = convert_with(source, text, ',', ';', kFileFormatLimits, tuning);
        std::fclose(source);
        const std::string where =
            text + " threads " + std::to_string(threads) + " block " + std::to_string(block_size);
        if (expected.valid) {
          ASSERT_EQ(Failure::none, matrix.failure) << where;
          ASSERT_EQ(expected.file, matrix.bytes) << where;
        } else {
          ASSERT_EQ(Failure::invalid_data, matrix.failure) << where;
        }
      }
    }
  }
}

TEST(Table, ChecksTheCountsAgainstTheFileFormat) {
  const Limits three_lines{3, kFileFormatLimits.max_delimiters};
  EXPECT_EQ(Failure::none, convert("1\n2\n3\n", '.', ';', three_lines).failure);
  EXPECT_EQ(Failure::source_too_large, convert("1\n2\n3\n4\n", '.', ';', three_lines).failure);
  const Limits two_delimiters{kFileFormatLimits.max_lines, 2};
  EXPECT_EQ(Failure::none, convert("1;2;3\n", '.', ';', two_delimiters).failure);
  const Matrix too_wide = convert("1;2;3;4\n", '.', ';', two_delimiters);
  EXPECT_EQ(Failure::source_too_large, too_wide.failure);
  EXPECT_EQ("", too_wide.bytes);
}

TEST(Table, ReportsAFirstLineLongerThanTheBlockThatCannotBeReadAgain) {
  // A pipe cannot be rewound: a short first line is served from memory, a
  // longer one is a read failure rather than a lost line.
  char path[] = "/tmp/zivuvi_table_test_XXXXXX";
  const int descriptor = mkstemp(path);
  ASSERT_NE(-1, descriptor);
  close(descriptor);
  for (const std::size_t delimiters : {std::size_t{1000}, kSourceBlockSize}) {
    SCOPED_TRACE(delimiters);
    std::FILE* file = std::fopen(path, "wb");
    const std::string text = repeated("1;", delimiters) + "\n2\n";
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
    std::FILE* pipe = popen((std::string("cat ") + path).c_str(), "r");
    ASSERT_NE(nullptr, pipe);
    std::FILE* destination = std::tmpfile();
    const Failure failure =
        convert_table(pipe, destination, Settings{'.', ';', kName}, kFileFormatLimits);
    const Matrix matrix = decode(failure, testing::file_contents(destination));
    std::fclose(destination);
    pclose(pipe);
    if (delimiters == 1000) {
      ASSERT_EQ(Failure::none, matrix.failure);
      EXPECT_EQ(2, matrix.lines);
      EXPECT_EQ(1.0, matrix.values.front());
      EXPECT_EQ(2.0, matrix.values[delimiters + 1]);
    } else {
      EXPECT_EQ(Failure::cannot_read_source, matrix.failure);
    }
  }
  std::remove(path);
}

TEST(Table, ReportsFailingFiles) {
  std::FILE* directory = std::fopen(".", "rb");
  ASSERT_NE(nullptr, directory);
  std::FILE* destination = std::tmpfile();
  EXPECT_EQ(Failure::cannot_read_source,
            convert_table(directory, destination, Settings{'.', ';', kName}, kFileFormatLimits));
  std::fclose(destination);
  std::fclose(directory);

  std::FILE* full = std::fopen("/dev/full", "wb");
  ASSERT_NE(nullptr, full);
  std::FILE* source = std::tmpfile();
  const std::string text = repeated("1;2;3\n", 100000);
  std::fwrite(text.data(), 1, text.size(), source);
  std::rewind(source);
  EXPECT_EQ(Failure::cannot_write_destination,
            convert_table(source, full, Settings{'.', ';', kName}, kFileFormatLimits));
  std::fclose(source);
  std::fclose(full);
}

// The text as UTF-16 with its byte-order mark.
std::string utf16(const std::u16string& text, bool little_endian) {
  std::string bytes = little_endian ? "\xFF\xFE" : "\xFE\xFF";
  for (const char16_t unit : text) {
    const auto high = static_cast<char>(unit >> 8);
    const auto low = static_cast<char>(unit & 0xFF);
    bytes += little_endian ? std::string{low, high} : std::string{high, low};
  }
  return bytes;
}

TEST(Table, PassesOverAUtf8ByteOrderMark) {
  expect_matrix(
      "\xEF\xBB\xBF"
      "1,5;2\r\n3;4\r\n",
      ',', ';', 2, 2, {1.5, 2, 3, 4});
  // The first line's rules apply after the mark.
  expect_matrix(
      "\xEF\xBB\xBF"
      "5\n",
      '.', ';', 1, 1, {5});
  EXPECT_EQ(Failure::invalid_data, convert("\xEF\xBB\xBF"
                                           "5")
                                       .failure);
  EXPECT_EQ(Failure::invalid_data, convert("\xEF\xBB\xBF").failure);
  // Only at the start.
  expect_matrix(
      "1;2\n\xEF\xBB\xBF"
      "3;4\n",
      '.', ';', 2, 2, {1, 2, 0, 4});
}

TEST(Table, ReadsUtf16AsTheTextItEncodes) {
  const std::u16string spreadsheet = u"Zeit\tSpannung \u00B5V\r\n0,5\t1,25\r\n1\t-2,5e-3\r\n";
  for (const bool little_endian : {true, false}) {
    expect_matrix(utf16(spreadsheet, little_endian), ',', '\t', 2, 3,
                  {0, 0, 0.5, 1.25, 1, -2.5e-3});
  }
  // A character beyond the first plane, a lone surrogate and a lone last byte
  // (U+FFFD, after the 1) are no numbers, and cut nothing else.
  expect_matrix(utf16(u"\U0001F600;7\n\xD800"
                      "8;9\n\xDC00;1",
                      true) +
                    "\x31",
                '.', ';', 2, 3, {0, 7, 0, 9, 0, 1});
  // Code units 0x000D, 0x001A and 0x0000 act as in any text.
  expect_matrix(utf16(std::u16string(u"1;2\r\n3;4\n\0"
                                     u"5;6\n",
                                     14),
                      true),
                '.', ';', 2, 2, {1, 2, 3, 4});
  expect_matrix(utf16(u"1;2\n3;4\x1A"
                      u"5;6\n",
                      false),
                '.', ';', 2, 2, {1, 2, 3, 4});
  EXPECT_EQ(Failure::invalid_data, convert(utf16(u"5", true)).failure);
  EXPECT_EQ(Failure::invalid_data, convert("\xFF\xFE").failure);
}

// Every code unit and every character of the decoded text falls on a block
// and a chunk edge somewhere: the file must be the one the UTF-8 text gives.
TEST(Table, ReadsUtf16AcrossBlockEdgesLikeTheSameTextInUtf8) {
  const std::u16string text =
      u"Zeit;\u00B5V;\u20AC;\U0001F600\r\n1,5;-2;3e2;\u00B5\r\n\r\n4;5,25;\U0001F600;7\n8";
  std::string utf8_text;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00) c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    reference::append_utf8(utf8_text, c);
  }
  const Matrix expected = convert(utf8_text, ',');
  ASSERT_EQ(Failure::none, expected.failure);
  for (const bool little_endian : {true, false}) {
    for (std::size_t block_size = 1; block_size <= 24; ++block_size) {
      for (const unsigned threads : {1u, 3u}) {
        std::FILE* source = std::tmpfile();
        const Matrix matrix =
            convert_with(source, utf16(text, little_endian), ',', ';', kFileFormatLimits,
                         Tuning{threads, block_size, block_size, 7});
        std::fclose(source);
        EXPECT_EQ(expected.bytes, matrix.bytes)
            << "block " << block_size << " threads " << threads << " little " << little_endian;
      }
    }
  }
}

// A source that gives the first `readable` bytes of its text, then fails.
struct FailingText {
  std::string text;
  std::size_t readable;
  std::size_t at;
};

std::FILE* open_failing_text(FailingText& source) {
  cookie_io_functions_t functions{};
  functions.read = [](void* cookie, char* out, std::size_t size) -> ssize_t {
    auto& text = *static_cast<FailingText*>(cookie);
    if (text.at >= text.readable) return -1;
    const std::size_t got = std::min(size, text.readable - text.at);
    std::memcpy(out, text.text.data() + text.at, got);
    text.at += got;
    return static_cast<ssize_t>(got);
  };
  return fopencookie(&source, "rb", functions);
}

// Whatever the threads, a failed run leaves values in source order, and
// never a complete file.
TEST(Table, ReportsFailuresTheSameWayOnEveryThreadCount) {
  const std::string text = repeated("1;2;3\n4;5;6\n", 30000);
  const Matrix complete = convert(text);
  ASSERT_EQ(Failure::none, complete.failure);
  const auto expect_a_beginning = [&](const Matrix& matrix, const std::string& where) {
    ASSERT_GT(matrix.bytes.size(), kValuesOffset) << where;
    EXPECT_LT(matrix.bytes.size(), complete.bytes.size()) << where;
    EXPECT_EQ(complete.bytes.substr(kValuesOffset, matrix.bytes.size() - kValuesOffset),
              matrix.bytes.substr(kValuesOffset))
        << where;
  };
  for (unsigned threads = 1; threads <= 4; ++threads) {
    const Tuning tuning{threads, 4096, 1000, 300};
    const std::string where = "threads " + std::to_string(threads);

    std::FILE* source = std::tmpfile();
    const Matrix too_long = convert_with(source, text, '.', ';',
                                         Limits{20000, kFileFormatLimits.max_delimiters}, tuning);
    std::fclose(source);
    EXPECT_EQ(Failure::source_too_large, too_long.failure) << where;
    expect_a_beginning(too_long, where);

    FailingText failing{text, text.size() / 2, 0};
    source = open_failing_text(failing);
    std::FILE* destination = std::tmpfile();
    const Failure read_failure =
        convert_table(source, destination, Settings{'.', ';', kName}, kFileFormatLimits, tuning);
    const Matrix cut = decode(read_failure, testing::file_contents(destination));
    std::fclose(destination);
    std::fclose(source);
    EXPECT_EQ(Failure::cannot_read_source, cut.failure) << where;
    expect_a_beginning(cut, where);

    std::FILE* full = std::fopen("/dev/full", "wb");
    ASSERT_NE(nullptr, full);
    source = std::tmpfile();
    std::fwrite(text.data(), 1, text.size(), source);
    std::rewind(source);
    EXPECT_EQ(Failure::cannot_write_destination,
              convert_table(source, full, Settings{'.', ';', kName}, kFileFormatLimits, tuning))
        << where;
    std::fclose(source);
    std::fclose(full);
  }
}

}  // namespace
}  // namespace zivuvi
