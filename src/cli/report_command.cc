#include "cli/report_command.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <filesystem>
#include <map>
#include <memory>
#include <new>
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
#include "engine/config/tariff_location.h"
#include "engine/log/log_loader.h"
#include "engine/log/log_stream.h"
#include "engine/output/output_file.h"
#include "engine/util/file_identity.h"
#include "engine/util/text_file.h"
#include "engine/util/usage_message.h"
#include "engine/util/visible_text.h"

namespace tallix {
namespace {

constexpr char kProgram[] = "tallix-report";

// A relative LOGFILE with the current folder before it, and otherwise as
// given: never tidied as text, for "lnk/../x" is not "x" when lnk is a link
// to another folder.
std::string AbsoluteLogPath(const std::string& log, const std::string& current_dir) {
  if (log == kStandardInputName) return log;
  if (log.front() == '/' || current_dir.empty()) return log;
  return current_dir + (current_dir.back() == '/' ? "" : "/") + log;
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

int UsageError(std::ostream& err, const std::string& problem) {
  Say(err, "", problem);
  err << TryHelp(kProgram) << '\n';
  return kExitUsage;
}

// A file given twice is loaded twice, and its calls counted twice: allowed,
// but said.
// Each file is looked up once among those before it: tens of thousands of
// LOGFILEs are no reason to compare every pair.
std::vector<std::string> RepeatedLogs(const std::vector<std::string>& logs) {
  std::vector<std::string> notes;
  std::map<std::pair<unsigned long long, unsigned long long>, size_t> first_of;
  for (size_t later = 0; later < logs.size(); ++later) {
    const std::optional<FileIdentity> id =
        logs[later] == kStandardInputName ? std::nullopt : IdentityOf(logs[later]);
    if (!id) continue;
    const auto [at, added] = first_of.try_emplace({id->device, id->inode}, later);
    if (added) continue;
    const std::string& first = logs[at->second];
    notes.push_back((first == logs[later] ? "the log file '" + logs[later] + "' was given twice"
                                          : "the log file '" + logs[later] +
                                                "' is the same file as '" + first + "'") +
                    "; its calls are counted twice");
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
  return "usage: tallix-report [--config FILE] [--tariff FILE] [--select TEXT] [--since WHEN]\n"
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
         "                   of json and html (periods default: month)\n" +
         FormatList() +
         "  --output FILE    write to FILE instead of standard output (- is standard\n"
         "                   output)\n"
         "  --follow         write the audit, then a row for each call-end line added to\n"
         "                   the last LOGFILE, following it when rotated, until SIGINT or\n"
         "                   SIGTERM; takes no other --format, no --output FILE and no -\n"
         "  --help           show this text\n"
         "  --version        show the version\n"
         "\n"
         "Exit status: 0 written; 1 failure; 2 usage error; 3 written, but a fixed limit\n"
         "was reached.\n";
}

namespace {

std::string InputText(const InputFile& input) {
  return (input.kind == InputFile::Kind::kLog ? "the log file '" : "the configuration file '") +
         input.path + "'";
}

std::string WouldReplace(const std::string& output, const InputFile& input) {
  return "output file '" + output + "' would replace " + InputText(input) + "; nothing was written";
}

std::string StandardOutputIs(const InputFile& input) {
  return "standard output is " + InputText(input) + "; nothing was written";
}

// The report to standard output, as it is made.
Status WriteToStandardOutput(const ReportFormat& format, const ReportRequest& request,
                             bool terminal, std::ostream& out) {
  std::optional<TerminalText> shown;
  if (terminal) shown.emplace();
  int write_error = 0;
  const auto put = [&](std::string_view bytes) {
    errno = 0;
    if (shown) {
      const std::string text = shown->Pass(bytes);
      out.write(text.data(), static_cast<std::streamsize>(text.size()));
    } else {
      out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    if (!out.flush() && write_error == 0) write_error = errno;
    return static_cast<bool>(out);
  };
  ReportSink sink(put);
  format.write(request, sink);
  if (sink.Finish() && shown) put(shown->Rest());
  if (!out) {
    // A file size limit is named: the output is cut short, not lost to a
    // full disk.
    return Status::Error(std::string("cannot write the report to standard output") +
                         (write_error == EFBIG ? ": file too large" : ""));
  }
  return {};
}

int RunCommand(const std::vector<std::string>& args, const ReportCommandEnv& env, std::ostream& out,
               std::ostream& err) {
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
      return UsageError(err, problem);
    case ReportArgs::kRun:
      break;
  }
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
  // Each LOGFILE is opened, and named in reports and messages, from the root:
  // the current folder put before it, never tidied as text, so "lnk/.." goes
  // where the kernel takes it. A name that would then pass the system's path
  // limit (a current folder deeper than it) is opened as given, when the
  // current folder is the process's own.
  std::vector<std::string> logs;
  std::vector<std::string> titles;
  for (const std::string& log : options.logs) {
    titles.push_back(AbsoluteLogPath(log, env.current_dir));
    logs.push_back(env.opens_as_given && titles.back().size() >= PATH_MAX ? log : titles.back());
  }
  if (options.follow) {
    const FollowRefusal refused = RefuseToFollow(logs.back());
    if (refused.usage) return UsageError(err, refused.message);
    if (!refused.message.empty()) return Fail(err, refused.message);
  }
  // The tariff file lies where the configuration does: per user, else
  // beside the program.
  const ConfigPlaces tariff_places{
      env.per_user_config.empty()
          ? std::string()
          : (std::filesystem::path(env.per_user_config).parent_path() / kTariffFileName).string(),
      (std::filesystem::path(env.program_dir) / kTariffFileName).string()};
  const std::string tariff_path =
      ChooseTariffPath(options.tariff.value_or(""), tariff_places, IsRegularFile);
  if (options.format->write == WriteTariffsCsv && tariff_path.empty()) {
    return Fail(err, TariffSearchText(tariff_places));
  }
  std::vector<std::string> configs = {config_path};
  if (!tariff_path.empty()) configs.push_back(tariff_path);
  // Standard input has no name to protect.
  std::vector<std::string> named = logs;
  std::erase(named, std::string(kStandardInputName));
  if (options.output) {
    if (const auto input = InputFileAt(*options.output, named, configs)) {
      return Fail(err, WouldReplace(*options.output, *input));
    }
  } else if (env.standard_output) {
    // ">> a.log" would add the report to the log read.
    for (const std::string& input : named) {
      if (IdentityOf(input) == env.standard_output) {
        return Fail(err, StandardOutputIs({InputFile::Kind::kLog, input}));
      }
    }
    if (IdentityOf(config_path) == env.standard_output) {
      return Fail(err, StandardOutputIs({InputFile::Kind::kConfig, config_path}));
    }
  }
  // Remarks that leave the exit status as it is.
  std::vector<std::string> notes;
  if (!options.config) {
    if (std::string skipped = SkippedConfigNote(env.per_user_config); !skipped.empty()) {
      notes.push_back(std::move(skipped));
    }
  }

  const ConfigReadResult config = ReadConfigFile(config_path);
  if (!config.status.ok()) return Fail(err, config.status.message());
  std::optional<Tariffs> tariffs;
  if (!tariff_path.empty()) {
    TariffRead read = ReadTariffFile(tariff_path);
    if (!read.ok()) return Fail(err, read.error);
    tariffs = std::move(read.tariffs);
    const std::span<const std::string> numbers(config.config.SiteNumbers.data(),
                                               static_cast<size_t>(config.config.SitesInUse()));
    const std::vector<std::string> unknown = BudgetWarnings(*tariffs, numbers, tariff_path);
    notes.insert(notes.end(), unknown.begin(), unknown.end());
  }
  const Tariffs* const costs = tariffs ? &*tariffs : nullptr;
  notes.insert(notes.end(), config.notes.begin(), config.notes.end());
  const std::vector<std::string> repeated = RepeatedLogs(logs);
  notes.insert(notes.end(), repeated.begin(), repeated.end());
  for (const std::string& note : CappedWarnings(notes)) Say(err, "warning: ", note);

  LoadOptions load_options;
  load_options.year = options.year;
  load_options.names = titles;
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
  LoadResult load =
      LoadLogs(logs, config.config.RouterIdentifier, load_options, SystemLogFilesAndStreams());
  if (progress) progress->Finish();
  if (!load.status.ok()) return Fail(err, load.status.message());
  LoadedLog& log = load.log;
  for (const std::string& note : load.notes) Say(err, "warning: ", note);
  if (const auto no_kept_line = NoKeptLineWarning(log, config.config.RouterIdentifier)) {
    Say(err, "warning: ", *no_kept_line);
  }
  // A follower counts the unended last line once it ends.
  if (options.follow) log.ForgetUnterminatedTail();

  const TallyResult tally = TallyCalls(log, config.config, options.select, options.range, costs);
  if (const std::optional<std::string> empty =
          EmptyRangeNote(log, tally.reconciliation.selected, options.range.limited())) {
    Say(err, "warning: ", *empty);
  }
  const std::vector<std::string> warnings =
      RunWarnings(config.warnings, log.LimitWarnings(), tally);

  const ReportFormat& format = *options.format;
  if (format.guard != nullptr) {
    if (const Status refusal = format.guard(config.config, tally); !refusal.ok()) {
      return Fail(err, refusal.message());
    }
  }
  const ReportHeading heading = MakeReportHeading(log, env.now);
  const ReportRequest request{log, config.config, tally, heading, warnings, options.by, costs};

  if (options.output) {
    // The output's name may lead elsewhere by now: a link made during the
    // load. What the rename would replace is checked once more.
    bool refused = false;
    const auto not_an_input = [&](const std::string& replaced) {
      const auto input = InputFileAt(replaced, named, configs);
      refused = input.has_value();
      return input ? Status::Error(WouldReplace(*options.output, *input)) : Status();
    };
    const Status written = WriteOutputFile(
        *options.output, [&](ReportSink& sink) { format.write(request, sink); }, not_an_input);
    if (!written.ok()) {
      return Fail(err, refused ? written.message() : "output file: " + written.message());
    }
  } else {
    const Status written = WriteToStandardOutput(format, request, env.out_is_terminal, out);
    if (!written.ok()) return Fail(err, written.message());
  }
  for (const std::string& warning : warnings) Say(err, "warning: ", warning);
  // Budgets passed are said, but leave the exit status as it is.
  if (costs != nullptr) {
    for (const std::string& overrun :
         CappedWarnings(BudgetOverruns(log, config.config, tally, *costs))) {
      Say(err, "warning: ", overrun);
    }
  }
  if (options.follow) {
    return FollowLastLog(
        {log, config.config, options.select, options.range, logs.back(), costs, env.out_fd},
        env.out_is_terminal, out, err);
  }
  return warnings.empty() ? kExitOk : kExitLimit;
}

}  // namespace

int RunReportCommand(const std::vector<std::string>& args, const ReportCommandEnv& env,
                     std::ostream& out, std::ostream& err) {
  try {
    return RunCommand(args, env, out, err);
  } catch (const std::bad_alloc&) {
    // What was taken is given back by now: the message has room.
    Say(err, "", "not enough memory");
    return kExitFailure;
  }
}

}  // namespace tallix
