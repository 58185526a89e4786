#include "engine/analysis/duration.h"

#include <gtest/gtest.h>

#include <limits>

namespace tallix {
namespace {

struct DurationCase {
  int32_t seconds;
  const char* text;
};

class DurationTest : public testing::TestWithParam<DurationCase> {};

TEST_P(DurationTest, Formats) { EXPECT_EQ(GetParam().text, FormatDuration(GetParam().seconds)); }

INSTANTIATE_TEST_SUITE_P(
    Table, DurationTest,
    testing::Values(DurationCase{0, " 0d 0h 0m 0s"}, DurationCase{59, " 0d 0h 0m 59s"},
                    DurationCase{60, " 0d 0h 1m 0s"}, DurationCase{3599, " 0d 0h 59m 59s"},
                    DurationCase{3661, " 0d 1h 1m 1s"}, DurationCase{86399, " 0d 23h 59m 59s"},
                    DurationCase{86400, " 1d 0h 0m 0s"}, DurationCase{90061, " 1d 1h 1m 1s"},
                    DurationCase{2147483647, " 24855d 3h 14m 7s"}, DurationCase{-1, "-1d-1h-1m-1s"},
                    DurationCase{-61, "-1d-1h-2m-1s"}, DurationCase{-60, "-1d-1h-1m 0s"},
                    DurationCase{-86400, "-1d 0h 0m 0s"},
                    DurationCase{std::numeric_limits<int32_t>::min(), "-24856d-4h-15m-8s"}));

}  // namespace
}  // namespace tallix
