#pragma once
// How often one kind of warning is given. A log with a call per line over a
// limit, or a configuration with a thousand bad records, would otherwise give
// a warning per line and bury the rest.

#include <cstddef>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace tallix {

inline constexpr size_t kWarningsOfAKind = 10;

// Warnings as they come, each kind kept at most kWarningsOfAKind times, so
// that what is held stays small however many come. Warnings of a kind differ
// only in their numbers and in what they quote: a call per line over a
// limit, a configuration with a thousand bad records, a file given many times.
class WarningCap {
 public:
  void Add(std::string warning);
  // The warnings kept, in order, the rest of a kind told as one "and N more
  // like it" right after the last one kept.
  std::vector<std::string> Told() const;

 private:
  struct Kept {
    std::string warning;
    std::string kind;
    size_t nth;  // of its kind, from 1
  };
  std::unordered_map<std::string, size_t> counts_;  // per kind
  std::vector<Kept> kept_;
};

// What stands for the `more` warnings of a kind past kWarningsOfAKind.
std::string MoreLikeIt(size_t more);

// `warnings` through a WarningCap.
std::vector<std::string> CappedWarnings(std::span<const std::string> warnings);

}  // namespace tallix
