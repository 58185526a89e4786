// tallix-report: the headless command over the Tallix engine.

#include <unistd.h>

#include <clocale>
#include <ctime>
#include <filesystem>
#include <iostream>

#include "cli/report_command.h"

namespace {

std::string ProgramDir(const char* argv0) {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) exe = std::filesystem::absolute(argv0, ec);
  return exe.parent_path().string();
}

std::string FormatNow(const std::tm& now, const char* format) {
  char buffer[128];
  const size_t n = std::strftime(buffer, sizeof buffer, format, &now);
  return std::string(buffer, n);
}

}  // namespace

int main(int argc, char** argv) {
  // The title line shows the date and time in the user's forms.
  std::setlocale(LC_TIME, "");
  std::ios::sync_with_stdio(false);

  tallix::ReportCommandEnv env;
  env.program_dir = ProgramDir(argv[0]);
  std::error_code ec;
  env.current_dir = std::filesystem::current_path(ec).string();
  const std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  env.now = {FormatNow(local, "%x"), FormatNow(local, "%X")};

  const std::vector<std::string> args(argv + 1, argv + argc);
  return tallix::RunReportCommand(args, env, std::cout, std::cerr);
}
