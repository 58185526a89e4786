#include "cli/report_command.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>

#include "cli/load_progress.h"
#include "cli/report_formats.h"
#include "cli/report_options.h"
#include "engine/analysis/tally.h"
#include "engine/config/config_file.h"
#include "engine/config/config_location.h"
#include "engine/log/log_loader.h"
#include "engine/util/text_file.h"

namespace tallix {
namespace {

constexpr char kProgram[] = "tallix-report";

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

// The usage's --format entry, from the table: "saved (default), summary, ...
// days or config", wrapped at the usage's width under its own column.
std::string FormatList() {
  constexpr size_t kWidth = 79;
  const std::string indent(19, ' ');
  const std::span<const ReportFormat> formats = ReportFormats();
  std::string text = "  --format FORMAT  ";
  size_t line_start = 0;
  for (size_t i = 0; i < formats.size(); ++i) {
    std::string word(formats[i].name);
    if (i == 0) word += " (default)";
    if (i + 1 < formats.size() - 1) word += ",";
    if (i + 1 == formats.size() - 1) word += " or";
    if (i > 0) {
      if (text.size() - line_start + 1 + word.size() > kWidth) {
        text += "\n";
        line_start = text.size();
        text += indent;
      } else {
        text += ' ';
      }
    }
    text += word;
  }
  return text + "\n";
}

}  // namespace

std::string ReportCommandUsage() {
  return "usage: tallix-report [--config FILE] [--select TEXT] [--format FORMAT]\n"
         "                     [--output FILE] LOGFILE...\n"
         "\n"
         "Loads a router log, tallies the calls of the configured sites and writes a report.\n"
         "Several LOGFILEs are loaded as one log, in the order given; gzip, xz and zstd\n"
         "files are decompressed, whatever their names.\n"
         "\n"
         "  --config FILE    site configuration (default: ~/.config/Tallix/Tallix.cfg when\n"
         "                   it exists, else Tallix.cfg beside the program, else the\n"
         "                   built-in defaults)\n"
         "  --select TEXT    tally the calls whose time stamp contains TEXT\n"
         "                   (default: one blank, all data)\n" +
         FormatList() +
         "  --output FILE    write to FILE instead of standard output\n"
         "  --help           show this text\n"
         "  --version        show the version\n"
         "\n"
         "Exit status: 0 written; 1 failure; 2 usage error; 3 written, but a fixed limit\n"
         "was reached.\n";
}

int RunReportCommand(const std::vector<std::string>& args, const ReportCommandEnv& env,
                     std::ostream& out, std::ostream& err) {
  ReportOptions options;
  std::string problem;
  switch (ReadReportArgs(args, options, problem)) {
    case ReportArgs::kHelp:
      out << ReportCommandUsage();
      return kExitOk;
    case ReportArgs::kVersion:
      out << kProgram << ' ' << TALLIX_VERSION_MAJOR << '.' << TALLIX_VERSION_MINOR << '.'
          << TALLIX_VERSION_PATCH << '\n';
      return kExitOk;
    case ReportArgs::kError:
      err << kProgram << ": " << problem << "\n\n" << ReportCommandUsage();
      return kExitUsage;
    case ReportArgs::kRun:
      break;
  }
  // A run's tables: some hundred megabytes of address space, of which a small
  // log touches little.
  const auto tables_owner = std::make_unique<TallixData>();
  TallixData& tables = *tables_owner;
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

  std::vector<std::string> logs;
  for (const std::string& log : options.logs) logs.push_back(AbsoluteLogPath(log, env.current_dir));
  LoadOptions load_options;
  std::optional<LoadProgressLine> progress;
  if (env.progress_on_err) {
    std::string names;
    for (const std::string& log : logs) {
      names += (names.empty() ? "" : ", ") + std::filesystem::path(log).filename().string();
    }
    const auto start = std::chrono::steady_clock::now();
    progress.emplace(err, names, [start] {
      return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    });
    load_options.progress = [&progress](uint64_t done, uint64_t total) {
      return progress->Report(done, total);
    };
  }
  const LoadResult load = LoadLogs(tables, logs, load_options);
  if (progress) progress->Finish();
  if (!load.ok) return Fail(err, load.error);
  warnings.insert(warnings.end(), load.warnings.begin(), load.warnings.end());

  const TallyResult tally = TallyCalls(tables, options.select);
  warnings.insert(warnings.end(), tally.warnings.begin(), tally.warnings.end());

  const ReportFormat& format = *options.format;
  if (format.guard != nullptr) {
    if (const std::string refusal = format.guard(tables); !refusal.empty()) {
      return Fail(err, refusal);
    }
  }
  const std::string text = format.render({tables, options.select, tally, warnings, env.now});

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
