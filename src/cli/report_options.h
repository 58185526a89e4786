#pragma once
// tallix-report's arguments: the options, read by CLI11, and the LOGFILEs.
// "--name value" and "--name=value" both work, the last of a repeated option
// wins, and "--" ends the options. The first problem in argument order is the
// one reported, and --help or --version ends the reading where it stands.

#include <optional>
#include <string>
#include <vector>

#include "cli/report_formats.h"
#include "engine/analysis/periods.h"
#include "engine/analysis/time_range.h"

namespace tallix {

struct ReportOptions {
  std::optional<std::string> config;
  std::optional<std::string> tariff;  // --tariff: the tariff file
  std::string select{kAllDataSelection};
  const ReportFormat* format = nullptr;  // never null once read
  std::optional<std::string> output;     // unset for standard output, "--output -" too
  std::optional<int> year;               // --year: the first traditional stamp's year
  TimeRange range;                       // --since, --until
  std::optional<PeriodUnit> by;          // --by
  std::vector<std::string> logs;         // in the order given, at least one once read
  bool follow = false;                   // --follow: the audit, then rows as the last log grows
};

enum class ReportArgs { kRun, kHelp, kVersion, kError };

// Reads `args` (without the program name) into `options`. kError sets
// `problem` to a one-line message in the forms of usage_message.h: an
// unknown option, an option without its value, --help, --version or
// --follow given one, a --format, --year, --since, --until or --by value that
// is not one, and "no LOGFILE given", "an empty file name was given" (an
// empty LOGFILE), "standard input ('-') was given twice", "--follow writes the
// audit format only", "--follow cannot follow standard input" or "--follow
// writes to standard output only".
ReportArgs ReadReportArgs(const std::vector<std::string>& args, ReportOptions& options,
                          std::string& problem);

}  // namespace tallix
