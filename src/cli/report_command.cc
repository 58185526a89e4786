#include "cli/report_command.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>

#include "cli/follow_command.h"
#include "cli/load_progress.h"
#include "cli/report_formats.h"
#include "cli/report_options.h"
#include "engine/analysis/tally.h"
#include "engine/app/run_policy.h"
#include "engine/config/config_file.h"
#include "engine/config/config_location.h"
#include "engine/log/log_loader.h"
#include "engine/log/log_stream.h"
#include "engine/output/output_file.h"
#include "engine/util/file_identity.h"
#include "engine/util/text_file.h"
#include "engine/util/visible_text.h"

namespace tallix {
namespace {

constexpr char kProgram[] = "tallix-report";

std::string AbsoluteLogPath(const std::string& log, const std::string& current_dir) {
  namespace fs = std::filesystem;
  if (log == kStandardInputName) return log;
  fs::path path(log);
  if (path.is_relative()) path = fs::path(current_dir) / path;
  return path.lexically_normal().string();
}

// Every message reaches the terminal through here: file names and log text
// may hold control characters, written as visible escapes.
void Say(std::ostream& err, std::string_view kind, const std::string& message) {
  err << kProgram << ": " << kind << VisibleText(message) << '\n';
}

int Fail(std::ostream& err, const std::string& message) {
  Say(err, "", message);
  return kExitFailure;
}

// A file given twice is loaded twice, and its calls counted twice: allowed,
// but said.
std::vector<std::string> RepeatedLogs(const std::vector<std::string>& logs) {
  std::vector<std::string> notes;
  std::vector<std::optional<FileIdentity>> ids;
  for (const std::string& log : logs) {
    ids.push_back(log == kStandardInputName ? std::nullopt : IdentityOf(log));
  }
  for (size_t later = 1; later < logs.size(); ++later) {
    for (size_t first = 0; first < later; ++first) {
      if (!ids[later] || ids[first] != ids[later]) continue;
      notes.push_back(
          (logs[first] == logs[later]
               ? "the log file '" + logs[later] + "' was given twice"
               : "the log file '" + logs[later] + "' is the same file as '" + logs[first] + "'") +
          "; its calls are counted twice");
      break;
    }
  }
  return notes;
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
         "       tallix-report [--config FILE] [--select TEXT] --follow LOGFILE...\n"
         "\n"
         "Loads a router log, tallies the calls of the configured sites and writes a report.\n"
         "Several LOGFILEs are loaded as one log, in the order given; gzip, xz and zstd\n"
         "files are decompressed, whatever their names. A LOGFILE of - reads standard\n"
         "input (once); a named pipe or character device is read the same way.\n"
         "\n"
         "  --config FILE    site configuration (default: ~/.config/Tallix/Tallix.cfg when\n"
         "                   it exists, else Tallix.cfg beside the program, else the\n"
         "                   built-in defaults)\n"
         "  --select TEXT    tally the calls whose time stamp contains TEXT\n"
         "                   (default: one blank, all data)\n" +
         FormatList() +
         "  --output FILE    write to FILE instead of standard output\n"
         "  --follow         write the audit, then a row for each call-end line added to\n"
         "                   the last LOGFILE, following it when rotated, until SIGINT or\n"
         "                   SIGTERM; takes no other --format, no --output and no -\n"
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
      Say(err, "", problem);
      err << '\n' << ReportCommandUsage();
      return kExitUsage;
    case ReportArgs::kRun:
      break;
  }
  // From here on, a stop signal ends a follow in order.
  std::optional<StopSignals> stop;
  if (options.follow) stop.emplace();
  // A run's tables: some hundred megabytes of address space, of which a small
  // log touches little.
  const auto tables_owner = std::make_unique<TallixData>();
  TallixData& tables = *tables_owner;

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
  std::vector<std::string> logs;
  for (const std::string& log : options.logs) logs.push_back(AbsoluteLogPath(log, env.current_dir));
  if (options.output) {
    // Standard input has no name to protect.
    std::vector<std::string> named = logs;
    std::erase(named, std::string(kStandardInputName));
    if (const auto input = InputFileAt(*options.output, named, {&config_path, 1})) {
      const char* what =
          input->kind == InputFile::Kind::kLog ? "the log file '" : "the configuration file '";
      return Fail(err, "output file '" + *options.output + "' would replace " + what + input->path +
                           "'; nothing was written");
    }
  }
  // Remarks that leave the exit status as it is.
  std::vector<std::string> notes;
  if (!options.config) {
    if (std::string skipped = SkippedConfigNote(env.per_user_config); !skipped.empty()) {
      notes.push_back(std::move(skipped));
    }
  }

  const ConfigReadResult config = ReadConfigFile(tables, config_path);
  if (!config.status.ok()) return Fail(err, config.status.message());
  notes.insert(notes.end(), config.notes.begin(), config.notes.end());
  const std::vector<std::string> repeated = RepeatedLogs(logs);
  notes.insert(notes.end(), repeated.begin(), repeated.end());
  for (const std::string& note : notes) Say(err, "warning: ", note);

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
  const LoadResult load = LoadLogs(tables, logs, load_options, SystemLogFilesAndStreams());
  if (progress) progress->Finish();
  if (!load.status.ok()) return Fail(err, load.status.message());
  if (const auto no_kept_line = NoKeptLineWarning(tables)) Say(err, "warning: ", *no_kept_line);

  const TallyResult tally = TallyCalls(tables, options.select);
  const std::vector<std::string> warnings = RunWarnings(config.warnings, load.warnings, tally);

  const ReportFormat& format = *options.format;
  if (format.guard != nullptr) {
    if (const Status refusal = format.guard(tables, tally); !refusal.ok()) {
      return Fail(err, refusal.message());
    }
  }
  const ReportHeading heading = MakeReportHeading(tables, env.now);
  const std::string text = format.render({tables, tally, heading, warnings});

  if (options.output) {
    const Status written = WriteWholeFile(*options.output, text);
    if (!written.ok()) return Fail(err, "output file: " + written.message());
  } else {
    out << text;
    out.flush();
    if (!out) return Fail(err, "cannot write the report to standard output");
  }
  for (const std::string& warning : warnings) Say(err, "warning: ", warning);
  if (stop) return FollowLastLog(tables, options.select, logs.back(), *stop, out, err);
  return warnings.empty() ? kExitOk : kExitLimit;
}

}  // namespace tallix
