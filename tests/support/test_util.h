#pragma once
// Helpers shared by the engine tests: a temporary directory, the kept lines
// as strings, and whole-file reads and writes.

#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "engine/app/shared_data.h"
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

// LogLines 0..LineCount-1, copied.
std::vector<std::string> KeptLines(const TallixData& data);

// A tally over shared data that a test filled, with a fixed heading: what
// every report is made from.
struct Tallied {
  Tallied(std::unique_ptr<TallixData> tables, std::string_view selection,
          const ReportDateTime& when = {"07/12/2026", "10:30:00"})
      : data(std::move(tables)),
        tally(TallyCalls(*data, selection)),
        heading(MakeReportHeading(*data, when)) {}
  ReportRequest request(std::span<const std::string> warnings = {}) const {
    return {*data, tally, heading, warnings};
  }
  std::unique_ptr<TallixData> data;
  TallyResult tally;
  ReportHeading heading;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& contents);

}  // namespace tallix::testing_util
