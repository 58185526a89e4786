#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "engine/analysis/tally.h"
#include "engine/log/log_loader.h"
#include "engine/reports/report_text.h"
#include "support/test_util.h"

namespace tallix {
namespace {

using testing_util::Tallied;
using testing_util::TempDir;
using testing_util::WriteFile;

// Kept lines without a time, a file or a line number.
LoadedLog UntimedLog(const std::vector<std::string>& lines) {
  LoadedLog log;
  for (const std::string& line : lines) log.Keep(line, {}, {});
  return log;
}

// Sites with these names and numbers, the first `count` in use.
SiteConfig Sites(int16_t count, const std::vector<std::string>& names,
                 const std::vector<std::string>& numbers) {
  SiteConfig config;
  config.RouterIdentifier = "isdnrouter";
  config.SiteCount = count;
  for (size_t s = 0; s < names.size(); ++s) {
    config.SiteNames[s] = names[s];
    config.SiteNumbers[s] = numbers[s];
  }
  return config;
}

// Two sites in use over seven calls, four of them to numbers no site in use
// covers (05555000002 belongs to the third site, which is not in use), from
// a log of two files whose lines have no time.
LoadedLog TwoFileLog() {
  LoadedLog log;
  log.LogFilePaths = {"/logs/router.log.1", "/logs/router.log"};
  const char* lines[] = {
      "Dec  7 10:00:01 isdnrouter call from 01234123456 disconnected, lasted 75 seconds",
      "Dec  7 10:30:00 isdnrouter call from 07777000001 disconnected, lasted 60 seconds",
      "Dec  7 11:00:01 isdnrouter call from 02079460123 disconnected, lasted 3661 seconds",
      "Dec  8 08:00:00 isdnrouter call from 05555000002 disconnected, lasted 10 seconds",
      "Dec  8 08:10:00 isdnrouter call from 05555000002 disconnected, lasted 20 seconds",
      "Dec  8 09:00:00 isdnrouter call from 01234123456 disconnected, lasted 5 seconds",
      "Dec  8 09:30:00 isdnrouter call from 03333000003 disconnected, lasted 1 seconds"};
  for (size_t i = 0; i < std::size(lines); ++i) {
    // Three lines in the first file, the rest in the second.
    log.Keep(lines[i], {},
             i < 3 ? LineOrigin{0, static_cast<uint32_t>(2 * i + 1)}
                   : LineOrigin{1, static_cast<uint32_t>(i - 2)});
  }
  log.LogFileLines = {6, 4};
  return log;
}

SiteConfig TwoFileSites() {
  return Sites(2, {"Head Office", "Depot", "Spare"}, {"01234123456", "02079460123", "05555000002"});
}

TEST(UnmatchedReport, MostCallsFirstThenByNumberWithTotals) {
  const std::string heading =
      "ISDN Log Ananysis for files '/logs/router.log.1', '/logs/router.log' on 07/12/2026 "
      "10:30:00\r\n\r\nLog Start   : Dec  7 10:00\r\nLog End     : Dec  8 09:30\r\n"
      "Log Records : 7\r\n\r\n";
  const struct {
    std::string selection;
    std::string table;
  } rows[] = {
      {" ",
       "All Data\r\n\r\nNumbers no site covers\r\nNumber      : Calls : Duration\r\n"
       "05555000002 : 2     :  0d 0h 0m 30s\r\n"
       "03333000003 : 1     :  0d 0h 0m 1s\r\n"
       "07777000001 : 1     :  0d 0h 1m 0s\r\n"
       "Total       : 4     :  0d 0h 1m 31s\r\n"},
      {"dec  7",
       "Free Date Search : 'dec  7'\r\n\r\nNumbers no site covers\r\n"
       "Number      : Calls : Duration\r\n"
       "07777000001 : 1     :  0d 0h 1m 0s\r\n"
       "Total       : 1     :  0d 0h 1m 0s\r\n"},
      {"Dec  9",
       "Free Date Search : 'Dec  9'\r\n\r\nNumbers no site covers\r\n"
       "Number : Calls : Duration\r\n"
       "Total  : 0     :  0d 0h 0m 0s\r\n"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(heading + row.table,
              ReportTextOf(WriteUnmatched,
                           Tallied(TwoFileLog(), TwoFileSites(), row.selection).request()))
        << row.selection;
  }
}

TEST(CsvReport, QuotesOnlyFieldsThatNeedIt) {
  const struct {
    std::string name;
    std::string field;
  } rows[] = {
      {"Head Office", "Head Office"},
      {" padded ", " padded "},
      {"Leeds, North", "\"Leeds, North\""},
      {"The \"Depot\"", "\"The \"\"Depot\"\"\""},
      {"two\r\nlines", "\"two\r\nlines\""},
      {"line\nfeed", "\"line\nfeed\""},
      {"", ""},
      // A field a spreadsheet would take for a formula gets an apostrophe.
      {"=SUM(A1)", "'=SUM(A1)"},
      {"+1", "'+1"},
      {"-1", "'-1"},
      {"@x", "'@x"},
      {"\tx", "'\tx"},
      {"\rx", "\"'\rx\""},
      {"a=b", "a=b"},
  };
  for (const auto& row : rows) {
    SiteConfig config = TwoFileSites();
    config.SiteNames[1] = row.name;
    EXPECT_EQ(
        "site,number,stamp,seconds,time\r\n"
        "Head Office,01234123456,Dec  7 10:00:01,75,\r\n"
        "Head Office,01234123456,Dec  8 09:00:00,5,\r\n" +
            row.field + ",02079460123,Dec  7 11:00:01,3661,\r\n",
        ReportTextOf(WriteCallsCsv, Tallied(TwoFileLog(), config, " ").request()))
        << row.name;
  }
}

// The rows asked for, in the order asked, with each line's file and number;
// a row beyond the kept lines is skipped. Tab-separated text keeps a row on
// one line and a formula out of a spreadsheet.
TEST(AuditRows, RowsInTheOrderAskedAsCsvOrTsv) {
  const struct {
    const char* selection;
    std::string head_office;
    std::vector<int32_t> rows;
    AuditTextForm form;
    std::string text;
  } cases[] = {
      {"Dec  8",
       "Head Office",
       {6, 0, 5},
       AuditTextForm::kCsv,
       "file,line,stamp,number,seconds,result\r\n"
       "/logs/router.log,4,Dec  8 09:30:00,03333000003,1,unmatched\r\n"
       "/logs/router.log.1,1,Dec  7 10:00:01,01234123456,75,not selected\r\n"
       "/logs/router.log,3,Dec  8 09:00:00,01234123456,5,Head Office\r\n"},
      {" ",
       "Head, Office",
       {2, 0},
       AuditTextForm::kCsv,
       "file,line,stamp,number,seconds,result\r\n"
       "/logs/router.log.1,5,Dec  7 11:00:01,02079460123,3661,Depot\r\n"
       "/logs/router.log.1,1,Dec  7 10:00:01,01234123456,75,\"Head, Office\"\r\n"},
      {" ",
       "=Head\tOffice\r\n",
       {5, 7, 1},
       AuditTextForm::kTsv,
       "/logs/router.log\t3\tDec  8 09:00:00\t01234123456\t5\t'=Head Office  \n"
       "/logs/router.log.1\t3\tDec  7 10:30:00\t07777000001\t60\tunmatched\n"},
      {" ", "Head Office", {}, AuditTextForm::kTsv, ""},
  };
  for (const auto& c : cases) {
    SiteConfig config = TwoFileSites();
    config.SiteNames[0] = c.head_office;
    const Tallied tallied(TwoFileLog(), config, c.selection);
    EXPECT_EQ(c.text, AuditRowsText({tallied.log, tallied.config, tallied.tally}, c.rows, c.form))
        << c.head_office;
  }
}

TEST(JsonReport, KeysInOrderAndNonUtf8BytesAsTheirCodes) {
  SiteConfig config = TwoFileSites();
  config.SiteNames[0] = "Caf\xE9";              // ISO 8859-1
  config.SiteNames[1] = "Z\xC3\xBCrich \xC3(";  // UTF-8, then a cut sequence
  const Tallied tallied(TwoFileLog(), config, " ");
  const std::string warnings[] = {"a \xFF warning"};
  const std::string expected = R"({
    "files": ["/logs/router.log.1", "/logs/router.log"],
    "selection": " ", "caption": "All Data",
    "log": {"start": "Dec  7 10:00", "end": "Dec  8 09:30", "records": 7,
            "days": ["Dec  7", "Dec  8"], "first_time": null, "last_time": null},
    "sites": [
      {"name": "Caf\u00e9", "number": "01234123456", "calls": 2, "seconds": 80,
       "duration": " 0d 0h 1m 20s", "average_seconds": 40, "longest_seconds": 75,
       "call_list": [{"stamp": "Dec  7 10:00:01", "seconds": 75, "file": 0, "line": 1,
                      "time": null},
                     {"stamp": "Dec  8 09:00:00", "seconds": 5, "file": 1, "line": 3,
                      "time": null}]},
      {"name": "Z\u00fcrich \u00c3(", "number": "02079460123", "calls": 1, "seconds": 3661,
       "duration": " 0d 1h 1m 1s", "average_seconds": 3661, "longest_seconds": 3661,
       "call_list": [{"stamp": "Dec  7 11:00:01", "seconds": 3661, "file": 0, "line": 5,
                      "time": null}]}],
    "unmatched": [{"number": "05555000002", "calls": 2, "seconds": 30},
                  {"number": "03333000003", "calls": 1, "seconds": 1},
                  {"number": "07777000001", "calls": 1, "seconds": 60}],
    "per_day": [{"day": "Dec  7", "calls": [1, 1], "seconds": [75, 3661]},
                {"day": "Dec  8", "calls": [1, 0], "seconds": [5, 0]}],
    "total_calls": 3,
    "warnings": ["a \u00ff warning"],
    "reconciliation": {"lines_read": 10, "kept": 7, "beyond_kept_limit": 0, "selected": 7,
                       "credited": 3, "unmatched": 4, "credits": 3, "counted": 3,
                       "beyond_site_limit": 0, "seconds_not_counted": 0, "without_from": 0,
                       "without_lasted": 0, "without_time": 7}})";
  const std::string text = ReportTextOf(WriteJsonReport, tallied.request(warnings));
  // Ordered on both sides: the comparison covers the order of the keys too.
  EXPECT_EQ(nlohmann::ordered_json::parse(expected), nlohmann::ordered_json::parse(text)) << text;
}

// The audit and the reconciliation of a log of two files, loaded as the
// command loads it: CR LF lines, a line without "from", a number two sites
// share, seconds beyond 32 bits and a last line without a line feed.
TEST(AuditReport, EveryKeptLineWithWhereItCameFromAndWhatItMade) {
  TempDir dir;
  const std::string a = dir.Path("a.log");
  const std::string b = dir.Path("b.log");
  WriteFile(a,
            "Dec  7 10:00:01 isdnrouter call from 01234123456 disconnected, lasted 75 seconds\r\n"
            "sshd: noise\r\n"
            "Dec  7 10:05:00 isdnrouter call to nobody disconnected, lasted 9 seconds\n");
  WriteFile(b,
            "noise\n"
            "Dec  8 09:00:00 isdnrouter call from 02079460123 disconnected, lasted 99999999999 s\n"
            "Dec  8 09:30:00 isdnrouter call from 05555000002 disconnected, lasted 5 seconds");
  LoadOptions options;
  options.year = 2026;
  LoadResult loaded = LoadLogs({a, b}, "isdnrouter", options);
  ASSERT_TRUE(loaded.status.ok());
  const Tallied tallied(
      std::move(loaded.log),
      Sites(3, {"Head Office", "Depot", "Shared"}, {"01234123456", "02079460123", "02079460123"}),
      " ");
  EXPECT_EQ("file,line,stamp,number,seconds,result,time\r\n" + a +
                ",1,Dec  7 10:00:01,01234123456,75,Head Office,2026-12-07T10:00:01\r\n" + a +
                ",3,Dec  7 10:05:00, 7 10:05:00,9,unmatched,2026-12-07T10:05:00\r\n" + b +
                ",2,Dec  8 09:00:00,02079460123,9999999999,Depot (0 s counted) + Shared (0 s "
                "counted),2026-12-08T09:00:00\r\n" +
                b + ",3,Dec  8 09:30:00,05555000002,5,unmatched,2026-12-08T09:30:00\r\n",
            ReportTextOf(WriteAuditCsv, tallied.request()));
  const Reconciliation& sums = tallied.tally.reconciliation;
  const uint64_t expected[] = {6, 4, 0, 4, 2, 2, 3, 3, 0, 2, 1, 0, 0};
  for (size_t i = 0; i < ReconciliationFigures().size(); ++i) {
    EXPECT_EQ(expected[i], sums.*ReconciliationFigures()[i].value)
        << ReconciliationFigures()[i].key;
  }
}

// A credit past a site's limit is named as such, and a line another selection
// leaves out says so.
TEST(AuditReport, BeyondLimitAndNotSelected) {
  std::vector<std::string> lines(TallyResult::kMaxCallsPerSite + 1,
                                 "Dec  7 10:00:01 isdnrouter call from 01234123456 disconnected, "
                                 "lasted 2 seconds");
  lines.emplace_back("Dec  8 10:00:01 isdnrouter call from 01234123456 lasted 3");
  const Tallied tallied(UntimedLog(lines), Sites(1, {"Head Office"}, {"01234123456"}), "Dec  7");
  const std::string audit = ReportTextOf(WriteAuditCsv, tallied.request());
  EXPECT_NE(std::string::npos,
            audit.find("\r\n,0,Dec  7 10:00:01,01234123456,2,Head Office (beyond limit),\r\n"
                       ",0,Dec  8 10:00:01,01234123456,3,not selected,\r\n"))
      << audit.substr(audit.size() - 300);
  EXPECT_EQ(1u, tallied.tally.reconciliation.beyond_site_limit);
}

// A call that would take its site's total past 32 bits counts 0 s: its audit
// row says so and seconds_not_counted has it. Of the twelve such calls the
// first ten are warned of, the rest told as a count.
TEST(AuditReport, SiteTotalPast32BitsCountsNoSeconds) {
  const int lines = 13;
  const Tallied tallied(UntimedLog(std::vector<std::string>(
                            lines,
                            "Dec  7 10:00:01 isdnrouter call from 01234123456 disconnected, "
                            "lasted 2000000000 seconds")),
                        Sites(1, {"Head Office"}, {"01234123456"}), " ");
  const std::string row = ",0,Dec  7 10:00:01,01234123456,2000000000,Head Office";
  std::string expected = "file,line,stamp,number,seconds,result,time\r\n" + row + ",\r\n";
  for (int i = 1; i < lines; ++i) expected += row + " (0 s counted),\r\n";
  EXPECT_EQ(expected, ReportTextOf(WriteAuditCsv, tallied.request()));
  EXPECT_EQ(12u, tallied.tally.reconciliation.seconds_not_counted);
  EXPECT_EQ(2000000000, tallied.tally.SiteSeconds(0));
  ASSERT_EQ(11u, tallied.tally.warnings.size());
  EXPECT_EQ("and 2 more like it", tallied.tally.warnings.back());
}

// Every text of the JSON report goes through one escaping: the rows below
// are what a strict parser must read back.
TEST(JsonReport, EscapesEveryTextSoItParsesBack) {
  const struct {
    std::string name;
    std::string parsed;  // what a parser reads back (UTF-8)
  } rows[] = {
      {"C:\\dir\\", "C:\\dir\\"},
      {"say \"hi\"", "say \"hi\""},
      {std::string("nul\0tab\tcr\r\x1B\x7F", 13), std::string("nul\0tab\tcr\r\x1B\x7F", 13)},
      {"Caf\xE9 \xC3(", "Caf\xC3\xA9 \xC3\x83("},
      {"</script>", "</script>"},
  };
  for (const auto& row : rows) {
    SiteConfig config = TwoFileSites();
    config.SiteNames[0] = row.name;
    const std::string text =
        ReportTextOf(WriteJsonReport, Tallied(TwoFileLog(), config, " ").request());
    ASSERT_TRUE(nlohmann::json::accept(text)) << text;
    EXPECT_EQ(row.parsed, nlohmann::json::parse(text)["sites"][0]["name"]) << text;
  }
}

// Markup characters and control bytes never reach the page as they stand.
TEST(HtmlReport, EscapesMarkupAndControlBytes) {
  SiteConfig config = TwoFileSites();
  config.SiteNames[0] = std::string("A&B <i>\"x\" 'y'\0\x1B", 16);
  const std::string page =
      ReportTextOf(WriteHtmlReport, Tallied(TwoFileLog(), config, " ").request());
  EXPECT_NE(std::string::npos,
            page.find("A&amp;B &lt;i&gt;&quot;x&quot; &#39;y&#39;\xEF\xBF\xBD\xEF\xBF\xBD</h3>"))
      << page;
  EXPECT_EQ(std::string::npos, page.find('\0'));
  EXPECT_EQ(std::string::npos, page.find("<i>"));
  // A log of two files names each call's file by its base name.
  EXPECT_NE(std::string::npos, page.find("<td>router.log:3</td>")) << page;
}

}  // namespace
}  // namespace tallix
