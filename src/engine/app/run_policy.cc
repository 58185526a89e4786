#include "engine/app/run_policy.h"

#include <unordered_map>

#include "engine/util/file_identity.h"

namespace tallix {
namespace {

// A warning's kind: its text without digits and without what it quotes, from
// the first quote mark to the last (a quoted stamp or name may hold quotes).
std::string KindOf(std::string_view warning) {
  const size_t first = warning.find_first_of("'\"");
  const size_t last = warning.find_last_of("'\"");
  std::string kind;
  for (size_t i = 0; i < warning.size(); ++i) {
    if (first != std::string_view::npos && i > first && i < last) continue;
    if (warning[i] < '0' || warning[i] > '9') kind += warning[i];
  }
  return kind;
}

}  // namespace

std::vector<std::string> CappedWarnings(std::span<const std::string> warnings) {
  struct Kind {
    size_t count = 0;
  };
  std::unordered_map<std::string, Kind> kinds;
  std::vector<std::string> capped;
  // Parallel to `capped`: the kind whose tenth warning it is.
  std::vector<const Kind*> cut_after;
  for (const std::string& warning : warnings) {
    Kind& kind = kinds[KindOf(warning)];
    if (++kind.count > kWarningsOfAKind) continue;
    capped.push_back(warning);
    cut_after.push_back(kind.count == kWarningsOfAKind ? &kind : nullptr);
  }
  std::vector<std::string> told;
  told.reserve(capped.size());
  for (size_t i = 0; i < capped.size(); ++i) {
    told.push_back(std::move(capped[i]));
    if (cut_after[i] != nullptr && cut_after[i]->count > kWarningsOfAKind) {
      told.push_back(MoreLikeIt(cut_after[i]->count - kWarningsOfAKind));
    }
  }
  return told;
}

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
  return CappedWarnings(warnings);
}

std::optional<std::string> NoKeptLineWarning(const TallixData& data) {
  if (data.LineCount != 0) return std::nullopt;
  return "the log holds no line with the router identifier \"" + data.RouterIdentifier +
         "\" and \"disconnected\"; every site shows 0 calls";
}

}  // namespace tallix
