#pragma once
// Helpers shared by the engine tests: a temporary directory, logs and site
// configurations made in place, the kept lines as strings, and whole-file
// reads and writes.

#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "engine/analysis/tally.h"
#include "engine/config/site_config.h"
#include "engine/log/loaded_log.h"
#include "engine/reports/report_text.h"

namespace tallix::testing_util {

// A fresh directory under the system's temporary folder, removed at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string Path(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// The kept lines' texts, copied.
std::vector<std::string> KeptLines(const LoadedLog& log);

// A log of one file, "/log", that kept `lines` as they stand (without times
// unless they carry RFC 3339 or traditional stamps, read with the year
// 2026), the nth kept line being line n of the file.
LoadedLog LogOf(const std::vector<std::string>& lines, const std::string& path = "/log");

// Sites "site1", "site2", ... with the given numbers, all in use, and the
// identifier "isdnrouter".
SiteConfig SitesOf(const std::vector<std::string>& numbers);

// A tally of a log and sites that a test made, with a fixed heading: what
// every report is made from. Not moved once made: the tally points into
// the log.
struct Tallied {
  Tallied(LoadedLog log_in, SiteConfig config_in, std::string_view selection,
          const ReportDateTime& when = {"07/12/2026", "10:30:00"},
          const Tariffs* tariffs_in = nullptr)
      : log(std::move(log_in)),
        config(std::move(config_in)),
        tariffs(tariffs_in),
        tally(TallyCalls(log, config, selection, {}, tariffs)),
        heading(MakeReportHeading(log, when)) {}
  Tallied(const Tallied&) = delete;
  Tallied& operator=(const Tallied&) = delete;
  ReportRequest request(std::span<const std::string> warnings = {}) const {
    return {log, config, tally, heading, warnings, std::nullopt, tariffs};
  }
  LoadedLog log;
  SiteConfig config;
  const Tariffs* tariffs;
  TallyResult tally;
  ReportHeading heading;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& contents);

}  // namespace tallix::testing_util
