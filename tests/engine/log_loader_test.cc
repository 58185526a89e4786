#include "engine/log/log_loader.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/fake_log_files.h"
#include "support/test_util.h"

namespace tallix {
namespace {

using testing_util::TempDir;
using testing_util::WriteFile;

using testing_util::KeptLines;
using testing_util::LoadText;

constexpr char kA[] =
    "Dec  7 10:00:01 isdnrouter isdn: call from 01234123456 disconnected, lasted 75 seconds";
constexpr char kB[] =
    "Dec  8 11:00:01 isdnrouter isdn: call from 01234123456 disconnected, lasted 5 seconds";

// Every way a log can end, and what is kept.
struct EndingCase {
  const char* name;
  std::string text;
  std::vector<std::string> kept;
};

class LogEndingTest : public testing::TestWithParam<EndingCase> {};

TEST_P(LogEndingTest, Keeps) {
  const LoadResult r = LoadText(GetParam().text);
  ASSERT_TRUE(r.status.ok());
  EXPECT_EQ(GetParam().kept, KeptLines(r.log));
  EXPECT_EQ(static_cast<int32_t>(GetParam().text.size()), r.log.LogFileSize);
}

INSTANTIATE_TEST_SUITE_P(
    Endings, LogEndingTest,
    testing::Values(EndingCase{"Empty", "", {}}, EndingCase{"OneByte", "x", {}},
                    EndingCase{"LfOnly", "\n", {}},
                    EndingCase{"Lf", std::string(kA) + "\n" + kB + "\n", {kA, kB}},
                    EndingCase{"CrLfKeepsCr",
                               std::string(kA) + "\r\n" + kB + "\r\n",
                               {std::string(kA) + "\r", std::string(kB) + "\r"}},
                    EndingCase{"NoFinalLf", std::string(kA) + "\n" + kB, {kA, kB}},
                    EndingCase{"NoLfAtAll", kA, {kA}},
                    EndingCase{"OneTrailingByte", std::string(kA) + "\nx", {kA}},
                    EndingCase{"BlankLines", std::string("\n\n") + kA + "\n\n", {kA}},
                    EndingCase{"CrInsideLineIsNoLineEnd",
                               std::string("noise\r") + kA + "\n",
                               {std::string("noise\r") + kA}}),
    [](const testing::TestParamInfo<EndingCase>& row) { return row.param.name; });

TEST(KeptLine, NeedsBothTextsInAnyCaseAndOrder) {
  const struct {
    const char* line;
    const char* identifier;
    bool kept;
  } cases[] = {
      {"Dec  7 10:00:01 isdnrouter call DISCONNECTED", "isdnrouter", true},
      {"Dec  7 10:00:01 IsDnRoUtEr call disconnected", "isdnrouter", true},
      {"disconnected first, then isdnrouter", "ISDNROUTER", true},
      {"Dec  7 10:00:01 isdnrouter call connected", "isdnrouter", false},
      {"Dec  7 10:00:01 mailhost disconnected", "isdnrouter", false},
      {"Dec  7 10:00:01 mailhost disconnected", "", true},
      {"", "", false},
      {"isdnroutedisconnected", "isdnrouter", false},
      {"xdisconnectedx isdnrouterx", "isdnrouter", true},
  };
  for (const auto& c : cases) {
    const LoadResult r =
        LoadText(std::string("noise line\n") + c.line + "\nmore noise", "/log", c.identifier);
    EXPECT_EQ(c.kept ? 1 : 0, r.log.LineCount()) << c.line;
  }
}

TEST(DayList, OneEntryPerRunOfEqualPrefixes) {
  std::string text;
  for (const char* day : {"Dec  7", "Dec  7", "Dec  8", "Dec  8", "Dec  7", "DEC  7", "Dec  7"}) {
    text += std::string(day) + " 10:00:01 isdnrouter disconnected\n";
    text += std::string("Jan  1") + " noise in between\n";
  }
  const LoadResult r = LoadText(text);
  ASSERT_TRUE(r.status.ok());
  EXPECT_EQ((std::vector<std::string>{"Dec  7", "Dec  8", "Dec  7", "DEC  7", "Dec  7"}),
            r.log.LogDates());
}

// The first and last kept lines by position, not by time; no kept line is
// no error.
TEST(LogStartAndEnd, FirstAndLastKeptLines) {
  const struct {
    std::string text;
    const char* start;
    const char* end;
    size_t days;
  } cases[] = {
      {std::string(kB) + "\nnoise\n" + kA + "\r\n", "Dec  8 11:00", "Dec  7 10:00", 2},
      {"nothing\nto see\n", "", "", 0},
  };
  for (const auto& c : cases) {
    const LoadResult r = LoadText(c.text);
    EXPECT_TRUE(r.status.ok());
    EXPECT_TRUE(r.log.LimitWarnings().empty());
    const LogBounds bounds = LogStartAndEnd(r.log);
    EXPECT_EQ(c.start, bounds.start);
    EXPECT_EQ(c.end, bounds.end);
    EXPECT_EQ(c.days, r.log.LogDates().size());
  }
}

TEST(LogLimits, KeptLinesAndDayRunsAtTheirEdges) {
  const struct {
    int lines;
    int days;  // distinct day runs among those lines
    int32_t kept;
    size_t listed;
    size_t warnings;
  } cases[] = {{40001, 1, 40001, 1, 0},
               {40002, 1, 40001, 1, 1},
               {101, 101, 101, 101, 0},
               {102, 102, 102, 101, 1},
               {40002, 102, 40001, 101, 2}};
  for (const auto& c : cases) {
    std::string text;
    for (int i = 0; i < c.lines; ++i) {
      const int day = i * c.days / c.lines;
      char prefix[8];
      std::snprintf(prefix, sizeof prefix, "D%05d", day);
      text += std::string(prefix) + " 10:00:01 isdnrouter disconnected\n";
    }
    const LoadResult r = LoadText(text);
    EXPECT_TRUE(r.status.ok());
    const std::vector<std::string> warnings = r.log.LimitWarnings();
    if (c.days > 101) {
      // Runs past the full list are counted as runs, not lines.
      ASSERT_FALSE(warnings.empty());
      EXPECT_NE(std::string::npos,
                warnings.back().find(" " + std::to_string(c.days - 101) + " later day runs"))
          << warnings.back();
    }
    EXPECT_EQ(c.kept, r.log.LineCount()) << c.lines << " lines";
    EXPECT_EQ(c.listed, r.log.LogDates().size()) << c.lines << " lines";
    EXPECT_EQ(c.warnings, warnings.size()) << c.lines << " lines";
  }
}

TEST(LoadLog, UnreadableLogFailsNamingIt) {
  TempDir dir;
  WriteFile(dir.Path("plain"), "x");
  std::filesystem::create_directory(dir.Path("folder"));
  for (const std::string& path :
       {dir.Path("missing.log"), dir.Path("folder"), dir.Path("plain/below")}) {
    const LoadResult r = LoadLog(path, "isdnrouter");
    EXPECT_FALSE(r.status.ok()) << path;
    EXPECT_NE(std::string::npos, r.status.message().find(path)) << r.status.message();
    EXPECT_TRUE(r.log.LogFilePaths.empty()) << path;
    EXPECT_EQ(0, r.log.LineCount()) << path;
  }
}

}  // namespace
}  // namespace tallix
