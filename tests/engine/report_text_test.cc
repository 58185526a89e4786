#include "engine/reports/report_text.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>

#include "engine/analysis/tally.h"
#include "support/test_util.h"

namespace tallix {
namespace {

using testing_util::LogOf;
using testing_util::Tallied;

const ReportDateTime kNow{"07/12/2026", "10:30:00"};

// Reports over sites and counts a test made itself, with the caption of all
// data and no kept line behind them: these reports read the tally only.
struct Untallied {
  Untallied(SiteConfig config_in, TallyResult tally_in, const std::string& path = "/log")
      : log(LogOf({}, path)),
        config(std::move(config_in)),
        tally(std::move(tally_in)),
        heading(MakeReportHeading(log, kNow)) {
    tally.caption = "All Data";
  }
  ReportRequest request() const { return {log, config, tally, heading}; }
  LoadedLog log;
  SiteConfig config;
  TallyResult tally;
  ReportHeading heading;
};

// Two sites over three calls, tallied over all data.
std::unique_ptr<Tallied> TwoSites() {
  SiteConfig config;
  config.SiteCount = 3;
  config.SiteNames = {"Head Office", "Depot", "Idle"};
  config.SiteNumbers = {"01234123456", "02079460123", "09999999999"};
  return std::make_unique<Tallied>(
      LogOf(
          {"Dec  7 10:00:01 isdnrouter isdn: call from 01234123456 disconnected, lasted 75 "
           "seconds\r",
           "Dec  7 11:00:01 isdnrouter isdn: call from 02079460123 disconnected, lasted 3661 "
           "seconds",
           "Dec  8 09:00:00 isdnrouter isdn: call from 01234123456 disconnected, lasted 5 seconds"},
          "/logs/router.log"),
      config, " ", kNow);
}

TEST(ReportText, SavedReportWholeText) {
  const std::string expected =
      "ISDN Log Ananysis for file '/logs/router.log' on 07/12/2026 10:30:00\r\n"
      "\r\n"
      "Log Start   : Dec  7 10:00\r\n"
      "Log End     : Dec  8 09:00\r\n"
      "Log Records :  3\r\n"
      "Summary\r\n"
      "\"Site\",\"Calls\",\"Duration\",\"Duration\"\r\n"
      "\"Head Office\",2,80,\" 0d 0h 1m 20s\"\r\n"
      "\"Depot\",1,3661,\" 0d 1h 1m 1s\"\r\n"
      "\"Idle\",0,0,\" 0d 0h 0m 0s\"\r\n"
      "\r\n"
      "Detailed log for Head Office\r\n"
      "\"Dec  7 10:00:01\",75,\" 0d 0h 1m 15s\"\r\n"
      "\"Dec  8 09:00:00\",5,\" 0d 0h 0m 5s\"\r\n"
      "\r\n"
      "Detailed log for Depot\r\n"
      "\"Dec  7 11:00:01\",3661,\" 0d 1h 1m 1s\"\r\n"
      "\r\n"
      "Detailed log for Idle\r\n"
      "\r\n";
  EXPECT_EQ(expected, ReportTextOf(WriteSavedReport, TwoSites()->request()));
}

TEST(ReportText, PrintedSummaryAndDetailedLines) {
  const auto two = TwoSites();
  const std::vector<std::string> summary = {
      "ISDN Log Ananysis for file '/logs/router.log' on 07/12/2026 10:30:00",
      "",
      "All Data",
      "",
      "Log Start   : Dec  7 10:00",
      "Log End     : Dec  8 09:00",
      "Log Records :  3",
      "",
      "",
      "Head Office",
      "Number of Calls = 2",
      "Total Calls Duration =  0d 0h 1m 20s",
      "",
      "Depot",
      "Number of Calls = 1",
      "Total Calls Duration =  0d 1h 1m 1s",
      "",
      "Idle",
      "Number of Calls = 0",
      "Total Calls Duration =  0d 0h 0m 0s",
      ""};
  std::vector<std::string> printed = summary;
  printed.emplace_back();
  EXPECT_EQ(printed, PrintedSummaryLines(two->request()));

  std::vector<std::string> detailed = summary;
  for (const char* line : {"", "", "Detailed log for Head Office", "Dec  7 10:00:01   0d 0h 1m 15s",
                           "Dec  8 09:00:00   0d 0h 0m 5s", "", "Detailed log for Depot",
                           "Dec  7 11:00:01   0d 1h 1m 1s", "", "Detailed log for Idle", ""}) {
    detailed.emplace_back(line);
  }
  EXPECT_EQ(detailed, PrintedDetailedLogLines(two->request()));
}

TEST(ReportText, ShowLogWholeText) {
  const std::string expected =
      "ISDN Log Ananysis for file '/logs/router.log' on 07/12/2026 10:30:00\r\n"
      "\r\n"
      "Log Start   : Dec  7 10:00\r\n"
      "Log End     : Dec  8 09:00\r\n"
      "Log Records : 3\r\n"
      "\r\n"
      "Summary\r\n"
      "Site        : Calls : Duration\r\n"
      "Head Office : 2     :  0d 0h 1m 20s\r\n"
      "Depot       : 1     :  0d 1h 1m 1s\r\n"
      "Idle        : 0     :  0d 0h 0m 0s\r\n"
      "\r\n"
      "Detailed log for Head Office\r\n"
      "Dec  7 10:00:01   0d 0h 1m 15s\r\n"
      "Dec  8 09:00:00   0d 0h 0m 5s\r\n"
      "\r\n"
      "Detailed log for Depot\r\n"
      "Dec  7 11:00:01   0d 1h 1m 1s\r\n"
      "\r\n"
      "Detailed log for Idle\r\n"
      "\r\n";
  EXPECT_EQ(expected, ShowLogText(TwoSites()->request()));
}

// The name column counts characters, so every row's colons stand under the
// head's whatever the names' encoding.
TEST(ReportText, ShowLogNameColumn) {
  const struct {
    const char* what;
    std::array<std::string, 2> names;
    std::array<int16_t, 2> counts;
    std::string table;
  } kRows[] = {
      {"short names, wide counts",
       {"ab", "abcd"},
       {10001, 0},
       "Site : Calls : Duration\r\n"
       "ab   : 10001 :  0d 0h 0m 0s\r\nabcd : 0     :  0d 0h 0m 0s\r\n"},
      {"UTF-8 name counts code points",
       {"Z\xC3\xBCrich B\xC3\xBCro", "Leeds"},
       {1, 2},
       "Site        : Calls : Duration\r\n"
       "Z\xC3\xBCrich B\xC3\xBCro : 1     :  0d 0h 0m 0s\r\n"
       "Leeds       : 2     :  0d 0h 0m 0s\r\n"},
      {"Latin-1 name counts bytes",
       {"Z\xFCrich B\xFCro", "Leeds"},
       {1, 2},
       "Site        : Calls : Duration\r\n"
       "Z\xFCrich B\xFCro : 1     :  0d 0h 0m 0s\r\n"
       "Leeds       : 2     :  0d 0h 0m 0s\r\n"},
      {"invalid sequences count bytes",
       {"a\xC3\xBC\xC0\xAF", "x\xE2\x82"},
       {0, 0},
       "Site  : Calls : Duration\r\n"
       "a\xC3\xBC\xC0\xAF : 0     :  0d 0h 0m 0s\r\n"
       "x\xE2\x82   : 0     :  0d 0h 0m 0s\r\n"},
      {"four-byte UTF-8 is one character",
       {"\xF0\x9F\x93\x9E\xF0\x9F\x93\x9E", "ab"},
       {0, 0},
       "Site : Calls : Duration\r\n"
       "\xF0\x9F\x93\x9E\xF0\x9F\x93\x9E   : 0     :  0d 0h 0m 0s\r\n"
       "ab   : 0     :  0d 0h 0m 0s\r\n"},
  };
  for (const auto& row : kRows) {
    SiteConfig config;
    config.SiteCount = 2;
    config.SiteNames = {row.names[0], row.names[1]};
    // Every call is of one kept line with an empty stamp.
    TallyResult tally;
    tally.lines.resize(1);
    for (const int16_t calls : row.counts) {
      tally.sites.push_back({std::vector<CountedCall>(static_cast<size_t>(calls)), {}});
    }
    const std::string text = ShowLogText(Untallied(config, tally).request());
    EXPECT_NE(std::string::npos, text.find("Summary\r\n" + row.table + "\r\n")) << row.what << "\n"
                                                                                << text;
  }
}

TEST(ReportText, NoSitesAndNoLines) {
  const Untallied none({}, {}, "/x.log");
  const std::string heading =
      "ISDN Log Ananysis for file '/x.log' on 07/12/2026 10:30:00\r\n\r\n"
      "Log Start   : \r\nLog End     : \r\n";
  EXPECT_EQ(
      heading +
          "Log Records :  0\r\nSummary\r\n\"Site\",\"Calls\",\"Duration\",\"Duration\"\r\n\r\n",
      ReportTextOf(WriteSavedReport, none.request()));
  EXPECT_EQ(heading + "Log Records : 0\r\n\r\nSummary\r\nSite : Calls : Duration\r\n\r\n",
            ShowLogText(none.request()));
  EXPECT_EQ(10u, PrintedSummaryLines(none.request()).size());
  EXPECT_EQ(11u, PrintedDetailedLogLines(none.request()).size());
}

TEST(ReportText, ShortKeptLineIsTakenWhole) {
  const ReportHeading heading = MakeReportHeading(LogOf({"short", "Dec  9 01:02:03 rest"}), kNow);
  EXPECT_EQ("short", heading.start);
  EXPECT_EQ("Dec  9 01:02", heading.end);
}

TEST(ReportText, DoubleQuotesInFieldsAreDoubled) {
  SiteConfig config;
  config.SiteCount = 1;
  config.SiteNames[0] = "say \"hi\"";
  TallyResult tally;
  LineResult line;
  line.stamp = "Dec \"7\"";
  tally.lines = {line};
  tally.sites = {{{{0, 0}}, {}}};
  const std::string text = ReportTextOf(WriteSavedReport, Untallied(config, tally).request());
  EXPECT_NE(std::string::npos, text.find("\"say \"\"hi\"\"\",1,0,")) << text;
  EXPECT_NE(std::string::npos, text.find("\"Dec \"\"7\"\"\",0,")) << text;
}

TEST(CallTotalGuard, RefusesAThousandOrMore) {
  const std::pair<uint64_t, bool> cases[] = {{999, true}, {1000, false}};
  for (const auto& [counted, passes] : cases) {
    TallyResult tally;
    tally.reconciliation.counted = counted;
    EXPECT_EQ(passes, CallTotalGuardPasses(tally)) << counted;
  }
}

}  // namespace
}  // namespace tallix
