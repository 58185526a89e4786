#pragma once
// How often one kind of warning is given. A log with a call per line over a
// limit, or a configuration with a thousand bad records, would otherwise give
// a warning per line and bury the rest.

#include <cstddef>
#include <span>
#include <string>
#include <vector>

namespace tallix {

inline constexpr size_t kWarningsOfAKind = 10;

// What stands for the `more` warnings of a kind past kWarningsOfAKind.
inline std::string MoreLikeIt(size_t more) {
  return "and " + std::to_string(more) + " more like it";
}

// `warnings` with each kind given at most kWarningsOfAKind times, the rest
// told as one MoreLikeIt() right after the last one given. Warnings
// of a kind differ only in their numbers and in what they quote: a call per
// line over a limit, a configuration with a thousand bad records, a file
// given many times.
std::vector<std::string> CappedWarnings(std::span<const std::string> warnings);

}  // namespace tallix
