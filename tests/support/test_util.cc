#include "support/test_util.h"

#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace tallix::testing_util {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tallix-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

std::vector<std::string> KeptLines(const LoadedLog& log) {
  std::vector<std::string> lines;
  for (const LogLine& line : log.LogLines()) lines.push_back(line.text);
  return lines;
}

LoadedLog LogOf(const std::vector<std::string>& lines, const std::string& path) {
  LoadedLog log;
  log.LogFilePaths = {path};
  log.LogFileLines = {lines.size()};
  std::vector<LineStamp> stamps;
  for (const std::string& line : lines) stamps.push_back(ReadLineStamp(line));
  const std::vector<CallTime> times = LineTimes(stamps, YearRule{2026, {}});
  for (size_t i = 0; i < lines.size(); ++i) {
    log.Keep(lines[i], times[i], {0, static_cast<uint32_t>(i + 1)});
  }
  return log;
}

SiteConfig SitesOf(const std::vector<std::string>& numbers) {
  SiteConfig config;
  config.RouterIdentifier = "isdnrouter";
  for (size_t s = 0; s < numbers.size() && s < SiteConfig::kSites; ++s) {
    config.SiteNames[s] = "site" + std::to_string(s + 1);
    config.SiteNumbers[s] = numbers[s];
  }
  config.SiteCount = static_cast<int16_t>(numbers.size());
  return config;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::string& path, const std::string& contents) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << contents;
}

}  // namespace tallix::testing_util
