#include "cli/report_options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <string_view>

#include "engine/util/usage_message.h"

namespace tallix {
namespace {

// The --output that names standard output.
constexpr std::string_view kStandardOutputName = "-";

constexpr std::array<std::string_view, 9> kValueOptions = {"--config", "--select", "--format",
                                                           "--output", "--year",   "--since",
                                                           "--until",  "--by",     "--tariff"};

// A year of four digits at most, 1 to 9999.
std::optional<int> ReadYear(std::string_view text) {
  if (text.empty() || text.size() > 4) return std::nullopt;
  int year = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    year = year * 10 + (c - '0');
  }
  if (year < kFirstYear) return std::nullopt;
  return year;
}

// "saved, summary, ... audit or periods", from the table.
std::string FormatNames() {
  const std::span<const ReportFormat> formats = ReportFormats();
  std::string names;
  for (size_t i = 0; i < formats.size(); ++i) {
    if (i > 0) names += i + 1 == formats.size() ? " or " : ", ";
    names += formats[i].name;
  }
  return names;
}

bool IsValueOption(std::string_view arg) {
  return std::find(kValueOptions.begin(), kValueOptions.end(), arg) != kValueOptions.end();
}

// CLI11 takes "--select=" as "--select" waiting for the next argument; here it
// is the empty value, as --select "" is. So it reaches CLI11 as those two.
// Arguments that are the value of an option, and all after "--", stay as they
// are.
std::vector<std::string> SplitEmptyValues(const std::vector<std::string>& args) {
  std::vector<std::string> split;
  bool is_value = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!is_value && arg == "--") {
      split.insert(split.end(), args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
      break;
    }
    if (!is_value && !arg.empty() && arg.back() == '=' &&
        IsValueOption(std::string_view(arg).substr(0, arg.size() - 1))) {
      split.push_back(arg.substr(0, arg.size() - 1));
      split.emplace_back();
      continue;
    }
    is_value = !is_value && IsValueOption(arg);
    split.push_back(arg);
  }
  return split;
}

}  // namespace

ReportArgs ReadReportArgs(const std::vector<std::string>& args, ReportOptions& options,
                          std::string& problem) {
  CLI::App app;
  // --help and --version are read with the LOGFILE below, in their place
  // among the arguments; the usage text is the command's own.
  app.set_help_flag();
  app.allow_extras();
  std::string config;
  std::string format(ReportFormats().front().name);
  std::string output;
  CLI::Option* const config_option = app.add_option("--config", config);
  std::string tariff;
  CLI::Option* const tariff_option = app.add_option("--tariff", tariff);
  app.add_option("--select", options.select);
  CLI::Option* const format_option = app.add_option("--format", format);
  CLI::Option* const output_option = app.add_option("--output", output);
  std::string year;
  std::string since;
  std::string until;
  std::string by;
  CLI::Option* const year_option = app.add_option("--year", year);
  CLI::Option* const since_option = app.add_option("--since", since);
  CLI::Option* const until_option = app.add_option("--until", until);
  CLI::Option* const by_option = app.add_option("--by", by);
  for (CLI::Option* option : app.get_options()) {
    option->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  }

  std::vector<std::string> reversed = SplitEmptyValues(args);
  std::optional<std::string> lacks_value;
  if (!reversed.empty()) lacks_value = reversed.back();
  std::reverse(reversed.begin(), reversed.end());
  try {
    app.parse(reversed);
    lacks_value.reset();
  } catch (const CLI::ArgumentMismatch&) {
    // Only a value option as the last argument lacks its value; what CLI11
    // left over before it is looked at first.
  }

  // What CLI11 left over, in argument order: the LOGFILEs, "--" and all
  // after it, and every argument that is none of its options.
  bool options_done = false;
  for (const std::string& arg : app.remaining()) {
    if (!options_done && arg == "--") {
      options_done = true;
      continue;
    }
    if (!options_done && arg.size() >= 2 && arg.compare(0, 2, "--") == 0) {
      // The options without a value are read here, where "--follow=x" is
      // seen as written.
      const std::string name = arg.substr(0, arg.find('='));
      const bool is_flag = name == "--help" || name == "--version" || name == "--follow";
      if (is_flag && name != arg) {
        problem = OptionTakesNoValue(name);
        return ReportArgs::kError;
      }
      if (arg == "--help") return ReportArgs::kHelp;
      if (arg == "--version") return ReportArgs::kVersion;
      if (arg == "--follow") {
        options.follow = true;
        continue;
      }
      problem = UnknownOption(name);
      return ReportArgs::kError;
    }
    options.logs.push_back(arg);
  }
  if (lacks_value) {
    problem = OptionNeedsValue(*lacks_value);
    return ReportArgs::kError;
  }
  if (config_option->count() > 0) options.config = config;
  if (tariff_option->count() > 0) options.tariff = tariff;
  // "-" is standard output, as it is standard input among the LOGFILEs.
  if (output_option->count() > 0 && output != kStandardOutputName) options.output = output;
  options.format = FindReportFormat(format);
  if (options.format == nullptr) {
    problem = BadOptionValue("--format", format, "a format", FormatNames());
    return ReportArgs::kError;
  }
  if (year_option->count() > 0) {
    options.year = ReadYear(year);
    if (!options.year) {
      problem = BadOptionValue("--year", year, "a year", "1 to 9999");
      return ReportArgs::kError;
    }
  }
  const auto given = [](const CLI::Option* option, const std::string& text) {
    return option->count() > 0 ? std::optional<std::string_view>(text) : std::nullopt;
  };
  if (const Status range =
          ReadTimeRange(given(since_option, since), given(until_option, until), options.range);
      !range.ok()) {
    problem = range.message();
    return ReportArgs::kError;
  }
  if (by_option->count() > 0) {
    options.by = ReadPeriodUnit(by);
    if (!options.by) {
      problem = BadOptionValue("--by", by, "a period", "day, week or month");
      return ReportArgs::kError;
    }
  }
  if (options.logs.empty()) {
    problem = "no LOGFILE given";
    return ReportArgs::kError;
  }
  // An empty name would be taken as the current folder.
  if (std::find(options.logs.begin(), options.logs.end(), "") != options.logs.end()) {
    problem = "an empty file name was given";
    return ReportArgs::kError;
  }
  // Standard input can be read only once.
  if (std::count(options.logs.begin(), options.logs.end(), "-") > 1) {
    problem = "standard input ('-') was given twice";
    return ReportArgs::kError;
  }
  if (options.follow) {
    if (format_option->count() > 0 && format != "audit") {
      problem = "--follow writes the audit format only";
      return ReportArgs::kError;
    }
    if (std::find(options.logs.begin(), options.logs.end(), "-") != options.logs.end()) {
      problem = "--follow cannot follow standard input";
      return ReportArgs::kError;
    }
    // A replaced file is whole only at the end, and a follow has none.
    if (options.output) {
      problem = "--follow writes to standard output only";
      return ReportArgs::kError;
    }
    options.format = FindReportFormat("audit");
  }
  return ReportArgs::kRun;
}

}  // namespace tallix
