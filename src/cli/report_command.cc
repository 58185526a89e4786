#include "cli/report_command.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>

#include "engine/analysis/tally.h"
#include "engine/config/config_file.h"
#include "engine/config/config_location.h"
#include "engine/log/log_loader.h"
#include "engine/util/text_file.h"

namespace tallix {
namespace {

constexpr char kProgram[] = "tallix-report";

struct Options {
  std::optional<std::string> config;
  std::string select{kAllDataSelection};
  std::string format = "saved";
  std::optional<std::string> output;
  std::string log;
};

enum class Parse { kRun, kHelp, kVersion, kError };

// Accepts "--name value" and "--name=value".
Parse ParseArgs(const std::vector<std::string>& args, Options& options, std::string& problem) {
  bool have_log = false;
  bool options_done = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!options_done && arg == "--") {
      options_done = true;
      continue;
    }
    if (options_done || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
      if (have_log) {
        problem = "more than one LOGFILE given";
        return Parse::kError;
      }
      options.log = arg;
      have_log = true;
      continue;
    }
    if (arg == "--help") return Parse::kHelp;
    if (arg == "--version") return Parse::kVersion;
    std::string name = arg;
    std::optional<std::string> value;
    if (const size_t eq = arg.find('='); eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
    }
    if (name != "--config" && name != "--select" && name != "--format" && name != "--output") {
      problem = "unknown option '" + name + "'";
      return Parse::kError;
    }
    if (!value) {
      if (i + 1 >= args.size()) {
        problem = "option '" + name + "' needs a value";
        return Parse::kError;
      }
      value = args[++i];
    }
    if (name == "--config") options.config = *value;
    if (name == "--select") options.select = *value;
    if (name == "--format") options.format = *value;
    if (name == "--output") options.output = *value;
  }
  static const char* const kFormats[] = {"saved",   "summary", "detailed",
                                         "showlog", "days",    "config"};
  if (std::find(std::begin(kFormats), std::end(kFormats), options.format) == std::end(kFormats)) {
    problem = "unknown format '" + options.format + "'";
    return Parse::kError;
  }
  if (!have_log) {
    problem = "no LOGFILE given";
    return Parse::kError;
  }
  return Parse::kRun;
}

std::string AbsoluteLogPath(const std::string& log, const std::string& current_dir) {
  namespace fs = std::filesystem;
  fs::path path(log);
  if (path.is_relative()) path = fs::path(current_dir) / path;
  return path.lexically_normal().string();
}

int Fail(std::ostream& err, const std::string& message) {
  err << kProgram << ": " << message << '\n';
  return kExitFailure;
}

}  // namespace

std::string ReportCommandUsage() {
  return "usage: tallix-report [--config FILE] [--select TEXT] [--format FORMAT]\n"
         "                     [--output FILE] LOGFILE\n"
         "\n"
         "Loads a router log, tallies the calls of the configured sites and writes a report.\n"
         "\n"
         "  --config FILE    site configuration (default: ~/.config/Tallix/Tallix.cfg when\n"
         "                   it exists, else Tallix.cfg beside the program, else the\n"
         "                   built-in defaults)\n"
         "  --select TEXT    tally the calls whose time stamp contains TEXT\n"
         "                   (default: one blank, all data)\n"
         "  --format FORMAT  saved (default), summary, detailed, showlog, days or config\n"
         "  --output FILE    write to FILE instead of standard output\n"
         "  --help           show this text\n"
         "  --version        show the version\n"
         "\n"
         "Exit status: 0 written; 1 failure; 2 usage error; 3 written, but a fixed limit\n"
         "was reached.\n";
}

int RunReportCommand(const std::vector<std::string>& args, const ReportCommandEnv& env,
                     std::ostream& out, std::ostream& err) {
  auto data = std::make_unique<TallixData>();
  return RunReportCommand(args, env, out, err, *data);
}

int RunReportCommand(const std::vector<std::string>& args, const ReportCommandEnv& env,
                     std::ostream& out, std::ostream& err, TallixData& tables) {
  Options options;
  std::string problem;
  switch (ParseArgs(args, options, problem)) {
    case Parse::kHelp:
      out << ReportCommandUsage();
      return kExitOk;
    case Parse::kVersion:
      out << kProgram << ' ' << TALLIX_VERSION_MAJOR << '.' << TALLIX_VERSION_MINOR << '.'
          << TALLIX_VERSION_PATCH << '\n';
      return kExitOk;
    case Parse::kError:
      err << kProgram << ": " << problem << "\n\n" << ReportCommandUsage();
      return kExitUsage;
    case Parse::kRun:
      break;
  }

  std::vector<std::string> warnings;

  const std::string config_path =
      options.config ? *options.config
                     : ChooseConfigLocation(
                           {env.per_user_config,
                            (std::filesystem::path(env.program_dir) / kConfigFileName).string()},
                           SystemConfigFileChecks())
                           .read_path;
  if (options.config && !IsRegularFile(*options.config)) {
    return Fail(err,
                "configuration file: cannot read '" + *options.config + "': no such ordinary file");
  }
  const ConfigReadResult config = ReadConfigFile(tables, config_path);
  if (!config.ok) return Fail(err, config.error);
  warnings.insert(warnings.end(), config.warnings.begin(), config.warnings.end());

  const LoadResult load = LoadLog(tables, AbsoluteLogPath(options.log, env.current_dir));
  if (!load.ok) return Fail(err, load.error);
  warnings.insert(warnings.end(), load.warnings.begin(), load.warnings.end());

  const TallyResult tally = TallyCalls(tables, options.select);
  warnings.insert(warnings.end(), tally.warnings.begin(), tally.warnings.end());

  std::string text;
  const std::string& f = options.format;
  if ((f == "detailed" || f == "showlog") && !CallTotalGuardPasses(tables)) {
    return Fail(err, kCallTotalMessage);
  }
  if (f == "saved") {
    text = SavedReportText(tables, env.now);
  } else if (f == "summary") {
    text = JoinCrLf(PrintedSummaryLines(tables, tally.caption, env.now));
  } else if (f == "detailed") {
    text = JoinCrLf(PrintedDetailedLogLines(tables, tally.caption, env.now));
  } else if (f == "showlog") {
    text = ShowLogText(tables, env.now);
  } else if (f == "days") {
    text = JoinCrLf(DayList(tables));
  } else {
    text = ConfigFileText(SiteConfigOf(tables));
  }

  if (options.output) {
    const FileResult written = WriteWholeFile(*options.output, text);
    if (!written.ok) return Fail(err, "output file: " + written.error);
  } else {
    out << text;
    out.flush();
    if (!out) return Fail(err, "cannot write the report to standard output");
  }
  for (const std::string& warning : warnings) err << kProgram << ": warning: " << warning << '\n';
  return warnings.empty() ? kExitOk : kExitLimit;
}

}  // namespace tallix
