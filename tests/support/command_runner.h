#pragma once
// Runs tallix-report in-process for tests, with a fixed report clock, and
// collects its exit status and both output streams.

#include <string>
#include <vector>

namespace tallix::testing_util {

struct CommandRun {
  int status = -1;
  std::string out;
  std::string err;
};

// `program_dir` is where the default configuration is looked for, after
// `per_user_config` (none when empty); a relative LOGFILE is taken from
// `current_dir`. The title line reads "12/07/26 10:30:00".
CommandRun RunReport(const std::vector<std::string>& args, const std::string& program_dir,
                     const std::string& current_dir, const std::string& per_user_config = "");

}  // namespace tallix::testing_util
