// tallix-report: the headless command over the Tallix engine.

#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <new>

#include "cli/report_command.h"
#include "engine/config/config_location.h"
#include "engine/output/output_file.h"
#include "engine/reports/report_date_time.h"

namespace {

std::string ProgramDir(const char* argv0) {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) exe = std::filesystem::absolute(argv0, ec);
  return exe.parent_path().string();
}

}  // namespace

int main(int argc, char** argv) try {
  // The title line shows the date and time in the user's forms.
  std::setlocale(LC_TIME, "");
  std::ios::sync_with_stdio(false);

  tallix::ReportCommandEnv env;
  env.program_dir = ProgramDir(argv[0]);
  env.per_user_config =
      tallix::ConfigPlacesFor(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"), env.program_dir)
          .per_user;
  std::error_code ec;
  env.current_dir = std::filesystem::current_path(ec).string();
  env.opens_as_given = true;
  env.now = tallix::LocalReportDateTime();
  env.progress_on_err = isatty(STDERR_FILENO) == 1;
  env.out_is_terminal = isatty(STDOUT_FILENO) == 1;
  env.out_fd = STDOUT_FILENO;
  if (struct stat st{}; ::fstat(STDOUT_FILENO, &st) == 0) {
    env.standard_output = tallix::FileIdentity{st.st_dev, st.st_ino};
  }
  // Standard output under a file size limit fails as --output does.
  tallix::IgnoreFileSizeSignal();

  const std::vector<std::string> args(argv + 1, argv + argc);
  return tallix::RunReportCommand(args, env, std::cout, std::cerr);
} catch (const std::bad_alloc&) {
  std::fputs("tallix-report: not enough memory\n", stderr);
  return tallix::kExitFailure;
}
