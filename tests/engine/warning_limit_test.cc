#include "engine/util/warning_limit.h"

#include <gtest/gtest.h>

namespace tallix {
namespace {

// Each kind at most ten times, the rest counted right after its tenth; two
// warnings of a kind differ in their numbers and in what they quote.
TEST(WarningLimit, TenOfAKindThenACount) {
  std::vector<std::string> over;
  for (int i = 1; i <= 12; ++i) over.push_back("line " + std::to_string(i) + " is over the limit");
  const auto first = [&over](size_t n, std::vector<std::string> then) {
    then.insert(then.begin(), over.begin(), over.begin() + static_cast<std::ptrdiff_t>(n));
    return then;
  };
  const std::string a = "file 'a' was given twice", b = "file 'b' was given twice";
  const struct {
    std::vector<std::string> given, told;
  } rows[] = {
      {first(9, {}), first(9, {})},
      {first(10, {}), first(10, {})},
      {first(11, {}), first(10, {"and 1 more like it"})},
      {first(10, {a, over[10], over[11], b}), first(10, {"and 2 more like it", a, b})},
  };
  for (const auto& row : rows) EXPECT_EQ(row.told, CappedWarnings(row.given)) << row.given.size();
}

}  // namespace
}  // namespace tallix
