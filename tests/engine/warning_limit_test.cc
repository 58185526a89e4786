#include "engine/util/warning_limit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tallix {
namespace {

using Lines = std::vector<std::string>;

Lines Join(Lines first, const Lines& then) {
  first.insert(first.end(), then.begin(), then.end());
  return first;
}

// Each kind at most ten times, the rest counted right after its tenth; two
// warnings of a kind differ in their numbers and in what they quote.
TEST(WarningLimit, TenOfAKindThenACount) {
  Lines over;
  for (int i = 1; i <= 12; ++i) over.push_back("line " + std::to_string(i) + " is over the limit");
  const auto first = [&over](size_t n) { return Lines(over.begin(), over.begin() + n); };
  const Lines twice = {"file 'a' was given twice", "file 'b' was given twice"};
  const struct {
    Lines given;
    Lines told;
  } rows[] = {
      {first(9), first(9)},
      {first(10), first(10)},
      {first(11), Join(first(10), {"and 1 more like it"})},
      {Join(Join(first(10), {twice[0]}), {over[10], over[11], twice[1]}),
       Join(first(10), {"and 2 more like it", twice[0], twice[1]})},
  };
  for (const auto& row : rows) EXPECT_EQ(row.told, CappedWarnings(row.given)) << row.given.size();
}

}  // namespace
}  // namespace tallix
