#include "engine/log/text_search.h"

#include <string.h>  // memrchr

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tallix {
namespace {

constexpr size_t kNotFound = std::string_view::npos;
using ByteTest = NoCaseFinder::ByteTest;

ByteTest TestFor(char c) {
  const char folded = FoldCase(c);
  const bool letter = folded >= 'a' && folded <= 'z';
  return {static_cast<unsigned char>(letter ? 0x20 : 0), static_cast<unsigned char>(folded)};
}

bool Passes(ByteTest test, char c) {
  return (static_cast<unsigned char>(c) | test.mask) == test.value;
}

size_t OffsetOf(const void* at, std::string_view text) {
  return static_cast<size_t>(static_cast<const char*>(at) - text.data());
}

bool MatchesAt(const char* at, std::string_view needle) {
  for (size_t k = 0; k < needle.size(); ++k) {
    if (FoldCase(at[k]) != FoldCase(needle[k])) return false;
  }
  return true;
}

#if defined(__SSE2__)

__m128i Load16(const char* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); }

// Bit j set where the byte at at + j passes `test`.
class Test16 {
 public:
  explicit Test16(ByteTest test)
      : mask_(_mm_set1_epi8(static_cast<char>(test.mask))),
        value_(_mm_set1_epi8(static_cast<char>(test.value))) {}
  __m128i Passes(const char* at) const {
    return _mm_cmpeq_epi8(_mm_or_si128(Load16(at), mask_), value_);
  }

 private:
  __m128i mask_, value_;
};

#endif

}  // namespace

NoCaseFinder::NoCaseFinder(std::string_view needle) : needle_(needle) {
  if (needle.empty()) return;
  middle_offset_ = needle.size() / 2;
  first_ = TestFor(needle.front());
  middle_ = TestFor(needle[middle_offset_]);
  last_ = TestFor(needle.back());
}

size_t NoCaseFinder::Find(std::string_view haystack) const {
  if (needle_.empty()) return 0;
  if (needle_.size() > haystack.size()) return kNotFound;
  const char* hay = haystack.data();
  const size_t starts = haystack.size() - needle_.size() + 1;
  const size_t last_offset = needle_.size() - 1;
  size_t i = 0;
#if defined(__SSE2__)
  const Test16 first(first_), middle(middle_), last(last_);
  const auto candidates = [&](size_t block) {
    const __m128i all = _mm_and_si128(
        _mm_and_si128(first.Passes(hay + block), last.Passes(hay + block + last_offset)),
        middle.Passes(hay + block + middle_offset_));
    return static_cast<unsigned>(_mm_movemask_epi8(all));
  };
  // Two vectors a step: the long runs without a candidate cost one test.
  for (; i + 32 <= starts; i += 32) {
    for (uint32_t bits = candidates(i) | candidates(i + 16) << 16; bits != 0; bits &= bits - 1) {
      const size_t at = i + static_cast<size_t>(__builtin_ctz(bits));
      if (MatchesAt(hay + at, needle_)) return at;
    }
  }
#endif
  for (; i < starts; ++i) {
    if (Passes(first_, hay[i]) && Passes(last_, hay[i + last_offset]) &&
        MatchesAt(hay + i, needle_)) {
      return i;
    }
  }
  return kNotFound;
}

size_t NoCaseFinder::FindFrom(std::string_view text, size_t from) const {
  const size_t at = Find(text.substr(from));
  return at == kNotFound ? kNotFound : from + at;
}

size_t CountLineFeeds(std::string_view text) {
  const char* at = text.data();
  size_t i = 0;
  size_t count = 0;
#if defined(__SSE2__)
  // The compare results summed as bytes, added up before any can overflow.
  const __m128i line_feed = _mm_set1_epi8('\n');
  while (i + 64 <= text.size()) {
    __m128i sums = _mm_setzero_si128();
    for (int round = 0; round < 63 && i + 64 <= text.size(); ++round, i += 64) {
      const __m128i a = _mm_add_epi8(_mm_cmpeq_epi8(Load16(at + i), line_feed),
                                     _mm_cmpeq_epi8(Load16(at + i + 16), line_feed));
      const __m128i b = _mm_add_epi8(_mm_cmpeq_epi8(Load16(at + i + 32), line_feed),
                                     _mm_cmpeq_epi8(Load16(at + i + 48), line_feed));
      sums = _mm_sub_epi8(sums, _mm_add_epi8(a, b));
    }
    const __m128i wide = _mm_sad_epu8(sums, _mm_setzero_si128());
    count += static_cast<size_t>(_mm_cvtsi128_si32(wide)) +
             static_cast<size_t>(_mm_extract_epi16(wide, 4));
  }
#endif
  return count + static_cast<size_t>(std::count(at + i, at + text.size(), '\n'));
}

bool FindLineWithBoth(std::string_view text, size_t from, const NoCaseFinder& anchor,
                      const NoCaseFinder& other, LineSpan* line) {
  // A keyword with a line feed in it cannot lie inside a line.
  if (anchor.needle().find('\n') != kNotFound || other.needle().find('\n') != kNotFound) {
    return false;
  }
  while (from < text.size()) {
    const size_t at = anchor.FindFrom(text, from);
    if (at == kNotFound) return false;
    const void* feed_before = ::memrchr(text.data() + from, '\n', at - from);
    const size_t begin = feed_before == nullptr ? from : OffsetOf(feed_before, text) + 1;
    const void* feed =
        std::memchr(text.data() + at + anchor.size(), '\n', text.size() - at - anchor.size());
    const size_t end = feed == nullptr ? text.size() : OffsetOf(feed, text);
    if (other.Find(text.substr(begin, end - begin)) != kNotFound) {
      *line = {begin, end};
      return true;
    }
    from = end + 1;
  }
  return false;
}

}  // namespace tallix
