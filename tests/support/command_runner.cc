#include "support/command_runner.h"

#include <sstream>

#include "cli/report_command.h"

namespace tallix::testing_util {

CommandRun RunReport(const std::vector<std::string>& args, const std::string& program_dir,
                     const std::string& current_dir, const std::string& per_user_config) {
  ReportCommandEnv env;
  env.program_dir = program_dir;
  env.per_user_config = per_user_config;
  env.current_dir = current_dir;
  env.now = {"12/07/26", "10:30:00"};
  std::ostringstream out;
  std::ostringstream err;
  CommandRun run;
  run.status = RunReportCommand(args, env, out, err);
  run.out = out.str();
  run.err = err.str();
  return run;
}

}  // namespace tallix::testing_util
