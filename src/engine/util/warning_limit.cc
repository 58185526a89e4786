#include "engine/util/warning_limit.h"

#include <string_view>
#include <unordered_map>

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

}  // namespace tallix
