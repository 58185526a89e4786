// The tally and the report builders take shortcuts for the common case: a
// plain whole number of seconds, durations formatted without the
// floating-point floor. Each shortcut must
// agree with the general way on awkward inputs too.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <string>

#include "engine/analysis/duration.h"
#include "engine/analysis/lenient_number.h"
#include "engine/analysis/tally.h"

namespace tallix {
namespace {

// The duration text as the floating-point floor gives it.
std::string ReferenceDuration(int32_t seconds) {
  const auto part = [](int64_t n, char unit) {
    return (n < 0 ? "-" + std::to_string(-n) : " " + std::to_string(n)) + unit;
  };
  const int64_t total = seconds;
  const auto minutes = static_cast<int64_t>(std::floor(static_cast<double>(total) / 60.0));
  const auto hours = static_cast<int64_t>(std::floor(static_cast<double>(minutes) / 60.0));
  const auto days = static_cast<int64_t>(std::floor(static_cast<double>(hours) / 24.0));
  return part(days, 'd') + part(hours % 24, 'h') + part(minutes % 60, 'm') + part(total % 60, 's');
}

TEST(FastPaths, DurationAgreesWithTheFloatingPointFloor) {
  std::vector<int32_t> values = {0,
                                 1,
                                 -1,
                                 59,
                                 60,
                                 -59,
                                 -60,
                                 -61,
                                 3599,
                                 3600,
                                 -3600,
                                 86399,
                                 86400,
                                 -86400,
                                 -86401,
                                 std::numeric_limits<int32_t>::max(),
                                 std::numeric_limits<int32_t>::min(),
                                 std::numeric_limits<int32_t>::min() + 1};
  std::mt19937 random(3);
  for (int i = 0; i < 20000; ++i) values.push_back(static_cast<int32_t>(random()));
  for (const int32_t v : values) {
    ASSERT_EQ(ReferenceDuration(v), FormatDuration(v)) << v;
    char text[kMaxDurationBytes];
    ASSERT_EQ(ReferenceDuration(v), std::string(text, WriteDuration(v, text))) << v;
  }
}

// The seconds of a line read through the shortcut must be what the lenient
// reader makes of the same ten characters, fit or not.
TEST(FastPaths, SecondsAgreeWithTheLenientReader) {
  const std::string fields[] = {
      "75 seconds", "  75",       "+75",        "-5",         "- 5",         "1 2 3",
      "12.5",       "13.5",       "12 .5",      "1e3",        "1 e3",        "1E",
      "12d2",       "12D+2",      "7x",         "",           "   ",         "-",
      "+-5",        "9999999999", "2147483647", "2147483648", "-2147483648", "-2147483649",
      "\t42\n",     "0000000012", "12,5",       "1.",         ".5"};
  std::vector<std::string> all(std::begin(fields), std::end(fields));
  std::mt19937 random(9);
  const std::string alphabet = "0123456789 +-.eEdD\tx";
  for (int i = 0; i < 20000; ++i) {
    std::string field(random() % 11, ' ');
    for (char& c : field) c = alphabet[random() % alphabet.size()];
    all.push_back(field);
  }
  for (const std::string& field : all) {
    const CallFields call = ReadCallFields("Dec  7 10:00:01 call from 01234123456 lasted " + field);
    // The reader's slow path alone: the shortcut lives in ReadRoundedNumber.
    const double value = RoundHalfEven(ReadLenientNumber(field.substr(0, 10)));
    const std::optional<int64_t> expected = value >= -0x1p63 && value < 0x1p63
                                                ? std::optional(static_cast<int64_t>(value))
                                                : std::nullopt;
    ASSERT_EQ(expected.has_value(), call.seconds_read) << "'" << field << "'";
    ASSERT_EQ(expected.value_or(0), call.seconds) << "'" << field << "'";
    const bool fits = expected && *expected >= std::numeric_limits<int32_t>::min() &&
                      *expected <= std::numeric_limits<int32_t>::max();
    ASSERT_EQ(fits, call.seconds_fit) << "'" << field << "'";
  }
}

}  // namespace
}  // namespace tallix
