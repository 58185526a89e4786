#include "app/text_search.h"

#include <cstring>

namespace tallix {

size_t FindNoCase(std::string_view haystack, std::string_view needle) {
  if (needle.empty()) return 0;
  if (needle.size() > haystack.size()) return std::string_view::npos;
  const char first = FoldCase(needle[0]);
  const char first_upper = (first >= 'a' && first <= 'z') ? static_cast<char>(first - 32) : first;
  const size_t last_start = haystack.size() - needle.size();
  for (size_t i = 0; i <= last_start; ++i) {
    const char c = haystack[i];
    if (c != first && c != first_upper) continue;
    size_t k = 1;
    while (k < needle.size() && FoldCase(haystack[i + k]) == FoldCase(needle[k])) ++k;
    if (k == needle.size()) return i;
  }
  return std::string_view::npos;
}

}  // namespace tallix
