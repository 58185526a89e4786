#include "engine/util/warning_limit.h"

#include <string_view>

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

std::string MoreLikeIt(size_t more) { return "and " + std::to_string(more) + " more like it"; }

void WarningCap::Add(std::string warning) {
  std::string kind = KindOf(warning);
  const size_t nth = ++counts_[kind];
  if (nth <= kWarningsOfAKind) kept_.push_back({std::move(warning), std::move(kind), nth});
}

std::vector<std::string> WarningCap::Told() const {
  std::vector<std::string> told;
  for (const Kept& kept : kept_) {
    told.push_back(kept.warning);
    const size_t all = counts_.at(kept.kind);
    if (kept.nth == kWarningsOfAKind && all > kWarningsOfAKind) {
      told.push_back(MoreLikeIt(all - kWarningsOfAKind));
    }
  }
  return told;
}

std::vector<std::string> CappedWarnings(std::span<const std::string> warnings) {
  WarningCap cap;
  for (const std::string& warning : warnings) cap.Add(warning);
  return cap.Told();
}

}  // namespace tallix
