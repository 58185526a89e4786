#pragma once
// Keyword search in log text, letters compared without regard to case. Text is
// 8-bit and compared byte by byte; only the ASCII letters have a case.
//
// The search filters positions by the keyword's first and last bytes, 16 at a
// time with SSE2, which every x86-64 processor has (elsewhere one at a time),
// and compares the whole keyword only where both match. The line finder, which
// the loader runs over every byte of a log, takes 64 positions a step where the
// processor has AVX2, counts the line feeds on the same loads and tests the
// line around each match without leaving its loop.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tallix {

inline char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// A keyword prepared for repeated searches; keeps a view of `needle`, which must outlive it.
class NoCaseFinder {
 public:
  // What a byte must equal once or'ed with its mask: 0x20 for a letter, which folds both
  // cases onto the lower one; 0 for any other byte, an exact comparison.
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
  size_t FindFrom(std::string_view text, size_t from) const {
    const size_t at = Find(text.substr(from));
    return at == std::string_view::npos ? at : from + at;
  }

  std::string_view needle() const { return needle_; }
  size_t size() const { return needle_.size(); }
  ByteTest first() const { return first_; }  // the test its first byte must pass
  ByteTest last() const { return last_; }    // and its last

 private:
  std::string_view needle_;
  ByteTest first_, last_;
};

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
// line. Returns false, `*line` left undefined, when no further line holds both.
//
// The search looks for `anchor` and tests only the lines around its matches,
// so its cost follows the number of those lines: pass the keyword that fewer
// lines hold. When `feeds` is given, adds to it the line feeds in
// text[from, line->begin), or in text[from, end) when no line is found.
bool FindLineWithBoth(std::string_view text, size_t from, const NoCaseFinder& anchor,
                      const NoCaseFinder& other, LineSpan* line, uint64_t* feeds = nullptr);

}  // namespace tallix
