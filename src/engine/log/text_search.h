#pragma once
// Keyword search in log text, letters compared without regard to case. Text is
// 8-bit and compared byte by byte; only the ASCII letters have a case.
//
// The search first filters positions by three bytes of the keyword (first,
// middle, last), many positions at a time on the processor's vector unit, and
// compares the whole keyword only where all three match. The instruction set
// is chosen once at run time; a plain loop exists on every platform and tests
// can force it.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace tallix {

inline char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// The instruction sets a search can run on. kScalar exists everywhere; kSse2
// and kAvx2 only on x86-64 processors that have them.
enum class InstructionSet { kScalar, kSse2, kAvx2 };

// The instruction sets this processor can run, kScalar first.
std::vector<InstructionSet> SupportedInstructionSets();

// The instruction set searches use now: the widest supported one unless
// changed.
InstructionSet ActiveInstructionSet();

// Makes later searches use `set`. Returns false, changing nothing, when the
// processor lacks it. Meant for tests and benchmarks; not thread-safe against
// searches running at the same time.
bool UseInstructionSet(InstructionSet set);

// A keyword prepared for repeated searches. It keeps a view of `needle`, which
// must outlive it.
class NoCaseFinder {
 public:
  // Keywords up to this long are confirmed in one vector comparison.
  static constexpr size_t kShortNeedle = 16;

  // What a byte must equal once or'ed with its mask: a letter's mask is 0x20,
  // which folds both cases onto the lower one; any other byte's mask is 0, an
  // exact comparison.
  struct ByteTest {
    unsigned char mask = 0;
    unsigned char value = 0;
  };

  // The prepared keyword as the search routines read it. Positions are first
  // filtered by three of its bytes: the first, the middle and the last.
  struct Prepared {
    std::string_view needle;
    ByteTest first;
    ByteTest middle;
    ByteTest last;
    size_t middle_offset = 0;
    size_t last_offset = 0;
    // Byte k of a short needle as a ByteTest, padded with bytes that always
    // match (mask 0xff, value 0xff).
    unsigned char masks[kShortNeedle] = {};
    unsigned char values[kShortNeedle] = {};
    // The three filter tests, each byte repeated across a vector: mask and
    // value of the first, the middle and the last byte.
    unsigned char repeated[6][16] = {};
  };

  explicit NoCaseFinder(std::string_view needle);

  // The offset of the first occurrence in `haystack`, letter case ignored, or
  // npos. An empty needle is found at offset 0.
  size_t Find(std::string_view haystack) const;

  // As Find, over text.substr(from), but the offset counts from the start of
  // `text`. REQUIRES: from <= text.size().
  size_t FindFrom(std::string_view text, size_t from) const;

  // As FindFrom, and adds to *feeds the line feeds in text[from, offset), or
  // in text[from, end) when not found: on AVX2, counted on the bytes that the
  // search loads anyway.
  size_t FindFromCountingFeeds(std::string_view text, size_t from, uint64_t* feeds) const;

  std::string_view needle() const { return prepared_.needle; }
  size_t size() const { return prepared_.needle.size(); }
  const Prepared& prepared() const { return prepared_; }

 private:
  Prepared prepared_;
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
// (at most kMaxFirstBytes) prepared keywords, letter case ignored, or npos:
// where a search for any of them can start. An empty keyword begins anywhere.
inline constexpr size_t kMaxFirstBytes = 4;
size_t FindAnyFirstByte(std::string_view text, const NoCaseFinder* const* finders, size_t count);

// The number of line feeds in `text`, on the vector unit of the active
// instruction set.
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
// that fewer lines hold.
bool FindLineWithBoth(std::string_view text, size_t from, const NoCaseFinder& anchor,
                      const NoCaseFinder& other, LineSpan* line);

// As FindLineWithBoth, and adds to *feeds the line feeds in text[from,
// line->begin) when a line is found, else in text[from, end).
bool FindLineWithBothCountingFeeds(std::string_view text, size_t from, const NoCaseFinder& anchor,
                                   const NoCaseFinder& other, LineSpan* line, uint64_t* feeds);

}  // namespace tallix
