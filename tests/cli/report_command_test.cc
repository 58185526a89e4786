#include "cli/report_command.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>

#include <filesystem>
#include <map>
#include <regex>
#include <sstream>

#include "support/command_runner.h"
#include "support/test_util.h"

namespace tallix {
namespace {

using testing_util::CommandRun;
using testing_util::ReadFile;
using testing_util::RunReport;
using testing_util::TempDir;
using testing_util::WriteFile;

const std::string kExamples = TALLIX_EXAMPLES_DIR;

class ReportCommandTest : public testing::Test {
 protected:
  CommandRun Exec(const std::vector<std::string>& args) {
    return RunReport(args, dir_.Path("bin"), kExamples, dir_.Path("user/Tallix.cfg"));
  }

  TempDir dir_;
};

TEST_F(ReportCommandTest, EveryFormatOnTheExampleLog) {
  const std::string config = kExamples + "/Tallix.cfg";
  for (const char* format :
       {"saved", "summary", "detailed", "showlog", "days", "config", "unmatched", "csv", "audit"}) {
    const CommandRun run = Exec({"--config", config, "--format", format, "router.log"});
    EXPECT_EQ(0, run.status) << format << ": " << run.err;
    EXPECT_EQ("", run.err) << format;
    ASSERT_GE(run.out.size(), 2u) << format;
    EXPECT_EQ("\r\n", run.out.substr(run.out.size() - 2)) << format;
  }
  EXPECT_EQ(ReadFile(config), Exec({"--config", config, "--format", "config", "router.log"}).out);
  EXPECT_EQ("Dec  5\r\nDec  6\r\nDec  7\r\nDec  8\r\n",
            Exec({"--config", config, "--format", "days", "router.log"}).out);
  const std::string saved = Exec({"--config", config, "router.log"}).out;
  EXPECT_EQ(0u, saved.find("ISDN Log Ananysis for file '" + kExamples +
                           "/router.log' on 12/07/26 "
                           "10:30:00\r\n"))
      << saved;
  // The whole web page, and how the example log's totals add up.
  std::string page = ReadFile(std::string(TALLIX_SOURCE_DIR) + "/tests/cli/router-report.html");
  for (size_t at; (at = page.find("@EXAMPLES@")) != std::string::npos;) {
    page.replace(at, 10, kExamples);
  }
  EXPECT_EQ(page,
            Exec({"--config", config, "--format", "html", "--year", "2026", "router.log"}).out);
  const std::string json = Exec({"--config", config, "--format", "json", "router.log"}).out;
  EXPECT_NE(std::string::npos,
            json.find("\"reconciliation\":{\n    \"lines_read\":181,\n    \"kept\":50,\n"
                      "    \"beyond_kept_limit\":0,\n    \"selected\":50,\n    \"credited\":43,\n"
                      "    \"unmatched\":7,\n    \"credits\":43,\n    \"counted\":43,\n"
                      "    \"beyond_site_limit\":0,\n    \"seconds_not_counted\":0,\n"
                      "    \"without_from\":1,\n    \"without_lasted\":1,\n"
                      "    \"without_time\":0}}\n"))
      << json;
}

// A rotated log read in one call, oldest first, gives the report of the whole
// log; the title line names every file in order.
TEST_F(ReportCommandTest, SeveralLogsAreOneLog) {
  const std::string whole = ReadFile(kExamples + "/router.log");
  const size_t cut1 = whole.find('\n', whole.size() / 3) + 1;
  const size_t cut2 = whole.find('\n', 2 * whole.size() / 3) + 1;
  const std::vector<std::string> files = {dir_.Path("router.log.2"), dir_.Path("router.log.1"),
                                          dir_.Path("router.log")};
  WriteFile(files[0], whole.substr(0, cut1));
  WriteFile(files[1], whole.substr(cut1, cut2 - cut1));
  WriteFile(files[2], whole.substr(cut2));
  const std::string config = kExamples + "/Tallix.cfg";
  for (const char* format : {"saved", "json"}) {
    std::string one = Exec({"--config", config, "--format", format, "router.log"}).out;
    std::vector<std::string> args = {"--config", config, "--format", format};
    args.insert(args.end(), files.begin(), files.end());
    const CommandRun run = Exec(args);
    EXPECT_EQ(0, run.status) << run.err;
    const std::string single = kExamples + "/router.log";
    if (std::string(format) == "json") {
      one.replace(one.find(single), single.size(),
                  files[0] + "\",\"" + files[1] + "\",\"" + files[2]);
    } else {
      one.replace(
          0, one.find(" on "),
          "ISDN Log Ananysis for files '" + files[0] + "', '" + files[1] + "', '" + files[2] + "'");
    }
    // Only where each call came from differs: its file and its line in it.
    const std::regex origin(R"(,"file":\d+,"line":\d+)");
    EXPECT_EQ(std::regex_replace(one, origin, ""), std::regex_replace(run.out, origin, ""))
        << format;
  }
}

TEST_F(ReportCommandTest, DefaultConfigurationIsPerUserElseBesideTheProgram) {
  // No file anywhere: the built-in single site.
  CommandRun run = Exec({"--format", "config", "router.log"});
  EXPECT_EQ(0, run.status);
  EXPECT_NE(std::string::npos, run.out.find("\"Site\",0,\"site1\",\"01234123456\"\r\n"));
  std::filesystem::create_directory(dir_.Path("bin"));
  WriteFile(dir_.Path("bin/Tallix.cfg"), "\"NoSites\",0,0,0\r\n\"END\",0,0,0\r\n");
  run = Exec({"--format", "summary", "router.log"});
  EXPECT_EQ(0, run.status);
  EXPECT_EQ(std::string::npos, run.out.find("Number of Calls"));
  // A per-user file wins over the one beside the program; --config over both.
  std::filesystem::create_directory(dir_.Path("user"));
  WriteFile(dir_.Path("user/Tallix.cfg"),
            "\"NoSites\",1,0,0\r\n\"ISDNIdentifier\",\"isdnrouter\",0,0\r\n"
            "\"Site\",0,\"Per User\",\"01234123456\"\r\n\"END\",0,0,0\r\n");
  run = Exec({"--format", "summary", "router.log"});
  EXPECT_NE(std::string::npos, run.out.find("\r\nPer User\r\nNumber of Calls = 26\r\n")) << run.out;
  run = Exec({"--config", dir_.Path("bin/Tallix.cfg"), "--format", "summary", "router.log"});
  EXPECT_EQ(std::string::npos, run.out.find("Number of Calls")) << run.out;
}

TEST_F(ReportCommandTest, SelectionIsPassedUnchanged) {
  const std::string config = kExamples + "/Tallix.cfg";
  const struct {
    std::vector<std::string> select;
    const char* caption;
  } cases[] = {{{"--select", ""}, "Free Date Search : ''"},
               {{"--select="}, "Free Date Search : ''"},
               {{"--select=dec  7"}, "Free Date Search : 'dec  7'"},
               {{"--select", "-"}, "Free Date Search : '-'"},
               {{}, "All Data"}};
  for (const auto& c : cases) {
    std::vector<std::string> args = {"--config", config, "--format", "summary"};
    args.insert(args.end(), c.select.begin(), c.select.end());
    args.push_back("router.log");
    const CommandRun run = Exec(args);
    EXPECT_NE(std::string::npos, run.out.find("\r\n" + std::string(c.caption) + "\r\n")) << run.out;
  }
}

TEST_F(ReportCommandTest, OutputFileIsWrittenInsteadOfStdout) {
  const std::string out = dir_.Path("report.txt");
  const CommandRun run =
      Exec({"--config", kExamples + "/Tallix.cfg", "--output", out, "router.log"});
  EXPECT_EQ(0, run.status);
  EXPECT_EQ("", run.out);
  EXPECT_EQ(Exec({"--config", kExamples + "/Tallix.cfg", "router.log"}).out, ReadFile(out));
  // "-" is standard output, as it is standard input among the LOGFILEs.
  const std::string days = Exec({"--format", "days", "router.log"}).out;
  EXPECT_EQ(days, Exec({"--format", "days", "--output", "-", "router.log"}).out);
}

// The first problem in argument order is the one reported, in one line and
// the line that points at --help; --help ends the reading where it stands.
// A value is quoted at most 80 characters long.
TEST_F(ReportCommandTest, UsageErrorsExitTwo) {
  const std::string formats =
      "saved, summary, detailed, showlog, days, config, unmatched, csv, json, html, audit, "
      "periods or tariffs";
  const std::string long_value(100, 'x');
  const std::string cut = std::string(80, 'x') + "\u2026'";
  std::string accents;  // 81 two-byte characters
  for (int i = 0; i < 81; ++i) accents += "\u00e9";
  const struct {
    std::vector<std::string> args;
    std::string problem;
  } cases[] = {
      {{}, "no LOGFILE given"},
      {{"--format", "pdf", "router.log"}, "--format 'pdf' is not a format: write " + formats},
      {{"--bogus", "router.log"}, "unknown option '--bogus'"},
      {{"--help=x"}, "option '--help' takes no value"},
      {{"--follow=yes", "a"}, "option '--follow' takes no value"},
      {{"router.log", "--output"}, "option '--output' needs a value"},
      {{"--select=", "--format"}, "option '--format' needs a value"},
      {{"--bogus", "--config"}, "unknown option '--bogus'"},
      {{"a", "--bogus", "b"}, "unknown option '--bogus'"},
      {{"a", "b", "--bogus"}, "unknown option '--bogus'"},
      {{"--" + long_value + "=1", "a"}, "unknown option '--" + std::string(78, 'x') + "\u2026'"},
      {{"--format", "nope", "a", "b"}, "--format 'nope' is not a format: write " + formats},
      {{"--config", "--help"}, "no LOGFILE given"},
      {{"--year", "26x", "a"}, "--year '26x' is not a year: write 1 to 9999"},
      {{"--by", "year", "a"}, "--by 'year' is not a period: write day, week or month"},
      {{"--by", accents, "a"},
       "--by '" + accents.substr(0, 160) + "\u2026' is not a period: write day, week or month"},
      {{"--since", "2026-12-08", "--until", "2026-12-07", "a"},
       "--since '2026-12-08' lies after --until '2026-12-07'"},
      {{"--until", "7 Dec", "a"},
       "--until '7 Dec' is not a date and time: write YYYY-MM-DD, 'YYYY-MM-DD hh:mm' or "
       "YYYY-MM-DDThh:mm:ss"},
      {{"--since", long_value, "a"},
       "--since '" + cut +
           " is not a date and time: write YYYY-MM-DD, 'YYYY-MM-DD hh:mm' or YYYY-MM-DDThh:mm:ss"},
      {{"-", "a", "-"}, "standard input ('-') was given twice"},
      {{"--follow", "--format", "csv", "a"}, "--follow writes the audit format only"},
      {{"--follow", "a", "-"}, "--follow cannot follow standard input"},
      {{"--follow", "--output", "x", "a"}, "--follow writes to standard output only"},
  };
  for (const auto& c : cases) {
    const CommandRun run = Exec(c.args);
    EXPECT_EQ(2, run.status) << c.problem;
    EXPECT_EQ("tallix-report: " + c.problem + "\nTry 'tallix-report --help'.\n", run.err);
    EXPECT_EQ("", run.out);
  }
  EXPECT_EQ("tallix-report 1.1.0\n", Exec({"--version"}).out);
  for (const std::vector<std::string>& help : {std::vector<std::string>{"--help"},
                                               {"--help", "--bogus"},
                                               {"router.log", "--help", "--config"}}) {
    const CommandRun run = Exec(help);
    EXPECT_EQ(0, run.status);
    EXPECT_EQ(ReportCommandUsage(), run.out);
  }
  const std::string usage = ReportCommandUsage();
  EXPECT_EQ(
      "usage: tallix-report [--config FILE] [--tariff FILE] [--select TEXT] [--since WHEN]\n"
      "                     [--until WHEN] [--year YEAR] [--by PERIOD] [--format FORMAT]\n"
      "                     [--output FILE] LOGFILE...\n"
      "       tallix-report [--config FILE] [--tariff FILE] [--select TEXT] [--since WHEN]\n"
      "                     [--until WHEN] [--year YEAR] --follow LOGFILE...\n"
      "       tallix-report --help | --version\n"
      "\n"
      "Loads a router log, tallies the calls of the configured sites and writes a report.\n"
      "Several LOGFILEs are loaded as one log, in the order given; gzip, xz, zstd and\n"
      "bzip2 files are decompressed, whatever their names. A LOGFILE of - reads\n"
      "standard input (once); a named pipe or character device is read the same way.\n"
      "\n"
      "  --config FILE    site configuration (default: ~/.config/Tallix/Tallix.cfg when\n"
      "                   it exists, else Tallix.cfg beside the program, else the\n"
      "                   built-in defaults)\n"
      "  --tariff FILE    tariffs and budgets to cost the calls with (default:\n"
      "                   ~/.config/Tallix/Tariffs.toml when it exists, else\n"
      "                   Tariffs.toml beside the program, else no costs)\n"
      "  --select TEXT    tally the calls whose time stamp contains TEXT\n"
      "                   (default: one blank, all data)\n"
      "  --since WHEN     tally only the calls at WHEN or later, and\n"
      "  --until WHEN     at WHEN or earlier: YYYY-MM-DD (--until: the whole day),\n"
      "                   'YYYY-MM-DD hh:mm' or YYYY-MM-DDThh:mm:ss\n"
      "  --year YEAR      the year of the log's first syslog stamp without a year\n"
      "                   (default: from the last LOGFILE's modification time)\n"
      "  --by PERIOD      day, week or month: the periods of --format periods and\n"
      "                   of json and html (periods default: month)\n"
      "  --format FORMAT  saved (default), summary, detailed, showlog, days, config,\n"
      "                   unmatched, csv, json, html, audit, periods or tariffs\n"
      "  --output FILE    write to FILE instead of standard output (- is standard\n"
      "                   output)\n"
      "  --follow         write the audit, then a row for each call-end line added to\n"
      "                   the last LOGFILE, following it when rotated, until SIGINT or\n"
      "                   SIGTERM; takes no other --format, no --output FILE and no -\n"
      "  --help           show this text\n"
      "  --version        show the version\n"
      "\n"
      "Exit status: 0 written; 1 failure; 2 usage error; 3 written, but a fixed limit\n"
      "was reached.\n",
      usage);
  // Every option the list explains is in the synopsis, an option added later too.
  const std::string synopsis = usage.substr(0, usage.find("\n\n"));
  for (size_t at = usage.find("\n  --"); at != std::string::npos;
       at = usage.find("\n  --", at + 1)) {
    const std::string option = usage.substr(at + 3, usage.find(' ', at + 3) - at - 3);
    EXPECT_NE(std::string::npos, synopsis.find(option)) << option;
  }
}

// A log across New Year, its year from the file's time or --year, with an
// RFC 3339 line among the syslog ones; ranges and periods over its times.
TEST_F(ReportCommandTest, TimesAcrossNewYear) {
  const std::string log = dir_.Path("ny.log");
  WriteFile(log,
            "Dec 31 23:00:00 isdnrouter isdn: call from 01234123456 disconnected, lasted 75 s\n"
            "Jan  1 00:10:00 isdnrouter isdn: call from 01234123456 disconnected, lasted 26 s\n"
            "2027-01-20T10:00:01.5+01:00 isdnrouter isdn: call from 01234123456 disconnected, "
            "lasted 10 s\n"
            "Jan 21 10:00:00 isdnrouter isdn: call to nowhere disconnected\n");
  const timeval feb_1_2027[2] = {{1801483200, 0}, {1801483200, 0}};  // 12:00 UTC
  ASSERT_EQ(0, ::utimes(log.c_str(), feb_1_2027));
  const struct {
    std::vector<std::string> args;
    const char* out;
  } cases[] = {
      {{"--format", "periods", "--by", "week", log},
       "period,start,end,site,calls,seconds,average_seconds,longest_seconds,change_calls,"
       "change_seconds\r\n"
       "2026-W53,2026-12-28,2027-01-03,site1,2,101,51,75,,\r\n"
       "2027-W01,2027-01-04,2027-01-10,site1,0,0,0,0,-2,-101\r\n"
       "2027-W02,2027-01-11,2027-01-17,site1,0,0,0,0,0,0\r\n"
       "2027-W03,2027-01-18,2027-01-24,site1,1,10,10,10,1,10\r\n"},
      {{"--format", "csv", "--since", "2027-01-01", "--until", "2027-01-20", log},
       "site,number,stamp,seconds,time\r\n"
       "site1,01234123456,Jan  1 00:10:00,26,2027-01-01T00:10:00\r\n"
       "site1,01234123456,Jan 20 10:00:01,10,2027-01-20T10:00:01+01:00\r\n"},
      {{"--format", "csv", "--year", "2030", "--select", "Dec", log},
       "site,number,stamp,seconds,time\r\nsite1,01234123456,Dec 31 23:00:00,75,"
       "2030-12-31T23:00:00\r\n"},
      {{"--format", "days", log}, "Dec 31\r\nJan  1\r\nJan 20\r\nJan 21\r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.out, Exec(c.args).out) << c.args[1];
  const std::string json = Exec({"--format", "json", "--since", "2027-01-01 00:10", log}).out;
  EXPECT_NE(std::string::npos, json.find("\"caption\":\"All Data, since 1 Jan 2027 00:10\""))
      << json;
  EXPECT_NE(std::string::npos, json.find("\"first_time\":\"2026-12-31T23:00:00\",\"last_time\":"
                                         "\"2027-01-21T10:00:00\""))
      << json;
}

TEST_F(ReportCommandTest, FailuresExitOneAndNameTheFile) {
  WriteFile(dir_.Path("plain"), "x");
  const std::string config = kExamples + "/Tallix.cfg";
  const struct {
    std::vector<std::string> args;
    std::string named;
  } cases[] = {
      {{"--config", config, "missing.log"}, "missing.log"},
      {{"--config", config, "router.log", "--", "--missing.log"}, "--missing.log"},
      {{"--config", config, kExamples}, kExamples},
      {{"--config", dir_.Path("nope.cfg"), "router.log"}, "nope.cfg"},
      {{"--config", config, "--output", dir_.Path("plain/out"), "router.log"}, "plain/out"},
      {{"--config", config, "--output", "/dev/full", "router.log"}, "/dev/full"},
  };
  for (const auto& c : cases) {
    const CommandRun run = Exec(c.args);
    EXPECT_EQ(1, run.status) << c.named;
    EXPECT_NE(std::string::npos, run.err.find(c.named)) << run.err;
    EXPECT_EQ(1, std::count(run.err.begin(), run.err.end(), '\n')) << run.err;
  }
}

TEST_F(ReportCommandTest, LimitReachedExitsThreeAfterWriting) {
  WriteFile(dir_.Path("big.log"),
            "Dec  7 10:00:01 isdnrouter call from 01234123456 disconnected, lasted 9e99\n");
  const CommandRun run = Exec({"--format", "summary", dir_.Path("big.log")});
  EXPECT_EQ(3, run.status);
  EXPECT_NE(std::string::npos, run.out.find("Number of Calls = 1\r\n"));
  EXPECT_NE(std::string::npos, run.err.find("warning: ")) << run.err;
  EXPECT_NE(std::string::npos, run.err.find("32 bits")) << run.err;
}

// Nothing given to the command is destroyed, whatever it is asked: an output
// that would replace an input is refused, a configuration that means nothing
// or a per-user file passed over is said, a log given twice is named, and so
// is a log of no call-end line.
// Every row starts from the same folder and must leave it exactly as it was:
// the same names, bytes and inodes (the successful rows write to standard
// output). "@" stands for that folder.
TEST_F(ReportCommandTest, InputsSurviveEveryCommand) {
  namespace fs = std::filesystem;
  // A gzip member of no text.
  const std::string gzip_empty("\x1f\x8b\x08\0\0\0\0\0\0\x03\x03\0\0\0\0\0\0\0\0\0", 20);
  const struct {
    std::vector<std::string> args;
    const char* per_user;  // what ~/.config/Tallix/Tallix.cfg is: "", "folder" or "zero"
    int status;
    const char* message;
  } rows[] = {
      {{"--format", "days", "--output", "@/in.log", "@/in.log"},
       "",
       1,
       "file '@/in.log' would replace the log file '@/in.log'; nothing was written"},
      {{"--output", "@/link", "@/in.log"}, "", 1, "would replace the log file '@/in.log'"},
      {{"--output", "@/hard", "@/other.log", "@/in.log"}, "", 1, "the log file '@/in.log'"},
      {{"--config", "@/my.cfg", "--format", "html", "--output", "@/my.cfg", "@/in.log"},
       "",
       1,
       "would replace the configuration file '@/my.cfg'"},
      {{"--config", "@/empty.cfg", "@/in.log"},
       "",
       0,
       "warning: configuration file '@/empty.cfg': none of its records was recognised"},
      {{"--config", "@/binary.cfg", "@/in.log"}, "", 0, "none of its records was recognised"},
      {{"--config", "@/in.log", "@/in.log"}, "", 0, "every line with \"disconnected\" is kept"},
      {{"@/in.log"}, "folder", 0, "user/Tallix.cfg' was skipped: it is a directory"},
      {{"@/in.log"}, "zero", 0, "user/Tallix.cfg' was skipped: it is not an ordinary file"},
      {{"--config", "@/quote.cfg", "--format", "config", "--output", "@/out.cfg", "@/in.log"},
       "",
       1,
       "The ISDN identifier holds a double quote"},
      {{"@/esc.log"}, "", 3, "kept line 1 ('\\x1B[2J\\x1B]0;X\\x07 isdn')"},
      {{"@/in.log", "@/in.log"}, "", 0, "'@/in.log' was given twice; its calls are counted twice"},
      {{"@/in.log", "@/hard"}, "", 0, "'@/hard' is the same file as '@/in.log'"},
      {{"@/nothing.log"},
       "",
       0,
       "warning: the log holds no line with the router identifier \"isdnrouter\" and "
       "\"disconnected\"; every site shows 0 calls"},
      {{"@/in.log", ""}, "", 2, "an empty file name was given"},
      {{"@/stray.gz"}, "", 1, "stray bytes after the compressed data"},
      {{"@/window.zst"}, "", 1, "needs 256 MiB to decompress, more than the 128 MiB allowed"},
  };
  for (const auto& row : rows) {
    TempDir dir;
    const auto at = [&](std::string text) {
      for (size_t i; (i = text.find('@')) != std::string::npos;) text.replace(i, 1, dir.Path(""));
      for (size_t i; (i = text.find("//")) != std::string::npos;) text.erase(i, 1);
      return text;
    };
    const std::string log = ReadFile(kExamples + "/router.log");
    std::string binary;
    for (int i = 0; i < 65536; ++i) binary += static_cast<char>(i * 7919 >> 3);
    for (const auto& [name, bytes] : std::map<std::string, std::string>{
             {"in.log", log},
             {"other.log", log.substr(0, 500)},
             {"nothing.log", "Dec  7 10:00:01 otherhost disconnected\n"},
             {"my.cfg", ReadFile(kExamples + "/Tallix.cfg")},
             {"empty.cfg", ""},
             {"binary.cfg", binary},
             {"quote.cfg", "\"NoSites\",1,0,0\r\n\"ISDNIdentifier\",isdn\"router,0,0\r\n"},
             {"esc.log",
              "\x1b[2J\x1b]0;X\x07 isdnrouter call from 01234123456 disconnected, lasted 9e99\n"},
             {"stray.gz", gzip_empty + "xy"},
             // A zstd frame header asking for a 256 MiB window.
             {"window.zst", std::string("\x28\xb5\x2f\xfd\x00\x90\x01\x00\x00", 9)}}) {
      WriteFile(dir.Path(name), bytes);
    }
    fs::create_symlink("in.log", dir.Path("link"));
    fs::create_hard_link(dir.Path("in.log"), dir.Path("hard"));
    fs::create_directories(dir.Path("user"));
    if (std::string(row.per_user) == "folder") fs::create_directory(dir.Path("user/Tallix.cfg"));
    if (std::string(row.per_user) == "zero")
      fs::create_symlink("/dev/zero", dir.Path("user/Tallix.cfg"));
    const auto snapshot = [&] {
      std::map<std::string, std::string> files;
      for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
        struct stat st {};
        ::lstat(entry.path().c_str(), &st);
        files[entry.path().string()] = std::to_string(st.st_ino) + ":" +
                                       (entry.is_symlink() ? fs::read_symlink(entry.path()).string()
                                        : entry.is_regular_file() ? ReadFile(entry.path().string())
                                                                  : "");
      }
      return files;
    };
    const auto before = snapshot();
    std::vector<std::string> args;
    for (const std::string& arg : row.args) args.push_back(at(arg));
    const CommandRun run =
        RunReport(args, dir.Path("bin"), dir.Path(""), dir.Path("user/Tallix.cfg"));
    const std::string message = at(row.message);
    EXPECT_EQ(row.status, run.status) << message << "\n" << run.err;
    EXPECT_NE(std::string::npos, run.err.find(message)) << run.err;
    EXPECT_EQ(std::string::npos, run.err.find('\x1b')) << message;
    EXPECT_TRUE(before == snapshot()) << message;
  }
}

}  // namespace
}  // namespace tallix
