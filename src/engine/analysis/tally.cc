#include "engine/analysis/tally.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <vector>

#include "engine/analysis/duration.h"
#include "engine/analysis/lenient_number.h"
#include "engine/util/text_search.h"

namespace tallix {
namespace {

// Like the 1-based Mid(line, start, length): empty when start lies past the end.
std::string_view Mid(std::string_view line, size_t start, size_t length) {
  if (start > line.size()) return {};
  return line.substr(start - 1, length);
}

// The 1-based position of `keyword`, or 0 when absent.
size_t KeywordPosition(std::string_view line, const NoCaseFinder& keyword) {
  const size_t offset = keyword.Find(line);
  return offset == std::string_view::npos ? 0 : offset + 1;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

// The duration as the router writes it: blanks, an optional sign and digits,
// followed by nothing that could continue the number. nullopt for anything
// else (a fraction, an exponent, no digits), which the full lenient reader
// takes; where both apply they agree.
std::optional<int64_t> PlainWholeNumber(std::string_view field) {
  size_t i = 0;
  while (i < field.size() && IsBlank(field[i])) ++i;
  bool negative = false;
  if (i < field.size() && (field[i] == '+' || field[i] == '-')) negative = field[i++] == '-';
  int64_t value = 0;
  bool digits = false;
  for (; i < field.size(); ++i) {
    const char c = field[i];
    if (c >= '0' && c <= '9') {
      // Ten characters hold at most ten digits: no overflow.
      value = value * 10 + (c - '0');
      digits = true;
    } else if (!IsBlank(c)) {
      break;
    }
  }
  if (!digits) return std::nullopt;
  if (i < field.size()) {
    const char c = FoldCase(field[i]);
    if (c == '.' || c == 'e' || c == 'd') return std::nullopt;
  }
  return negative ? -value : value;
}

// A site number held as two machine words, so that the numbers of a line and
// of a site compare in two steps. The words cover the whole text for the
// usual lengths of 8 and more (they overlap); shorter texts are padded.
class NumberKey {
 public:
  NumberKey() = default;
  explicit NumberKey(std::string_view text) : size_(text.size()) {
    if (text.size() >= 8) {
      std::memcpy(&head_, text.data(), 8);
      std::memcpy(&tail_, text.data() + text.size() - 8, 8);
    } else if (!text.empty()) {  // an empty view may hold no pointer at all
      std::memcpy(&head_, text.data(), text.size());
    }
  }
  // Without branches: which site a line belongs to changes from line to line.
  bool operator==(const NumberKey& other) const {
    return ((size_ ^ other.size_) | (head_ ^ other.head_) | (tail_ ^ other.tail_)) == 0;
  }

  // One of 64 buckets, from all of the key.
  size_t Bucket() const {
    const uint64_t mixed = (head_ ^ (tail_ * 0x9e3779b97f4a7c15u) ^ size_) * 0xff51afd7ed558ccdu;
    return static_cast<size_t>(mixed >> 58);
  }

 private:
  size_t size_ = 0;
  uint64_t head_ = 0;
  uint64_t tail_ = 0;
};

// Which sites a number belongs to. The sites are grouped by their numbers'
// buckets, so that a line's number is compared only with the sites that
// share its bucket, usually one, however many sites there are.
class SiteIndex {
 public:
  explicit SiteIndex(const TallixData& data) {
    for (size_t s = 0; s < static_cast<size_t>(SitesInUse(data)); ++s) {
      keys_[s] = NumberKey(data.SiteNumbers[s]);
      buckets_[keys_[s].Bucket()] |= 1u << s;
    }
  }

  // Bit s set for every site s whose number is `number`.
  uint32_t Matches(const NumberKey& number) const {
    uint32_t matches = 0;
    for (uint32_t in_bucket = buckets_[number.Bucket()]; in_bucket != 0;
         in_bucket &= in_bucket - 1) {
      const int s = std::countr_zero(in_bucket);
      matches |= static_cast<uint32_t>(number == keys_[static_cast<size_t>(s)]) << s;
    }
    return matches;
  }

 private:
  std::array<NumberKey, TallixData::kSiteEntries> keys_{};
  std::array<uint32_t, 64> buckets_{};
};

bool FitsInt32(int64_t value) {
  return value >= std::numeric_limits<int32_t>::min() &&
         value <= std::numeric_limits<int32_t>::max();
}

const NoCaseFinder kFrom("from");
const NoCaseFinder kLasted("lasted");

}  // namespace

CallFields ReadCallFields(std::string_view line) {
  CallFields fields;
  fields.stamp = line.substr(0, kStampWidth);
  fields.number = Mid(line, KeywordPosition(line, kFrom) + 5, kNumberWidth);
  const std::string_view duration = Mid(line, KeywordPosition(line, kLasted) + 7, kDurationWidth);
  constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  std::optional<int64_t> seconds = PlainWholeNumber(duration);
  if (seconds && (*seconds < kMin || *seconds > kMax)) seconds.reset();
  // Ten characters hold at most ten digits, but an exponent reaches any size.
  else if (!seconds)
    seconds = ReadRoundedNumber(duration, kMin, kMax);
  fields.seconds_fit = seconds.has_value();
  fields.seconds = seconds.value_or(0);
  return fields;
}

std::string SelectionCaption(std::string_view selection) {
  if (selection == kAllDataSelection) return "All Data";
  return "Free Date Search : '" + std::string(selection) + "'";
}

TallyResult TallyCalls(TallixData& data, std::string_view selection) {
  TallyResult result;
  const int sites = SitesInUse(data);
  const int lines = LinesInUse(data);
  for (size_t s = 0; s < static_cast<size_t>(sites); ++s) {
    data.SiteCallCounts[s] = 0;
    data.SiteSeconds[s] = 0;
  }
  bool site_full_reported[TallixData::kSiteEntries] = {};

  const NoCaseFinder selected(selection);
  const SiteIndex site_index(data);
  for (int r = 0; r < lines; ++r) {
    const std::string_view line = data.LogLines[static_cast<size_t>(r)];
    // The fields of a line that is not selected are never used.
    if (selected.Find(line.substr(0, kStampWidth)) == std::string_view::npos) continue;
    const CallFields call = ReadCallFields(line);
    uint32_t matches = site_index.Matches(NumberKey(call.number));
    bool duration_reported = false;
    for (; matches != 0; matches &= matches - 1) {
      const int s = std::countr_zero(matches);
      const auto site = static_cast<size_t>(s);
      const int16_t k = data.SiteCallCounts[site];
      if (k >= TallixData::kMaxCallsPerSite) {
        if (!site_full_reported[site]) {
          site_full_reported[site] = true;
          result.warnings.push_back("site '" + data.SiteNames[site] + "' has more than " +
                                    std::to_string(TallixData::kMaxCallsPerSite) +
                                    " calls; only the first " +
                                    std::to_string(TallixData::kMaxCallsPerSite) + " are counted");
        }
        continue;
      }
      int64_t seconds = call.seconds;
      if (!call.seconds_fit && !duration_reported) {
        duration_reported = true;
        result.warnings.push_back(
            "kept line " + std::to_string(r + 1) + " ('" + std::string(call.stamp) +
            "'): the duration does not fit 32 bits; the call counts 0 seconds");
      } else if (call.seconds_fit && !FitsInt32(data.SiteSeconds[site] + seconds)) {
        result.warnings.push_back("kept line " + std::to_string(r + 1) + " ('" +
                                  std::string(call.stamp) + "'): the total of site '" +
                                  data.SiteNames[site] +
                                  "' would not fit 32 bits; the call counts 0 seconds");
        seconds = 0;
      }
      data.CallStamps(k, s) = call.stamp;
      data.CallSeconds(k, s) = static_cast<int32_t>(seconds);
      data.SiteSeconds[site] = static_cast<int32_t>(data.SiteSeconds[site] + seconds);
      data.SiteCallCounts[site] = static_cast<int16_t>(k + 1);
    }
  }

  result.rows.reserve(static_cast<size_t>(sites));
  for (size_t s = 0; s < static_cast<size_t>(sites); ++s) {
    result.rows.push_back(
        {std::to_string(data.SiteCallCounts[s]), FormatDuration(data.SiteSeconds[s])});
  }
  result.caption = SelectionCaption(selection);
  return result;
}

}  // namespace tallix
