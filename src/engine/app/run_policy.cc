#include "engine/app/run_policy.h"

#include "engine/util/file_identity.h"

namespace tallix {
std::optional<InputFile> InputFileAt(const std::string& output, std::span<const std::string> logs,
                                     std::span<const std::string> configs) {
  for (const std::string& log : logs) {
    if (IsSameFile(output, log)) return InputFile{InputFile::Kind::kLog, log};
  }
  for (const std::string& config : configs) {
    if (IsSameFile(output, config)) return InputFile{InputFile::Kind::kConfig, config};
  }
  return std::nullopt;
}

std::vector<std::string> RunWarnings(std::span<const std::string> config,
                                     std::span<const std::string> load, const TallyResult& tally) {
  std::vector<std::string> warnings(config.begin(), config.end());
  warnings.insert(warnings.end(), load.begin(), load.end());
  warnings.insert(warnings.end(), tally.warnings.begin(), tally.warnings.end());
  return warnings;
}

}  // namespace tallix
