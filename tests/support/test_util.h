#pragma once
// Helpers shared by the engine tests: a temporary directory, the kept lines
// as strings, and whole-file reads and writes.

#include <filesystem>
#include <string>
#include <vector>

#include "engine/app/shared_data.h"

namespace tallix::testing_util {

// A fresh directory under the system's temporary folder, removed at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string Path(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// LogLines 0..LineCount-1, copied.
std::vector<std::string> KeptLines(const TallixData& data);

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& contents);

}  // namespace tallix::testing_util
