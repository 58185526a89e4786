#include "engine/util/visible_text.h"

#include <gtest/gtest.h>

namespace tallix {
namespace {

TEST(VisibleText, EscapesEveryControlCharacterButTab) {
  const struct {
    std::string text;
    std::string shown;
  } rows[] = {
      {"plain\ttext", "plain\ttext"},
      {"\x1b[2J\x1b]0;X\x07", "\\x1B[2J\\x1B]0;X\\x07"},
      {std::string("a\0b\r\n\x7f", 6), "a\\x00b\\x0D\\x0A\\x7F"},
      {"caf\xc3\xa9 \xe2\x82\xac", "caf\xc3\xa9 \xe2\x82\xac"},  // UTF-8 kept
      {"\xc2\x9b"
       "2J",
       "\\xC2\\x9B2J"},  // C1 CSI as UTF-8
      {"\x9b"
       "2J \xe9",
       "\\x9B2J \xe9"},          // C1 CSI as a lone byte
      {"\xc2\xa0", "\xc2\xa0"},  // no-break space kept
      {"\xc2", "\xc2"},
  };
  for (const auto& row : rows) EXPECT_EQ(row.shown, VisibleText(row.text)) << row.shown;
}

}  // namespace
}  // namespace tallix
