#include "engine/analysis/tally.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <limits>
#include <optional>
#include <unordered_map>
#include <vector>

#include "engine/analysis/duration.h"
#include "engine/analysis/lenient_number.h"
#include "engine/log/text_search.h"
#include "engine/util/warning_limit.h"

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

// A number's last byte, 256 for the empty number: sites are grouped by it, so
// that a line's number is compared only with the sites whose number ends
// alike, usually one.
size_t Ending(std::string_view number) {
  return number.empty() ? 256 : static_cast<unsigned char>(number.back());
}

bool FitsInt32(int64_t value) {
  return value >= std::numeric_limits<int32_t>::min() &&
         value <= std::numeric_limits<int32_t>::max();
}

const NoCaseFinder kFrom(kNumberField.keyword);
const NoCaseFinder kLasted(kDurationField.keyword);

}  // namespace

CallFields ReadCallFields(std::string_view line) {
  CallFields fields;
  fields.stamp = line.substr(0, kStampWidth);
  const size_t from = KeywordPosition(line, kFrom);
  const size_t lasted = KeywordPosition(line, kLasted);
  fields.has_from = from != 0;
  fields.has_lasted = lasted != 0;
  fields.number = Mid(line, from + kNumberField.offset, kNumberField.width);
  const std::string_view duration = Mid(line, lasted + kDurationField.offset, kDurationField.width);
  // Ten characters hold at most ten digits, but an exponent reaches any size.
  std::optional<int64_t> seconds = PlainWholeNumber(duration);
  if (!seconds) {
    seconds = ReadRoundedNumber(duration, std::numeric_limits<int64_t>::min(),
                                std::numeric_limits<int64_t>::max());
  }
  fields.seconds_read = seconds.has_value();
  fields.seconds = seconds.value_or(0);
  fields.seconds_fit = fields.seconds_read && FitsInt32(fields.seconds);
  return fields;
}

CallTime LineTime(const TallixData& data, int32_t r) {
  const auto line = static_cast<size_t>(r);
  return r >= 0 && line < data.LogLineTimes.size() ? data.LogLineTimes[line] : CallTime{};
}

std::vector<TimedCall> CountedTimedCalls(const TallixData& data, const TallyResult& tally) {
  std::vector<TimedCall> calls;
  for (size_t s = 0; s < tally.counted_lines.size(); ++s) {
    const std::vector<int32_t>& lines = tally.counted_lines[s];
    for (size_t k = 0; k < lines.size(); ++k) {
      const CallTime time = LineTime(data, lines[k]);
      if (!time.has_time) continue;
      calls.push_back({time.wall, static_cast<int>(s),
                       data.CallSeconds(static_cast<int>(k), static_cast<int>(s))});
    }
  }
  return calls;
}

namespace {

// The caption of a tally over `selection`: "All Data" for the single blank,
// otherwise "Free Date Search : '<selection>'"; a limited range follows in
// words after a comma ("All Data, from 1 Dec 2026 to 31 Dec 2026").
std::string SelectionCaption(std::string_view selection, const TimeRange& range) {
  std::string caption = selection == kAllDataSelection
                            ? "All Data"
                            : "Free Date Search : '" + std::string(selection) + "'";
  if (range.limited()) caption += ", " + RangeCaption(range);
  return caption;
}

// Builds the parts of a tally's result that are lists: the calls per day and
// the unmatched numbers, each found through an index of its keys. The views
// point into LogLines, which outlives the tally.
class TallyLists {
 public:
  TallyLists(TallyResult& result, int sites)
      : result_(result), sites_(static_cast<size_t>(sites)) {}

  // A counted call of `site` on the day `line` begins with.
  void AddDayCall(std::string_view line, size_t site, int64_t seconds) {
    const std::string_view day = line.substr(0, kDayWidth);
    // Lines come in runs of one day: the last day is the usual hit.
    if (last_day_ == nullptr || last_day_->day != day) {
      const auto [at, added] = day_index_.try_emplace(day, result_.days.size());
      if (added) {
        result_.days.push_back(
            {std::string(day), std::vector<int64_t>(sites_), std::vector<int64_t>(sites_)});
      }
      last_day_ = &result_.days[at->second];
    }
    ++last_day_->calls[site];
    last_day_->seconds[site] += seconds;
  }

  void AddUnmatched(const CallFields& call) {
    if (call.seconds_fit) result_.unmatched_seconds += call.seconds;
    const auto [at, added] = number_index_.try_emplace(call.number, result_.unmatched.size());
    if (added) result_.unmatched.push_back({std::string(call.number), 0, 0});
    // The list grows, so no pointer into it is kept across calls.
    UnmatchedNumber& entry = result_.unmatched[at->second];
    ++entry.calls;
    if (call.seconds_fit) entry.seconds += call.seconds;
  }

  void SortUnmatched() {
    std::sort(result_.unmatched.begin(), result_.unmatched.end(),
              [](const UnmatchedNumber& a, const UnmatchedNumber& b) {
                return a.calls != b.calls ? a.calls > b.calls : a.number < b.number;
              });
  }

 private:
  TallyResult& result_;
  size_t sites_;
  std::unordered_map<std::string_view, size_t> day_index_;
  std::unordered_map<std::string_view, size_t> number_index_;
  DayCalls* last_day_ = nullptr;  // stays valid: days are only added before it is set
};

}  // namespace

TallyResult TallyCalls(TallixData& data, std::string_view selection, const TimeRange& range) {
  TallyResult result;
  result.selection = selection;
  result.caption = SelectionCaption(selection, range);
  const int sites = SitesInUse(data);
  const int lines = LinesInUse(data);
  for (size_t s = 0; s < static_cast<size_t>(sites); ++s) {
    data.SiteCallCounts[s] = 0;
    data.SiteSeconds[s] = 0;
  }
  bool site_full_reported[TallixData::kSiteEntries] = {};
  Reconciliation& sums = result.reconciliation;
  for (const uint64_t file_lines : data.LogFileLines) sums.lines_read += file_lines;
  sums.kept = static_cast<uint64_t>(lines);
  sums.beyond_kept_limit = data.LinesBeyondKept;
  result.lines.resize(static_cast<size_t>(lines));
  result.counted_lines.resize(static_cast<size_t>(sites));
  result.site_figures.resize(static_cast<size_t>(sites));
  TallyLists lists(result, sites);

  const NoCaseFinder selected(selection);
  std::array<uint32_t, 257> sites_by_ending{};
  for (size_t s = 0; s < static_cast<size_t>(sites); ++s) {
    sites_by_ending[Ending(data.SiteNumbers[s])] |= 1u << s;
  }
  size_t totals_past_32_bits = 0;
  for (int r = 0; r < lines; ++r) {
    const std::string_view line = data.LogLines[static_cast<size_t>(r)];
    const CallFields call = ReadCallFields(line);
    LineResult& outcome = result.lines[static_cast<size_t>(r)];
    outcome.stamp = call.stamp;
    outcome.number = call.number;
    outcome.seconds = call.seconds;
    outcome.seconds_read = call.seconds_read;
    const CallTime time = LineTime(data, r);
    sums.without_time += !time.has_time;
    outcome.selected = selected.Find(call.stamp) != std::string_view::npos && range.Contains(time);
    if (!outcome.selected) continue;
    ++sums.selected;
    sums.without_from += !call.has_from;
    sums.without_lasted += !call.has_lasted;
    uint32_t matches = 0;
    for (uint32_t left = sites_by_ending[Ending(call.number)]; left != 0; left &= left - 1) {
      const int s = std::countr_zero(left);
      matches |= static_cast<uint32_t>(call.number == data.SiteNumbers[static_cast<size_t>(s)])
                 << s;
    }
    outcome.credited = static_cast<uint16_t>(matches);
    if (matches == 0) {
      ++sums.unmatched;
      lists.AddUnmatched(call);
      continue;
    }
    ++sums.credited;
    bool duration_reported = false;
    for (uint32_t left = matches; left != 0; left &= left - 1) {
      const int s = std::countr_zero(left);
      const auto site = static_cast<size_t>(s);
      const uint16_t bit = static_cast<uint16_t>(1u << s);
      ++sums.credits;
      const int16_t k = data.SiteCallCounts[site];
      if (k >= TallixData::kMaxCallsPerSite) {
        ++sums.beyond_site_limit;
        outcome.beyond_limit |= bit;
        if (!site_full_reported[site]) {
          site_full_reported[site] = true;
          result.warnings.push_back("site '" + data.SiteNames[site] + "' has more than " +
                                    std::to_string(TallixData::kMaxCallsPerSite) +
                                    " calls; only the first " +
                                    std::to_string(TallixData::kMaxCallsPerSite) + " are counted");
        }
        continue;
      }
      int64_t seconds = call.seconds_fit ? call.seconds : 0;
      if (!call.seconds_fit) {
        outcome.zero_seconds |= bit;
        if (!duration_reported) {
          duration_reported = true;
          result.warnings.push_back(
              "kept line " + std::to_string(r + 1) + " ('" + std::string(call.stamp) +
              "'): the duration does not fit 32 bits; the call counts 0 seconds");
        }
      } else if (!FitsInt32(data.SiteSeconds[site] + seconds)) {
        outcome.zero_seconds |= bit;
        // One per call, each naming its site: only the first few are made.
        if (++totals_past_32_bits <= kWarningsOfAKind) {
          result.warnings.push_back("kept line " + std::to_string(r + 1) + " ('" +
                                    std::string(call.stamp) + "'): the total of site '" +
                                    data.SiteNames[site] +
                                    "' would not fit 32 bits; the call counts 0 seconds");
        }
        seconds = 0;
      }
      sums.seconds_not_counted += (outcome.zero_seconds & bit) != 0;
      data.CallStamps(k, s) = call.stamp;
      data.CallSeconds(k, s) = static_cast<int32_t>(seconds);
      data.SiteSeconds[site] = static_cast<int32_t>(data.SiteSeconds[site] + seconds);
      data.SiteCallCounts[site] = static_cast<int16_t>(k + 1);
      result.counted_lines[site].push_back(r);
      result.site_figures[site].Add(seconds);
      result.counted_seconds += seconds;
      lists.AddDayCall(line, site, seconds);
    }
  }
  if (totals_past_32_bits > kWarningsOfAKind) {
    result.warnings.push_back(MoreLikeIt(totals_past_32_bits - kWarningsOfAKind));
  }
  for (int s = 0; s < sites; ++s) sums.counted += static_cast<uint64_t>(CallsInUse(data, s));
  lists.SortUnmatched();
  return result;
}

std::span<const ReconciliationFigure> ReconciliationFigures() {
  using R = Reconciliation;
  static constexpr ReconciliationFigure kFigures[] = {
      {"lines_read", "Lines read", &R::lines_read, 0, "LinesRead", "Lines read", true, nullptr},
      {"kept", "Call-end lines kept", &R::kept, 1, "LinesKept", "Call-end lines kept", true,
       nullptr},
      {"beyond_kept_limit", "Call-end lines beyond the kept limit", &R::beyond_kept_limit, 5,
       "BeyondLimit", "Beyond a limit", true,
       "Call-end lines past the lines a log keeps, plus calls not counted because their site "
       "was full"},
      {"selected", "Kept lines selected", &R::selected, 2, "LinesSelected", "Selected", true,
       nullptr},
      {"credited", "Selected, credited to a site", &R::credited, 3, "LinesCredited",
       "Credited to a site", true, nullptr},
      {"unmatched", "Selected, credited to no site", &R::unmatched, 4, "LinesUnmatched",
       "Credited to no site", true, nullptr},
      {"credits", "Credits (a line counts once for each site with its number)", &R::credits, -1,
       nullptr, nullptr, false, nullptr},
      {"counted", "Calls counted", &R::counted, 6, "CallsCounted", "Calls counted", true, nullptr},
      {"beyond_site_limit", "Credits beyond a site's limit", &R::beyond_site_limit, 5, nullptr,
       nullptr, true, nullptr},
      {"seconds_not_counted", "Calls counted with 0 seconds", &R::seconds_not_counted, 7,
       "SecondsNotCounted", "Calls counting 0 s", false, nullptr},
      {"without_from", "Selected lines without \"from\"", &R::without_from, 8, "WithoutFrom",
       "Lines without 'from'", false, nullptr},
      {"without_lasted", "Selected lines without \"lasted\"", &R::without_lasted, 9,
       "WithoutLasted", "Lines without 'lasted'", false, nullptr},
      {"without_time", "Kept lines without a time", &R::without_time, 10, "WithoutTime",
       "Lines without a time", false, "Kept lines whose stamp gives no date and time"},
  };
  return kFigures;
}

bool CallTotalGuardPasses(const TallyResult& tally) {
  return tally.reconciliation.counted < kCallTotalLimit;
}

}  // namespace tallix
