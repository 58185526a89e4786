#pragma once
// The rules that the window and tallix-report follow alike: which files an
// output may not replace, and which warnings a run gives.

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/analysis/tally.h"
#include "engine/util/warning_limit.h"

namespace tallix {

// A file the run read, which no output may replace.
struct InputFile {
  enum class Kind { kLog, kConfig };
  Kind kind = Kind::kLog;
  std::string path;  // as the caller named it
};

// The first of `logs`, then of `configs`, that `output` leads to by device
// and inode, whatever names lead there (a link, a hard link, "./x" for "x");
// nullopt when it is none of them.
std::optional<InputFile> InputFileAt(const std::string& output, std::span<const std::string> logs,
                                     std::span<const std::string> configs);

// Every warning of a run, in the order the reports list them: the fixed
// limits met reading the configuration, loading the log and tallying. Each
// source caps its own kinds (warning_limit.h), and no two share a kind.
std::vector<std::string> RunWarnings(std::span<const std::string> config,
                                     std::span<const std::string> load, const TallyResult& tally);

}  // namespace tallix
