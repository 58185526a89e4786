#include "engine/log/text_search.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#define TALLIX_HAVE_X86_64 1
#else
#define TALLIX_HAVE_X86_64 0
#endif

namespace tallix {
namespace {

constexpr size_t kNotFound = std::string_view::npos;
using ByteTest = NoCaseFinder::ByteTest;
using Prepared = NoCaseFinder::Prepared;

ByteTest TestFor(char c) {
  const char folded = FoldCase(c);
  const bool letter = folded >= 'a' && folded <= 'z';
  return {static_cast<unsigned char>(letter ? 0x20 : 0), static_cast<unsigned char>(folded)};
}

bool Passes(ByteTest test, char c) {
  return (static_cast<unsigned char>(c) | test.mask) == test.value;
}

// The three-byte filter at one position. REQUIRES: a non-empty needle that
// fits at `at`.
bool FilterPasses(const char* at, const Prepared& p) {
  return Passes(p.first, at[0]) && Passes(p.last, at[p.last_offset]) &&
         Passes(p.middle, at[p.middle_offset]);
}

bool MatchesAt(const char* at, std::string_view needle) {
  for (size_t k = 0; k < needle.size(); ++k) {
    if (FoldCase(at[k]) != FoldCase(needle[k])) return false;
  }
  return true;
}

// Every search below takes a non-empty needle and a haystack at least as long,
// and returns the lowest offset at or after `from` where the needle occurs.

size_t FindScalar(const char* hay, size_t size, size_t from, const Prepared& p) {
  for (size_t i = from; i + p.needle.size() <= size; ++i) {
    if (FilterPasses(hay + i, p) && MatchesAt(hay + i, p.needle)) return i;
  }
  return kNotFound;
}

#if TALLIX_HAVE_X86_64

__m128i Load16(const void* at) { return _mm_loadu_si128(static_cast<const __m128i*>(at)); }

bool ConfirmAt(const char* hay, size_t size, size_t at, const Prepared& p) {
  if (p.needle.size() <= NoCaseFinder::kShortNeedle && at + 16 <= size) {
    const __m128i same =
        _mm_cmpeq_epi8(_mm_or_si128(Load16(hay + at), Load16(p.masks)), Load16(p.values));
    return _mm_movemask_epi8(same) == 0xffff;
  }
  return MatchesAt(hay + at, p.needle);
}

// Confirms the candidates in `bits` (bit j: the filter passed at block + j),
// lowest first.
template <typename Bits>
size_t ConfirmCandidates(const char* hay, size_t size, size_t block, Bits bits, const Prepared& p) {
  while (bits != 0) {
    const size_t at = block + static_cast<size_t>(__builtin_ctzll(bits));
    if (ConfirmAt(hay, size, at, p)) return at;
    bits &= bits - 1;
  }
  return kNotFound;
}

// The three-byte filter over 16 starting positions.
class Filter16 {
 public:
  explicit Filter16(const Prepared& p)
      : middle_offset_(p.middle_offset),
        last_offset_(p.last_offset),
        first_mask_(Load16(p.repeated[0])),
        first_value_(Load16(p.repeated[1])),
        middle_mask_(Load16(p.repeated[2])),
        middle_value_(Load16(p.repeated[3])),
        last_mask_(Load16(p.repeated[4])),
        last_value_(Load16(p.repeated[5])) {}

  unsigned Bits(const char* hay, size_t block) const {
    const __m128i first = _mm_or_si128(Load16(hay + block), first_mask_);
    const __m128i middle = _mm_or_si128(Load16(hay + block + middle_offset_), middle_mask_);
    const __m128i last = _mm_or_si128(Load16(hay + block + last_offset_), last_mask_);
    const __m128i all = _mm_and_si128(
        _mm_and_si128(_mm_cmpeq_epi8(first, first_value_), _mm_cmpeq_epi8(last, last_value_)),
        _mm_cmpeq_epi8(middle, middle_value_));
    return static_cast<unsigned>(_mm_movemask_epi8(all));
  }

 private:
  size_t middle_offset_;
  size_t last_offset_;
  __m128i first_mask_, first_value_, middle_mask_, middle_value_, last_mask_, last_value_;
};

// The same over 32 starting positions.
class Filter32 {
 public:
  __attribute__((target("avx2"))) explicit Filter32(const Prepared& p)
      : middle_offset_(p.middle_offset),
        last_offset_(p.last_offset),
        first_mask_(Repeat(p.repeated[0])),
        first_value_(Repeat(p.repeated[1])),
        middle_mask_(Repeat(p.repeated[2])),
        middle_value_(Repeat(p.repeated[3])),
        last_mask_(Repeat(p.repeated[4])),
        last_value_(Repeat(p.repeated[5])) {}

  __attribute__((target("avx2"))) uint32_t Bits(const char* hay, size_t block) const {
    return Bits(hay, block, Load32(hay + block));
  }

  // The same, given the 32 bytes at `block` already loaded.
  __attribute__((target("avx2"))) uint32_t Bits(const char* hay, size_t block,
                                                __m256i at_block) const {
    const __m256i first = _mm256_or_si256(at_block, first_mask_);
    const __m256i middle = _mm256_or_si256(Load32(hay + block + middle_offset_), middle_mask_);
    const __m256i last = _mm256_or_si256(Load32(hay + block + last_offset_), last_mask_);
    const __m256i all = _mm256_and_si256(_mm256_and_si256(_mm256_cmpeq_epi8(first, first_value_),
                                                          _mm256_cmpeq_epi8(last, last_value_)),
                                         _mm256_cmpeq_epi8(middle, middle_value_));
    return static_cast<uint32_t>(_mm256_movemask_epi8(all));
  }

  __attribute__((target("avx2"))) static __m256i Load32(const char* at) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
  }

 private:
  __attribute__((target("avx2"))) static __m256i Repeat(const unsigned char* bytes) {
    return _mm256_broadcastsi128_si256(Load16(bytes));
  }

  size_t middle_offset_;
  size_t last_offset_;
  __m256i first_mask_, first_value_, middle_mask_, middle_value_, last_mask_, last_value_;
};

// Searches the starting positions from `from` on, 16 at a time; the last block
// overlaps the one before rather than falling back to a byte loop.
size_t FindSse2(const char* hay, size_t size, size_t from, const Prepared& p) {
  const size_t starts = size - p.needle.size() + 1;
  if (starts < 16) return FindScalar(hay, size, from, p);
  const Filter16 filter(p);
  size_t i = from;
  while (i < starts) {
    const size_t block = i + 16 <= starts ? i : starts - 16;
    const unsigned bits = filter.Bits(hay, block) & (0xffffu << (i - block));
    if (bits != 0) {
      const size_t at = ConfirmCandidates(hay, size, block, bits, p);
      if (at != kNotFound) return at;
    }
    i = block + 16;
  }
  return kNotFound;
}

__attribute__((target("avx2"))) size_t FindAvx2(const char* hay, size_t size, const Prepared& p) {
  const size_t starts = size - p.needle.size() + 1;
  if (starts < 64) return FindSse2(hay, size, 0, p);
  const Filter32 filter(p);
  size_t i = 0;
  // Two blocks a step: long stretches without a candidate cost one test.
  for (; i + 64 <= starts; i += 64) {
    const uint64_t bits = filter.Bits(hay, i) | static_cast<uint64_t>(filter.Bits(hay, i + 32))
                                                    << 32;
    if (bits == 0) continue;
    const size_t at = ConfirmCandidates(hay, size, i, bits, p);
    if (at != kNotFound) return at;
  }
  return FindSse2(hay, size, i, p);
}

// The offset after the last line feed in [from, at), or `from` if there is
// none; 16 bytes at a time, backwards.
size_t LineBeginSse2(const char* text, size_t from, size_t at) {
  const __m128i line_feed = _mm_set1_epi8('\n');
  size_t i = at;
  while (i >= from + 16) {
    i -= 16;
    const auto bits =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(Load16(text + i), line_feed)));
    if (bits != 0) return i + 32 - static_cast<size_t>(__builtin_clz(bits));
  }
  for (; i > from; --i) {
    if (text[i - 1] == '\n') return i;
  }
  return from;
}

__attribute__((target("avx2"))) size_t FindAnyFirstByteAvx2(const char* text, size_t size,
                                                            const ByteTest* tests, size_t count) {
  __m256i masks[kMaxFirstBytes];
  __m256i values[kMaxFirstBytes];
  for (size_t k = 0; k < count; ++k) {
    masks[k] = _mm256_set1_epi8(static_cast<char>(tests[k].mask));
    values[k] = _mm256_set1_epi8(static_cast<char>(tests[k].value));
  }
  size_t i = 0;
  for (; i + 32 <= size; i += 32) {
    const __m256i bytes = Filter32::Load32(text + i);
    __m256i any = _mm256_setzero_si256();
    for (size_t k = 0; k < count; ++k) {
      any = _mm256_or_si256(any, _mm256_cmpeq_epi8(_mm256_or_si256(bytes, masks[k]), values[k]));
    }
    if (const auto bits = static_cast<uint32_t>(_mm256_movemask_epi8(any)); bits != 0) {
      return i + static_cast<size_t>(__builtin_ctz(bits));
    }
  }
  for (; i < size; ++i) {
    for (size_t k = 0; k < count; ++k) {
      if (Passes(tests[k], text[i])) return i;
    }
  }
  return kNotFound;
}

// Line feeds counted 16 bytes at a time; the compare results are summed as
// bytes, emptied into a wide sum before any can overflow.
size_t CountLineFeedsSse2(const char* text, size_t size) {
  const __m128i line_feed = _mm_set1_epi8('\n');
  size_t count = 0;
  size_t i = 0;
  while (i + 16 <= size) {
    __m128i sums = _mm_setzero_si128();
    for (int round = 0; round < 255 && i + 16 <= size; ++round, i += 16) {
      sums = _mm_sub_epi8(sums, _mm_cmpeq_epi8(Load16(text + i), line_feed));
    }
    const __m128i wide = _mm_sad_epu8(sums, _mm_setzero_si128());
    count += static_cast<size_t>(_mm_cvtsi128_si64(wide)) +
             static_cast<size_t>(_mm_extract_epi16(wide, 4));
  }
  for (; i < size; ++i) count += text[i] == '\n' ? 1 : 0;
  return count;
}

// The bytes of a vector of byte counts added up.
__attribute__((target("avx2"))) size_t AddBytes(__m256i sums) {
  const __m256i wide = _mm256_sad_epu8(sums, _mm256_setzero_si256());
  return static_cast<size_t>(_mm256_extract_epi64(wide, 0)) +
         static_cast<size_t>(_mm256_extract_epi64(wide, 1)) +
         static_cast<size_t>(_mm256_extract_epi64(wide, 2)) +
         static_cast<size_t>(_mm256_extract_epi64(wide, 3));
}

// Four sums a step, so that the adds need not wait on one another.
__attribute__((target("avx2"))) size_t CountLineFeedsAvx2(const char* text, size_t size) {
  const __m256i line_feed = _mm256_set1_epi8('\n');
  size_t count = 0;
  size_t i = 0;
  while (i + 128 <= size) {
    __m256i sums[4] = {_mm256_setzero_si256(), _mm256_setzero_si256(), _mm256_setzero_si256(),
                       _mm256_setzero_si256()};
    for (int round = 0; round < 255 && i + 128 <= size; ++round, i += 128) {
      for (size_t k = 0; k < 4; ++k) {
        sums[k] = _mm256_sub_epi8(
            sums[k], _mm256_cmpeq_epi8(Filter32::Load32(text + i + 32 * k), line_feed));
      }
    }
    for (const __m256i& sum : sums) count += AddBytes(sum);
  }
  return count + CountLineFeedsSse2(text + i, size - i);
}

// Adds two vectors of byte counts to *feeds and makes them zero.
__attribute__((target("avx2"))) void EmptySums(__m256i* low, __m256i* high, uint64_t* feeds) {
  *feeds += AddBytes(*low) + AddBytes(*high);
  *low = _mm256_setzero_si256();
  *high = _mm256_setzero_si256();
}

// FindAvx2 that also adds to *feeds the line feeds before the offset found
// (all of them when there is none), counted on the bytes it loads anyway.
__attribute__((target("avx2"))) size_t FindAvx2CountingFeeds(const char* hay, size_t size,
                                                             const Prepared& p, uint64_t* feeds) {
  const size_t starts = size - p.needle.size() + 1;
  size_t i = 0;
  if (starts >= 64) {
    const Filter32 filter(p);
    const __m256i line_feed = _mm256_set1_epi8('\n');
    // Byte counts, emptied before any can pass 255.
    __m256i low = _mm256_setzero_si256();
    __m256i high = _mm256_setzero_si256();
    int rounds = 0;
    for (; i + 64 <= starts; i += 64) {
      const __m256i a = Filter32::Load32(hay + i);
      const __m256i b = Filter32::Load32(hay + i + 32);
      const __m256i a_feeds = _mm256_cmpeq_epi8(a, line_feed);
      const __m256i b_feeds = _mm256_cmpeq_epi8(b, line_feed);
      const uint64_t bits =
          filter.Bits(hay, i, a) | static_cast<uint64_t>(filter.Bits(hay, i + 32, b)) << 32;
      if (bits != 0) {
        const size_t at = ConfirmCandidates(hay, size, i, bits, p);
        if (at != kNotFound) {
          const uint64_t feed_bits =
              static_cast<uint32_t>(_mm256_movemask_epi8(a_feeds)) |
              static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(b_feeds))) << 32;
          const uint64_t before_at = at - i == 64 ? ~uint64_t{0} : (uint64_t{1} << (at - i)) - 1;
          *feeds += static_cast<uint64_t>(__builtin_popcountll(feed_bits & before_at));
          EmptySums(&low, &high, feeds);
          return at;
        }
      }
      low = _mm256_sub_epi8(low, a_feeds);
      high = _mm256_sub_epi8(high, b_feeds);
      if (++rounds == 255) {
        EmptySums(&low, &high, feeds);
        rounds = 0;
      }
    }
    EmptySums(&low, &high, feeds);
  }
  const size_t at = FindSse2(hay, size, i, p);
  *feeds += CountLineFeedsAvx2(hay + i, (at == kNotFound ? size : at) - i);
  return at;
}

bool HasAvx2() { return __builtin_cpu_supports("avx2"); }

#endif  // TALLIX_HAVE_X86_64

bool Supported(InstructionSet set) {
  switch (set) {
    case InstructionSet::kScalar:
      return true;
#if TALLIX_HAVE_X86_64
    case InstructionSet::kSse2:
      return true;
    case InstructionSet::kAvx2:
      return HasAvx2();
#else
    case InstructionSet::kSse2:
    case InstructionSet::kAvx2:
      return false;
#endif
  }
  return false;
}

InstructionSet BestInstructionSet() {
  for (InstructionSet set : {InstructionSet::kAvx2, InstructionSet::kSse2}) {
    if (Supported(set)) return set;
  }
  return InstructionSet::kScalar;
}

// Set before main; a search that ran even earlier would find kScalar here
// (zero), which works everywhere.
InstructionSet g_active_set = BestInstructionSet();

InstructionSet& ActiveSet() { return g_active_set; }

size_t LineBegin(std::string_view text, size_t from, size_t at) {
#if TALLIX_HAVE_X86_64
  if (ActiveSet() != InstructionSet::kScalar) return LineBeginSse2(text.data(), from, at);
#endif
  const size_t feed = text.substr(from, at - from).rfind('\n');
  return feed == std::string_view::npos ? from : from + feed + 1;
}

}  // namespace

std::vector<InstructionSet> SupportedInstructionSets() {
  std::vector<InstructionSet> sets;
  for (InstructionSet set :
       {InstructionSet::kScalar, InstructionSet::kSse2, InstructionSet::kAvx2}) {
    if (Supported(set)) sets.push_back(set);
  }
  return sets;
}

InstructionSet ActiveInstructionSet() { return ActiveSet(); }

bool UseInstructionSet(InstructionSet set) {
  if (!Supported(set)) return false;
  ActiveSet() = set;
  return true;
}

NoCaseFinder::NoCaseFinder(std::string_view needle) {
  Prepared& p = prepared_;
  p.needle = needle;
  if (needle.empty()) return;
  p.middle_offset = needle.size() / 2;
  p.last_offset = needle.size() - 1;
  p.first = TestFor(needle.front());
  p.middle = TestFor(needle[p.middle_offset]);
  p.last = TestFor(needle.back());
  const ByteTest tests[3] = {p.first, p.middle, p.last};
  for (size_t t = 0; t < 3; ++t) {
    std::memset(p.repeated[2 * t], tests[t].mask, 16);
    std::memset(p.repeated[2 * t + 1], tests[t].value, 16);
  }
  for (size_t k = 0; k < kShortNeedle; ++k) {
    const ByteTest test = k < needle.size() ? TestFor(needle[k]) : ByteTest{0xff, 0xff};
    p.masks[k] = test.mask;
    p.values[k] = test.value;
  }
}

size_t NoCaseFinder::Find(std::string_view haystack) const {
  const Prepared& p = prepared_;
  if (p.needle.empty()) return 0;
  if (p.needle.size() > haystack.size()) return kNotFound;
  if (p.needle.size() == 1 && p.first.mask == 0) {
    // One byte without a case, such as the blank that selects all data; a
    // time stamp is too short to be worth a call.
    if (haystack.size() <= 16) {
      for (size_t i = 0; i < haystack.size(); ++i) {
        if (haystack[i] == p.needle[0]) return i;
      }
      return kNotFound;
    }
    const void* at = std::memchr(haystack.data(), p.needle[0], haystack.size());
    return at == nullptr ? kNotFound
                         : static_cast<size_t>(static_cast<const char*>(at) - haystack.data());
  }
  switch (ActiveSet()) {
#if TALLIX_HAVE_X86_64
    case InstructionSet::kAvx2:
      return FindAvx2(haystack.data(), haystack.size(), p);
    case InstructionSet::kSse2:
      return FindSse2(haystack.data(), haystack.size(), 0, p);
#endif
    default:
      return FindScalar(haystack.data(), haystack.size(), 0, p);
  }
}

size_t NoCaseFinder::FindFrom(std::string_view text, size_t from) const {
  const size_t at = Find(text.substr(from));
  return at == kNotFound ? kNotFound : from + at;
}

size_t FindAnyFirstByte(std::string_view text, const NoCaseFinder* const* finders, size_t count) {
  ByteTest tests[kMaxFirstBytes];
  for (size_t k = 0; k < count; ++k) {
    if (finders[k]->needle().empty()) return 0;
    tests[k] = finders[k]->prepared().first;
  }
#if TALLIX_HAVE_X86_64
  if (ActiveSet() == InstructionSet::kAvx2) {
    return FindAnyFirstByteAvx2(text.data(), text.size(), tests, count);
  }
#endif
  for (size_t i = 0; i < text.size(); ++i) {
    for (size_t k = 0; k < count; ++k) {
      if (Passes(tests[k], text[i])) return i;
    }
  }
  return kNotFound;
}

size_t CountLineFeeds(std::string_view text) {
  switch (ActiveSet()) {
#if TALLIX_HAVE_X86_64
    case InstructionSet::kAvx2:
      return CountLineFeedsAvx2(text.data(), text.size());
    case InstructionSet::kSse2:
      return CountLineFeedsSse2(text.data(), text.size());
#endif
    default:
      return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
  }
}

size_t NoCaseFinder::FindFromCountingFeeds(std::string_view text, size_t from,
                                           uint64_t* feeds) const {
  const std::string_view rest = text.substr(from);
  size_t at = kNotFound;
#if TALLIX_HAVE_X86_64
  const Prepared& p = prepared_;
  const bool plain_byte = p.needle.size() == 1 && p.first.mask == 0;
  if (ActiveSet() == InstructionSet::kAvx2 && !p.needle.empty() && !plain_byte &&
      p.needle.size() <= rest.size()) {
    at = FindAvx2CountingFeeds(rest.data(), rest.size(), p, feeds);
    return at == kNotFound ? kNotFound : from + at;
  }
#endif
  at = Find(rest);
  *feeds += CountLineFeeds(rest.substr(0, at));
  return at == kNotFound ? kNotFound : from + at;
}

bool FindLineWithBothCountingFeeds(std::string_view text, size_t from, const NoCaseFinder& anchor,
                                   const NoCaseFinder& other, LineSpan* line, uint64_t* feeds) {
  // A keyword with a line feed in it cannot lie inside a line.
  if (anchor.needle().find('\n') != std::string_view::npos ||
      other.needle().find('\n') != std::string_view::npos) {
    *feeds += CountLineFeeds(text.substr(std::min(from, text.size())));
    return false;
  }
  while (from < text.size()) {
    const size_t at = anchor.FindFromCountingFeeds(text, from, feeds);
    if (at == kNotFound) return false;
    // No line feed lies between the line's start and the anchor, nor in the
    // anchor: the feeds counted are those before the line.
    const size_t begin = LineBegin(text, from, at);
    const size_t feed = text.find('\n', at + anchor.size());
    const size_t end = feed == std::string_view::npos ? text.size() : feed;
    if (other.Find(text.substr(begin, end - begin)) != kNotFound) {
      *line = {begin, end};
      return true;
    }
    if (feed != std::string_view::npos) ++*feeds;
    from = end + 1;
  }
  return false;
}

bool FindLineWithBoth(std::string_view text, size_t from, const NoCaseFinder& anchor,
                      const NoCaseFinder& other, LineSpan* line) {
  uint64_t feeds = 0;  // counted on the way, not wanted here
  return FindLineWithBothCountingFeeds(text, from, anchor, other, line, &feeds);
}

}  // namespace tallix
