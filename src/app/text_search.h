#pragma once
// Keyword search in log text, letters compared without regard to case. Text is
// 8-bit and compared byte by byte; only the ASCII letters have a case.

#include <cstddef>
#include <string_view>

namespace tallix {

inline char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// The offset of the first occurrence of `needle` in `haystack`, letter case
// ignored, or npos. An empty needle is found at offset 0.
size_t FindNoCase(std::string_view haystack, std::string_view needle);

inline bool ContainsNoCase(std::string_view haystack, std::string_view needle) {
  return FindNoCase(haystack, needle) != std::string_view::npos;
}

}  // namespace tallix
