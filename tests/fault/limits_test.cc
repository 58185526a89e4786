// The fixed limits end to end through tallix-report: each limit at its edge
// passes quietly, one beyond it is written with a warning and exit status 3
// (or refused, for the call-total guard).

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "cli/report_command.h"
#include "support/command_runner.h"
#include "support/test_util.h"

namespace tallix {
namespace {

using testing_util::CommandRun;
using testing_util::RunReport;
using testing_util::TempDir;
using testing_util::WriteFile;

class LimitTest : public testing::Test {
 protected:
  CommandRun Exec(const std::string& log, const std::vector<std::string>& options) {
    WriteFile(dir_.Path("limit.log"), log);
    std::vector<std::string> args = options;
    args.push_back(dir_.Path("limit.log"));
    return RunReport(args, dir_.Path("bin"), dir_.path().string());
  }

  std::string Config(const std::string& records) {
    WriteFile(dir_.Path("limit.cfg"), records + "\"END\",0,0,0\r\n");
    return dir_.Path("limit.cfg");
  }

  TempDir dir_;
};

// A call-end line of the default router for the default site's number.
std::string Call(const std::string& day, const std::string& number, const std::string& seconds) {
  return day + " 10:00:01 isdnrouter isdn: call from " + number + " disconnected, lasted " +
         seconds + " seconds\n";
}

std::string Repeat(const std::string& line, int times) {
  std::string text;
  text.reserve(line.size() * static_cast<size_t>(times));
  for (int i = 0; i < times; ++i) text += line;
  return text;
}

TEST_F(LimitTest, KeptLinesAndDayRuns) {
  const std::string other = "Dec  7 10:00:01 isdnrouter disconnected\n";  // no site's number
  std::string days_101;
  std::string days_102;
  for (int d = 0; d < 102; ++d) {
    char day[8];
    std::snprintf(day, sizeof day, "D%05d", d);
    (d < 101 ? days_101 : days_102) += Call(day, "0", "1");
  }
  days_102 = days_101 + days_102;
  const struct {
    const char* what;
    std::string log;
    std::vector<std::string> options;
    int status;
    std::string in_output;
    std::string warning;
  } cases[] = {
      {"40001 kept lines", Repeat(other, 40001), {}, kExitOk, "Log Records :  40001\r\n", ""},
      {"40002 kept lines",
       Repeat(other, 40002),
       {},
       kExitLimit,
       "Log Records :  40001\r\n",
       "warning: the log holds 1 more call-end lines than the 40001 that can be kept"},
      {"101 day runs", days_101, {"--format", "days"}, kExitOk, "D00100\r\n", ""},
      {"102 day runs",
       days_102,
       {"--format", "days"},
       kExitLimit,
       "D00100\r\n",
       "warning: the day list is full at 101 entries; 1 later day runs are not listed"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const CommandRun run = Exec(c.log, c.options);
    EXPECT_EQ(c.status, run.status) << run.err;
    EXPECT_NE(std::string::npos, run.out.find(c.in_output));
    EXPECT_EQ(std::string::npos, run.out.find("D00101"));
    if (c.warning.empty()) {
      EXPECT_EQ("", run.err);
    } else {
      EXPECT_NE(std::string::npos, run.err.find(c.warning)) << run.err;
    }
  }
}

TEST_F(LimitTest, CallsPerSiteDurationsAndTotals) {
  const std::string number = "01234123456";
  const struct {
    const char* what;
    std::string log;
    int status;
    std::string summary;  // the site's count and duration lines
    std::string warning;
  } cases[] = {
      {"10001 calls", Repeat(Call("Dec  7", number, "1"), 10001), kExitOk,
       "Number of Calls = 10001\r\nTotal Calls Duration =  0d 2h 46m 41s\r\n", ""},
      {"10002 calls", Repeat(Call("Dec  7", number, "1"), 10002), kExitLimit,
       "Number of Calls = 10001\r\nTotal Calls Duration =  0d 2h 46m 41s\r\n",
       "warning: site 'site1' has more than 10001 calls; only the first 10001 are counted"},
      {"2147483647 seconds", Call("Dec  7", number, "2147483647"), kExitOk,
       "Number of Calls = 1\r\nTotal Calls Duration =  24855d 3h 14m 7s\r\n", ""},
      {"2147483648 seconds", Call("Dec  7", number, "2147483648"), kExitLimit,
       "Number of Calls = 1\r\nTotal Calls Duration =  0d 0h 0m 0s\r\n",
       "the duration does not fit 32 bits; the call counts 0 seconds"},
      {"site total beyond 32 bits",
       Call("Dec  7", number, "2000000000") + Call("Dec  8", number, "200000000"), kExitLimit,
       "Number of Calls = 2\r\nTotal Calls Duration =  23148d 3h 33m 20s\r\n",
       "kept line 2 ('Dec  8 10:00:01'): the total of site 'site1' would not fit 32 bits"},
      {"negative site total beyond 32 bits",
       Call("Dec  7", number, "-2e9") + Call("Dec  8", number, "-2e8"), kExitLimit,
       "Number of Calls = 2\r\nTotal Calls Duration = -23149d-4h-34m-20s\r\n",
       "the total of site 'site1' would not fit 32 bits"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const CommandRun run = Exec(c.log, {"--format", "summary"});
    EXPECT_EQ(c.status, run.status) << run.err;
    EXPECT_NE(std::string::npos, run.out.find("site1\r\n" + c.summary)) << run.out;
    if (c.warning.empty()) {
      EXPECT_EQ("", run.err);
    } else {
      EXPECT_NE(std::string::npos, run.err.find(c.warning)) << run.err;
    }
  }
}

// Four sites that share one number each count all 10001 calls: a total of
// 40004, beyond a 16-bit sum, still meets the guard.
TEST_F(LimitTest, CallTotalAboveSixteenBitsIsRefused) {
  std::string sites = "\"NoSites\",4,0,0\r\n\"ISDNIdentifier\",\"isdnrouter\",0,0\r\n";
  for (int s = 0; s < 4; ++s) {
    sites +=
        "\"Site\"," + std::to_string(s) + ",\"s" + std::to_string(s) + "\",\"01234123456\"\r\n";
  }
  const std::string config = Config(sites);
  const std::string log = Repeat(Call("Dec  7", "01234123456", "1"), 10001);
  for (const char* format : {"detailed", "showlog"}) {
    SCOPED_TRACE(format);
    const CommandRun run = Exec(log, {"--config", config, "--format", format});
    EXPECT_EQ(kExitFailure, run.status);
    EXPECT_EQ("", run.out);
    EXPECT_EQ("tallix-report: Please reduce the total ISDN calls to <1000\n", run.err);
  }
  const CommandRun saved = Exec(log, {"--config", config});
  EXPECT_EQ(kExitOk, saved.status) << saved.err;
  EXPECT_NE(std::string::npos, saved.out.find("\"s3\",10001,10001,")) << saved.out.substr(0, 600);
}

TEST_F(LimitTest, SiteCountOutOfRangeIsBroughtIn) {
  const struct {
    const char* records;
    int status;
    size_t sites_shown;
  } cases[] = {
      {"\"NoSites\",10,0,0\r\n", kExitOk, 10},
      {"\"NoSites\",11,0,0\r\n", kExitLimit, 10},
      {"\"NoSites\",40000,0,0\r\n", kExitLimit, 10},
      {"\"NoSites\",-1,0,0\r\n", kExitLimit, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.records);
    const CommandRun run = Exec(Call("Dec  7", "01234123456", "5"),
                                {"--config", Config(c.records), "--format", "summary"});
    EXPECT_EQ(c.status, run.status) << run.err;
    size_t rows = 0;
    for (size_t at = run.out.find("Number of Calls = "); at != std::string::npos;
         at = run.out.find("Number of Calls = ", at + 1)) {
      ++rows;
    }
    EXPECT_EQ(c.sites_shown, rows);
  }
}

}  // namespace
}  // namespace tallix
