#include "number.h"

#include "reference_number.h"

#include <gtest/gtest.h>

#include <bit>
#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

namespace zivuvi {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kMax = std::numeric_limits<double>::max();
constexpr double kMinSubnormal = std::numeric_limits<double>::denorm_min();
const double kNegativeNan = std::bit_cast<double>(std::uint64_t{0xFFF8000000000000u});
const double kPositiveNan = std::bit_cast<double>(std::uint64_t{0x7FF8000000000000u});

struct Case {
  const char* field;
  char separator;
  double expected;
};

std::string show(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%a (bits %016llx)", value,
                static_cast<unsigned long long>(std::bit_cast<std::uint64_t>(value)));
  return text;
}

void expect_bits(const Case& c, double actual) {
  EXPECT_EQ(std::bit_cast<std::uint64_t>(c.expected), std::bit_cast<std::uint64_t>(actual))
      << "field \"" << c.field << "\" with separator '" << c.separator << "': expected "
      << show(c.expected) << ", got " << show(actual);
}

double parse(const std::string& field, char separator) {
  return parse_number(field.data(), field.data() + field.size(), separator);
}

// Every piece boundary must give the same bits as the whole field at once.
double parse_byte_by_byte(const std::string& field, char separator) {
  NumberScan scan;
  start_number(scan, separator);
  for (const char& byte : field)
    scan_number(scan, &byte, &byte + 1);
  return number_value(scan);
}

const Case kSyntaxCases[] = {
    {"5", '.', 5.0},
    {"5.", '.', 5.0},
    {".5", '.', 0.5},
    {"-.5", '.', -0.5},
    {"+.5e1", '.', 5.0},
    {" 7", '.', 7.0},
    {"\t\v\f 7", '.', 7.0},
    {"7abc", '.', 7.0},
    {"7 8", '.', 7.0},
    {"1.2.3", '.', 1.2},
    {"abc", '.', 0.0},
    {"\"5\"", '.', 0.0},
    {"", '.', 0.0},
    {"   ", '.', 0.0},
    {"+", '.', 0.0},
    {"-", '.', -0.0},
    {"-abc", '.', -0.0},
    {"- 5", '.', -0.0},
    {"  -", '.', -0.0},
    {"-+5", '.', -0.0},
    {"-.", '.', -0.0},
    {"-0", '.', -0.0},
    {"0", '.', 0.0},
    {"000.000", '.', 0.0},
    {"1e5", '.', 1e5},
    {"1E5", '.', 1e5},
    {"1e+05", '.', 1e5},
    {"1.5e-3", '.', 1.5e-3},
    {"1e", '.', 1.0},
    {"1e+", '.', 1.0},
    {"1e-x", '.', 1.0},
    {"1ex5", '.', 1.0},
    {"e5", '.', 0.0},
    {".e5", '.', 0.0},
    {"-e5", '.', -0.0},
    {"0e99999", '.', 0.0},
    {"0x10", '.', 0.0},
    {"0x1p3", '.', 0.0},
    // Words only upper case and only right behind a sign.
    {"+INF", '.', kInf},
    {"-INF", '.', -kInf},
    {"+INFINITY", '.', kInf},
    {"+INFx", '.', kInf},
    {"-NAN", '.', kNegativeNan},
    {"+NAN", '.', kPositiveNan},
    {"+NAN(123)", '.', kPositiveNan},
    {"INF", '.', 0.0},
    {"NAN", '.', 0.0},
    {"inf", '.', 0.0},
    {"+inf", '.', 0.0},
    {"-inf", '.', -0.0},
    {"-nan", '.', -0.0},
    {"+Inf", '.', 0.0},
    {"+IN", '.', 0.0},
    {"-NA", '.', -0.0},
    {" +INF", '.', kInf},
    {"+ INF", '.', 0.0},
    {"2e999", '.', kInf},
    {"-2e999", '.', -kInf},
    // The separator stands for the point at its first appearance only.
    {"1,5", ',', 1.5},
    {"2,25", ',', 2.25},
    {"1.5", ',', 1.5},
    {"1,000,5", ',', 1.0},
    {"1.5,3", ',', 1.5},
    {",5", ',', 0.5},
    {"-1,5e2", ',', -150.0},
    {"1,5", '.', 1.0},
    {"1e5", 'e', 1.5},
    {"1.5e3", 'e', 1.5},
    {" 5", ' ', 0.5},
    {"+INF", 'N', 0.0},
    {"15", '5', 1.0},
};

TEST(Number, ReadsTheSyntax) {
  for (const Case& c : kSyntaxCases)
    expect_bits(c, parse(c.field, c.separator));
}

TEST(Number, GivesTheSameValueWhenFedByteByByte) {
  for (const Case& c : kSyntaxCases)
    expect_bits(c, parse_byte_by_byte(c.field, c.separator));
}

const Case kValueCases[] = {
    {"0.1", '.', 0.1},
    {"-1234.5678901", '.', -1234.5678901},
    {"1.5e-03", '.', 1.5e-3},
    {"9007199254740993", '.', 9007199254740992.0},
    {"9007199254740995", '.', 9007199254740996.0},
    {"123456789012345678", '.', 123456789012345678.0},
    {"1e23", '.', 1e23},
    {"8.589973e9", '.', 8.589973e9},
    {"2.2250738585072014e-308", '.', std::numeric_limits<double>::min()},
    {"2.2250738585072011e-308", '.', 0x0.fffffffffffffp-1022},
    {"1e-310", '.', 1e-310},
    {"0.000000000000000000000000000001", '.', 1e-30},
    // Only 19 significant digits count. With the 20th, 2^53 + 1 plus a little
    // would round up; without it, it is a tie and rounds to even.
    {"9007199254740993.0001", '.', 9007199254740992.0},
    {"90071992547409930001e-4", '.', 9007199254740992.0},
    {"12345678901234567890123", '.', 1.234567890123456789e22},
    {"1234567890123456789999e-3", '.', 1234567890123456789.0},
    {"0.00000000000000000000012345678901234567890", '.', 1.234567890123456789e-22},
    {"1.0000000000000000009", '.', 1.0},
};

TEST(Number, RoundsCorrectlyFromNineteenDigits) {
  for (const Case& c : kValueCases)
    expect_bits(c, parse(c.field, c.separator));
}

const Case kBoundaryCases[] = {
    // 2^1024 = 1.797693134862315907729...e308; the largest double is
    // 1.797693134862315708145...e308.
    {"1.7976931348623157e308", '.', kMax},
    {"1.797693134862315708e308", '.', kMax},
    {"1.797693134862315709e308", '.', kMax},
    {"1.797693134862315807e308", '.', kMax},
    {"1.797693134862315907e308", '.', kMax},
    {"1.797693134862315908e308", '.', kInf},
    {"-1.797693134862315907e308", '.', -kMax},
    {"-1.797693134862315908e308", '.', -kInf},
    {"1e308", '.', 1e308},
    {"1e309", '.', kInf},
    {"17976931348623159077e289", '.', kMax},
    {"0.1797693134862315908e309", '.', kInf},
    // 2^1024 itself, of which only the first 19 digits count.
    {"179769313486231590772930519078902473361797697894230657273430081157732675805500963132708477"
     "322407536021120113879871393357658789768814416622492847430639474124377767893424865485276302"
     "219601246094119453082952085005768838150682342462881473913110540827237163350510684586298239"
     "947245938479716304835356329624224137216",
     '.', kMax},
    {"1e99999999999999999999", '.', kInf},
    // 2^-1074 = 4.940656458412465441765...e-324
    {"4.940656458412465442e-324", '.', kMinSubnormal},
    {"4.940656458412465441e-324", '.', 0.0},
    {"-4.940656458412465442e-324", '.', -kMinSubnormal},
    {"-4.940656458412465441e-324", '.', -0.0},
    {"5e-324", '.', kMinSubnormal},
    // Nearer to the smallest subnormal than to zero, yet below it.
    {"3e-324", '.', 0.0},
    {"7.4e-324", '.', kMinSubnormal},
    {"7.5e-324", '.', 2 * kMinSubnormal},
    {"2.5e-324", '.', 0.0},
    {"1e-400", '.', 0.0},
    {"-1e-400", '.', -0.0},
    {"1e-99999999999999999999", '.', 0.0},
};

TEST(Number, KeepsTheRangeBoundaries) {
  for (const Case& c : kBoundaryCases)
    expect_bits(c, parse(c.field, c.separator));
}

std::string around(const char* before, const std::string& middle, const char* after) {
  return std::string(before).append(middle).append(after);
}

TEST(Number, DigitsBeyondTheNineteenthOnlyMoveThePoint) {
  const std::string many(1000000, '0');
  const std::string few(300, '0');
  const struct {
    std::string field;
    double expected;
  } cases[] = {
      {around("1", many, ""), kInf},      {around("0.", many, "1"), 0.0},
      {around("", many, "12.5"), 12.5},   {around("1.", many, "9"), 1.0},
      {around("-1", few, "e-300"), -1.0}, {around("1", few, "5e-300"), 10.0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(std::bit_cast<std::uint64_t>(c.expected),
              std::bit_cast<std::uint64_t>(parse(c.field, '.')))
        << c.field.substr(0, 40);
  }
}

// The slow reference checks the fuzzers' findings, so it must itself pass
// every hand-checked case.
TEST(Number, SlowReferenceGivesTheHandCheckedValues) {
  for (const Case& c : kSyntaxCases)
    expect_bits(c, reference::parse(c.field, c.separator));
  for (const Case& c : kValueCases)
    expect_bits(c, reference::parse(c.field, c.separator));
  for (const Case& c : kBoundaryCases)
    expect_bits(c, reference::parse(c.field, c.separator));
}

TEST(Number, MatchesTheSlowReferenceOnRandomFields) {
  std::mt19937_64 random(7);
  const std::string alphabet = "0123456789000000000.,eE+-  INFA\txz";
  for (int i = 0; i < 100000; ++i) {
    std::string field(random() % 30, ' ');
    for (char& c : field)
      c = alphabet[random() % alphabet.size()];
    if (random() % 4 == 0)
      field.append("e").append(std::to_string(static_cast<int>(random() % 700) - 350));
    const char separator = random() % 2 ? ',' : '.';
    expect_bits({field.c_str(), separator, reference::parse(field, separator)},
                parse(field, separator));
  }
}

// Every power of ten that a 19-digit significand can meet, with significands
// of every length, against the slow reference.
TEST(Number, RoundsAtEveryPowerOfTen) {
  const char* const significands[] = {"1",
                                      "7",
                                      "9007199254740993",
                                      "12345678901234567",
                                      "4940656458412465442",
                                      "9999999999999999999"};
  for (int exponent = -360; exponent <= 320; ++exponent) {
    for (const char* significand : significands) {
      std::string field(significand);
      field.append("e").append(std::to_string(exponent));
      expect_bits({field.c_str(), '.', reference::parse(field, '.')}, parse(field, '.'));
    }
  }
}

// Within the range of normal doubles and up to 19 significant digits, the
// number rules are the C library's in the C locale.
TEST(Number, MatchesTheCLibraryWithinItsCommonGround) {
  ASSERT_STREQ("C", std::setlocale(LC_NUMERIC, nullptr));
  std::mt19937_64 random(11);
  for (int i = 0; i < 300000; ++i) {
    const int digits = 1 + static_cast<int>(random() % 19);
    std::string field = random() % 2 ? "-" : "";
    const int point = static_cast<int>(random() % static_cast<std::uint64_t>(digits + 1));
    for (int d = 0; d < digits; ++d) {
      if (d == point) field += '.';
      field += static_cast<char>('0' + (d == 0 ? 1 + random() % 9 : random() % 10));
    }
    // The value stays between about 1e-306 and 1e307.
    const int exponent = static_cast<int>(random() % 600) - 300 - (digits - point);
    field.append("e").append(std::to_string(exponent));
    const double expected = std::strtod(field.c_str(), nullptr);
    expect_bits({field.c_str(), '.', expected}, parse(field, '.'));
  }
}

}  // namespace
}  // namespace zivuvi
