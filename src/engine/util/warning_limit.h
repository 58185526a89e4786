#pragma once
// How often one kind of warning is given. A log with a call per line over a
// limit, or a configuration with a thousand bad records, would otherwise give
// a warning per line and bury the rest.

#include <cstddef>
#include <string>

namespace tallix {

inline constexpr size_t kWarningsOfAKind = 10;

// What stands for the `more` warnings of a kind past kWarningsOfAKind.
inline std::string MoreLikeIt(size_t more) {
  return "and " + std::to_string(more) + " more like it";
}

}  // namespace tallix
