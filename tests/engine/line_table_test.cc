// The kept-line table: entries stay valid while the table grows, and a clear
// leaves no entry viewing freed bytes.

#include "engine/app/line_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tallix {
namespace {

// Lines of many lengths, some longer than any block before them.
std::vector<std::string> Lines() {
  std::vector<std::string> lines;
  for (size_t length : {0, 1, 100, 65536, 3, 200000, 70000, 17}) {
    lines.push_back(std::string(length, static_cast<char>('a' + lines.size())));
  }
  return lines;
}

TEST(LineTable, AssignedLinesSurviveLaterGrowth) {
  LineTable table;
  const std::vector<std::string> lines = Lines();
  for (size_t i = 0; i < lines.size(); ++i) table.Assign(i * 5000, lines[i]);
  table.Assign(LineTable::kEntries - 1, "last");
  for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i], table[i * 5000]) << i;
  EXPECT_EQ("last", table[LineTable::kEntries - 1]);
  EXPECT_EQ("", table[1]);  // never written
}

TEST(LineTable, ClearEmptiesEveryWrittenEntry) {
  LineTable table;
  table.Assign(0, "one");
  table.Assign(40000, "two");
  table.Clear();
  EXPECT_EQ("", table[0]);
  EXPECT_EQ("", table[40000]);
  EXPECT_EQ(nullptr, table[40000].data());
  table.Assign(2, "three");
  EXPECT_EQ("three", table[2]);
}

// Blocks filled elsewhere and handed over stay valid, whether the table held
// blocks before or not, and Assign goes on after them.
TEST(LineTable, HeldBlocksKeepTheirViews) {
  for (bool table_had_blocks : {false, true}) {
    LineTable table;
    if (table_had_blocks) table.Assign(0, "before");
    std::vector<std::string_view> views;
    ByteBlocks part;
    for (const std::string& line : Lines()) views.push_back(part.Append(line));
    table.Hold(part);
    EXPECT_EQ(0u, part.room_size());
    for (size_t i = 0; i < views.size(); ++i) table.View(i + 1, views[i]);
    table.Assign(100, "after");
    const std::vector<std::string> lines = Lines();
    for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i], table[i + 1]) << i;
    EXPECT_EQ(table_had_blocks ? "before" : "", table[0]);
    EXPECT_EQ("after", table[100]);
  }
}

TEST(ByteBlocks, ReserveMakesRoomAndUseTakesIt) {
  ByteBlocks bytes;
  EXPECT_EQ(0u, bytes.room_size());
  bytes.Reserve(10);
  ASSERT_GE(bytes.room_size(), 10u);
  const size_t room = bytes.room_size();
  char* at = bytes.room();
  bytes.Use(4);
  EXPECT_EQ(at + 4, bytes.room());
  EXPECT_EQ(room - 4, bytes.room_size());
  bytes.Reserve(room);  // more than is left: a new block
  EXPECT_GE(bytes.room_size(), room);
}

}  // namespace
}  // namespace tallix
