#pragma once
// Keyword search in log text, letters compared without regard to case. Text is
// 8-bit and compared byte by byte; only the ASCII letters have a case.
//
// The search filters positions by three bytes of the keyword (its first,
// middle and last), sixteen positions at a time with SSE2, which every x86-64
// processor has (elsewhere a byte at a time), and compares the whole keyword
// only where all three match. The line finder, which the loader runs over
// every byte of a log, takes 64 positions a step where the processor has AVX2
// and counts the line feeds on the same loads: a fifth less work for the
// whole load than searching and counting apart.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tallix {

inline char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// A keyword prepared for repeated searches. It keeps a view of `needle`, which
// must outlive it.
class NoCaseFinder {
 public:
  // What a byte must equal once or'ed with its mask: a letter's mask is 0x20,
  // which folds both cases onto the lower one; any other byte's mask is 0, an
  // exact comparison.
  struct ByteTest {
    unsigned char mask = 0;
    unsigned char value = 0;
  };

  explicit NoCaseFinder(std::string_view needle);

  // The offset of the first occurrence in `haystack`, letter case ignored, or
  // npos. An empty needle is found at offset 0.
  size_t Find(std::string_view haystack) const;

  // As Find, over text.substr(from), but the offset counts from the start of
  // `text`. REQUIRES: from <= text.size().
  size_t FindFrom(std::string_view text, size_t from) const;

  // As FindFrom, and adds to *feeds the line feeds in text[from, offset), or
  // in text[from, end) when not found.
  size_t FindFromCountingFeeds(std::string_view text, size_t from, uint64_t* feeds) const;

  std::string_view needle() const { return needle_; }
  size_t size() const { return needle_.size(); }
  // The test its first byte must pass.
  ByteTest first() const { return first_; }

 private:
  std::string_view needle_;
  ByteTest first_, middle_, last_;
  size_t middle_offset_ = 0;
};

// The offset of the first occurrence of `needle` in `haystack`, letter case
// ignored, or npos. An empty needle is found at offset 0.
inline size_t FindNoCase(std::string_view haystack, std::string_view needle) {
  return NoCaseFinder(needle).Find(haystack);
}

inline bool ContainsNoCase(std::string_view haystack, std::string_view needle) {
  return FindNoCase(haystack, needle) != std::string_view::npos;
}

// The offset of the first byte of `text` that could begin one of `count`
// (at most kMaxFirstBytes) keywords, letter case ignored, or npos: where a
// search for any of them can start. An empty keyword begins anywhere.
inline constexpr size_t kMaxFirstBytes = 4;
size_t FindAnyFirstByte(std::string_view text, const NoCaseFinder* const* finders, size_t count);

// The number of line feeds in `text`.
size_t CountLineFeeds(std::string_view text);

// A line of a text: offsets [begin, end), the ending line feed left out.
struct LineSpan {
  size_t begin = 0;
  size_t end = 0;
};

// Finds the first line, at or after offset `from`, that holds both keywords,
// letter case ignored, and stores it in `*line`. Lines end at line feeds; the
// text after the last one is a line too, and `from` counts as the start of a
// line. Returns false when no further line holds both.
//
// The search looks for `anchor` and cuts out and tests only the lines around
// its hits, so its cost follows the number of those lines: pass the keyword
// that fewer lines hold. When `feeds` is given, adds to it the line feeds in
// text[from, line->begin), or in text[from, end) when no line is found.
bool FindLineWithBoth(std::string_view text, size_t from, const NoCaseFinder& anchor,
                      const NoCaseFinder& other, LineSpan* line, uint64_t* feeds = nullptr);

}  // namespace tallix
