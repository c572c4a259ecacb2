// The arguments of a run: how many threads, which separators.
#include <gtest/gtest.h>

#include <sched.h>

#include <string>

#include "platform.h"
#include "run.h"

namespace zivuvi {
namespace {

TEST(Threads, TakesAWholeNumberFromOneUpAndIgnoresAnythingElse) {
  const unsigned processors = available_processors();
  const struct {
    const char* requested;
    unsigned threads;
  } cases[] = {
      {nullptr, processors},
      {"", processors},
      {"0", processors},
      {"-1", processors},
      {"two", processors},
      {"2x", processors},
      {" 2", processors},
      {"+2", processors},
      {"1", 1},
      {"3", 3},
      {"007", 7},
      {"64", kMaxThreads},
      {"65", kMaxThreads},
      {"99999999999999999999999", kMaxThreads},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(std::min(c.threads, kMaxThreads), thread_count(c.requested))
        << (c.requested != nullptr ? c.requested : "(unset)");
  }
}

TEST(Threads, CountsOnlyTheProcessorsTheProcessMayRunOn) {
  cpu_set_t all;
  ASSERT_EQ(0, sched_getaffinity(0, sizeof all, &all));
  cpu_set_t one;
  CPU_ZERO(&one);
  for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
    if (CPU_ISSET(cpu, &all)) {
      CPU_SET(cpu, &one);
      break;
    }
  }
  ASSERT_EQ(0, sched_setaffinity(0, sizeof one, &one));
  EXPECT_EQ(1u, available_processors());
  EXPECT_EQ(1u, thread_count(nullptr));
  ASSERT_EQ(0, sched_setaffinity(0, sizeof all, &all));
  EXPECT_EQ(static_cast<unsigned>(CPU_COUNT(&all)), available_processors());
}

TEST(Separators, AreOneByteOfTheText) {
  using namespace std::string_literals;
  const struct {
    std::string argument;
    bool usable;
  } cases[] = {
      {",", true},
      {";x", true},
      {"\t", true},
      {"\xB7", true},
      {"\xC2", true},
      {"\xC2x", true},
      {"\xE2\x82", true},
      {"\xF8\x80", true},
      {"\xFF", true},
      {"", false},
      {"\r", false},
      {"\x1A", false},
      {"\xC2\xB7", false},
      {"\xC2\xA6;", false},
      {"\xE2\x82\xAC", false},
      {"\xF0\x9F\x98\x80", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.usable, is_usable_separator(c.argument)) << c.argument;
  }
}

}  // namespace
}  // namespace zivuvi
