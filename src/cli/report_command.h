#pragma once
// tallix-report: loads a router log and writes one of the reports of its tally.
//   tallix-report [OPTION...] LOGFILE...  (ReportCommandUsage() lists the options)
// Exit status: 0 written; 1 failure (message on stderr); 2 usage error;
// 3 written, but a fixed limit was reached (warnings on stderr).

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "engine/reports/report_text.h"
#include "engine/util/file_identity.h"

namespace tallix {

enum ExitStatus { kExitOk = 0, kExitFailure = 1, kExitUsage = 2, kExitLimit = 3 };

struct ReportCommandEnv {
  std::string program_dir;      // where the default configuration file lies
  std::string per_user_config;  // read instead when it exists (ConfigPlacesFor); empty: none
  std::string current_dir;      // against which a relative LOGFILE is named
  // The process's current folder is `current_dir`: a LOGFILE is opened as
  // given. Otherwise it is opened from `current_dir`.
  bool opens_as_given = false;
  ReportDateTime now;  // for the report title line
  // Standard error is a terminal: a load that takes longer than a second
  // shows its progress there (LoadProgressLine).
  bool progress_on_err = false;
  // The file standard output leads to, which no input may be; nullopt when
  // it is closed.
  std::optional<FileIdentity> standard_output;
  // Standard output is a terminal: control characters in the report reach it
  // as visible escapes (TerminalText).
  bool out_is_terminal = false;
  // Standard output's descriptor, which --follow writes its rows to without
  // blocking; -1: they go to `out`.
  int out_fd = -1;
};

// Runs the command on `args` (without the program name) over tables of its
// own, freed before it returns; writes the report to `out` unless --output
// names a file, and messages to `err`. Returns the exit status; running out
// of memory is a failure with "not enough memory".
int RunReportCommand(const std::vector<std::string>& args, const ReportCommandEnv& env,
                     std::ostream& out, std::ostream& err);

// The usage text of --help.
std::string ReportCommandUsage();

}  // namespace tallix
