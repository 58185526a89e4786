#include "engine/log/text_search.h"

#include <string.h>  // memrchr

#include <algorithm>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#elif defined(__SSE2__)
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

#if defined(__x86_64__)

// The bytes of `at` that pass `test`, as a vector of 0xff and 0 bytes.
__attribute__((target("avx2"))) __m256i Passes32(const char* at, __m256i mask, __m256i value) {
  return _mm256_cmpeq_epi8(
      _mm256_or_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(at)), mask), value);
}

// The sum of the 32 byte counters in `counts`.
__attribute__((target("avx2"))) uint64_t SumBytes(__m256i counts) {
  const __m256i sums = _mm256_sad_epu8(counts, _mm256_setzero_si256());
  return static_cast<uint64_t>(_mm256_extract_epi64(sums, 0) + _mm256_extract_epi64(sums, 1) +
                               _mm256_extract_epi64(sums, 2) + _mm256_extract_epi64(sums, 3));
}

// Searches starting positions [0, starts) of `hay` 32 at a time, adding the
// line feeds before the match to *feeds; when no step holds one, *done is
// the first position left for the caller (fewer than 32 remain). The line
// feeds are counted in byte counters, added up every 255 steps before they
// can overflow: the loop itself does no more than it must for the search.
__attribute__((target("avx2,popcnt"))) size_t FindAvx2CountingFeeds(const char* hay, size_t starts,
                                                                    std::string_view needle,
                                                                    const ByteTest (&tests)[2],
                                                                    uint64_t* feeds, size_t* done) {
  const size_t last_offset = needle.size() - 1;
  __m256i masks[2], values[2];
  for (size_t k = 0; k < 2; ++k) {
    masks[k] = _mm256_set1_epi8(static_cast<char>(tests[k].mask));
    values[k] = _mm256_set1_epi8(static_cast<char>(tests[k].value));
  }
  const __m256i feed = _mm256_set1_epi8('\n');
  size_t i = 0;
  while (i + 32 <= starts) {
    const size_t stop = std::min(starts - 31, i + 255 * 32);
    __m256i counts = _mm256_setzero_si256();
    for (; i < stop; i += 32) {
      const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(hay + i));
      const __m256i feed_bytes = _mm256_cmpeq_epi8(bytes, feed);
      // The first and last bytes alone: in log text a middle byte's test
      // costs more than the few candidates it would rule out.
      const __m256i candidates =
          _mm256_and_si256(_mm256_cmpeq_epi8(_mm256_or_si256(bytes, masks[0]), values[0]),
                           Passes32(hay + i + last_offset, masks[1], values[1]));
      for (auto bits = static_cast<uint32_t>(_mm256_movemask_epi8(candidates)); bits != 0;
           bits &= bits - 1) {
        const auto at = static_cast<size_t>(__builtin_ctz(bits));
        if (MatchesAt(hay + i + at, needle)) {
          const auto feed_bits = static_cast<uint32_t>(_mm256_movemask_epi8(feed_bytes));
          *feeds += SumBytes(counts) +
                    static_cast<uint64_t>(__builtin_popcount(feed_bits & ((1u << at) - 1)));
          return i + at;
        }
      }
      counts = _mm256_sub_epi8(counts, feed_bytes);
    }
    *feeds += SumBytes(counts);
  }
  *done = i;
  return kNotFound;
}

// FindAnyFirstByte 32 bytes a step, up to the last full step; *done is the
// first byte left for the caller when none is found.
__attribute__((target("avx2"))) size_t FindAnyFirstByteAvx2(std::string_view text,
                                                            const ByteTest* tests, size_t count,
                                                            size_t* done) {
  __m256i masks[kMaxFirstBytes], values[kMaxFirstBytes];
  for (size_t k = 0; k < count; ++k) {
    masks[k] = _mm256_set1_epi8(static_cast<char>(tests[k].mask));
    values[k] = _mm256_set1_epi8(static_cast<char>(tests[k].value));
  }
  size_t i = 0;
  for (; i + 32 <= text.size(); i += 32) {
    const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(&text[i]));
    __m256i any = _mm256_setzero_si256();
    for (size_t k = 0; k < count; ++k) {
      any = _mm256_or_si256(any, _mm256_cmpeq_epi8(_mm256_or_si256(bytes, masks[k]), values[k]));
    }
    if (const auto bits = static_cast<uint32_t>(_mm256_movemask_epi8(any)); bits != 0) {
      return i + static_cast<size_t>(__builtin_ctz(bits));
    }
  }
  *done = i;
  return kNotFound;
}

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
  // The positions left in one more step, back where it overlaps the last:
  // the search of a line, done at every hit, is not finished a byte at a time.
  if (i < starts && starts >= 32) {
    const size_t back = starts - 32;
    for (uint32_t bits = (candidates(back) | candidates(back + 16) << 16) & (~0u << (i - back));
         bits != 0; bits &= bits - 1) {
      const size_t at = back + static_cast<size_t>(__builtin_ctz(bits));
      if (MatchesAt(hay + at, needle_)) return at;
    }
    return kNotFound;
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

size_t NoCaseFinder::FindFromCountingFeeds(std::string_view text, size_t from,
                                           uint64_t* feeds) const {
#if defined(__x86_64__)
  static const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
  if (avx2 && !needle_.empty() && text.size() - from >= needle_.size()) {
    const ByteTest tests[2] = {first_, last_};
    size_t done = 0;
    const size_t at = FindAvx2CountingFeeds(
        text.data() + from, text.size() - from - needle_.size() + 1, needle_, tests, feeds, &done);
    if (at != kNotFound) return from + at;
    from += done;
  }
#endif
  const size_t at = FindFrom(text, from);
  *feeds += CountLineFeeds(text.substr(from, (at == kNotFound ? text.size() : at) - from));
  return at;
}

size_t FindAnyFirstByte(std::string_view text, const NoCaseFinder* const* finders, size_t count) {
  ByteTest tests[kMaxFirstBytes];
  for (size_t k = 0; k < count; ++k) {
    if (finders[k]->needle().empty()) return 0;
    tests[k] = finders[k]->first();
  }
  size_t i = 0;
#if defined(__x86_64__)
  // A long line is searched here for all its length: worth the wider steps.
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (avx2) {
    const size_t at = FindAnyFirstByteAvx2(text, tests, count, &i);
    if (at != kNotFound) return at;
  }
#endif
#if defined(__SSE2__)
  __m128i masks[kMaxFirstBytes];
  __m128i values[kMaxFirstBytes];
  for (size_t k = 0; k < count; ++k) {
    masks[k] = _mm_set1_epi8(static_cast<char>(tests[k].mask));
    values[k] = _mm_set1_epi8(static_cast<char>(tests[k].value));
  }
  for (; i + 32 <= text.size(); i += 32) {
    const __m128i low = Load16(&text[i]);
    const __m128i high = Load16(&text[i + 16]);
    __m128i any_low = _mm_setzero_si128();
    __m128i any_high = _mm_setzero_si128();
    for (size_t k = 0; k < count; ++k) {
      any_low = _mm_or_si128(any_low, _mm_cmpeq_epi8(_mm_or_si128(low, masks[k]), values[k]));
      any_high = _mm_or_si128(any_high, _mm_cmpeq_epi8(_mm_or_si128(high, masks[k]), values[k]));
    }
    const auto bits = static_cast<uint32_t>(_mm_movemask_epi8(any_low)) |
                      static_cast<uint32_t>(_mm_movemask_epi8(any_high)) << 16;
    if (bits != 0) return i + static_cast<size_t>(__builtin_ctz(bits));
  }
#endif
  for (; i < text.size(); ++i) {
    for (size_t k = 0; k < count; ++k) {
      if (Passes(tests[k], text[i])) return i;
    }
  }
  return kNotFound;
}

size_t CountLineFeeds(std::string_view text) {
  size_t count = 0;
  size_t i = 0;
#if defined(__SSE2__)
  // Byte counters, added up before they can overflow: the compiler does not
  // make vector code of std::count over bytes (some 300 ms a GB against 33).
  const __m128i feed = _mm_set1_epi8('\n');
  while (i + 16 <= text.size()) {
    const size_t stop = std::min(text.size() - 15, i + 255 * 16);
    __m128i counts = _mm_setzero_si128();
    for (; i < stop; i += 16) counts = _mm_sub_epi8(counts, _mm_cmpeq_epi8(Load16(&text[i]), feed));
    const __m128i sums = _mm_sad_epu8(counts, _mm_setzero_si128());
    count += static_cast<size_t>(_mm_cvtsi128_si64(sums)) +
             static_cast<size_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums)));
  }
#endif
  return count + static_cast<size_t>(
                     std::count(text.begin() + static_cast<ptrdiff_t>(i), text.end(), '\n'));
}

bool FindLineWithBoth(std::string_view text, size_t from, const NoCaseFinder& anchor,
                      const NoCaseFinder& other, LineSpan* line, uint64_t* feeds) {
  uint64_t unwanted = 0;
  if (feeds == nullptr) feeds = &unwanted;
  // A keyword with a line feed in it cannot lie inside a line.
  if (anchor.needle().find('\n') != kNotFound || other.needle().find('\n') != kNotFound) {
    *feeds += CountLineFeeds(text.substr(std::min(from, text.size())));
    return false;
  }
  while (from < text.size()) {
    // No line feed lies between the line's start and the anchor: the feeds
    // counted up to the anchor are those before the line.
    const size_t at = anchor.FindFromCountingFeeds(text, from, feeds);
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
    if (feed != nullptr) ++*feeds;
    from = end + 1;
  }
  return false;
}

}  // namespace tallix
