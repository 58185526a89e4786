#include "engine/analysis/tally.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <limits>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/analysis/cost.h"
#include "engine/analysis/duration.h"
#include "engine/analysis/lenient_number.h"
#include "engine/app/line_fields.h"
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
// point into the log's lines, which outlive the tally.
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

  void AddUnmatched(const CallFields& call, const std::optional<int64_t>& cost) {
    if (call.seconds_fit) result_.unmatched_seconds += call.seconds;
    const auto [at, added] = number_index_.try_emplace(call.number, result_.unmatched.size());
    if (added) result_.unmatched.push_back({std::string(call.number), 0, 0, std::nullopt});
    // The list grows, so no pointer into it is kept across calls.
    UnmatchedNumber& entry = result_.unmatched[at->second];
    ++entry.calls;
    if (call.seconds_fit) entry.seconds += call.seconds;
    if (cost) entry.cost = AddMoney(entry.cost.value_or(0), *cost);
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
  const std::optional<int64_t> seconds = ReadRoundedNumber(
      duration, std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max());
  fields.seconds_read = seconds.has_value();
  fields.seconds = seconds.value_or(0);
  fields.seconds_fit = fields.seconds_read && FitsInt32(fields.seconds);
  return fields;
}

int64_t CountedSeconds(const LineResult& line) {
  return line.seconds_read && FitsInt32(line.seconds) ? line.seconds : 0;
}

std::vector<TimedCall> CountedTimedCalls(const LoadedLog& log, const TallyResult& tally) {
  std::vector<TimedCall> calls;
  for (size_t s = 0; s < tally.sites.size(); ++s) {
    for (const CountedCall& call : tally.sites[s].calls) {
      const CallTime time = log.LineTime(call.line);
      const int64_t cost = tally.lines[static_cast<size_t>(call.line)].cost.value_or(0);
      if (time.has_time) calls.push_back({time.wall, static_cast<int>(s), call.seconds, cost});
    }
  }
  return calls;
}

std::span<const CountedCall> TallyResult::CallsOf(int s) const {
  if (s < 0 || static_cast<size_t>(s) >= sites.size()) return {};
  return sites[static_cast<size_t>(s)].calls;
}

int16_t TallyResult::SiteCallCounts(int s) const { return static_cast<int16_t>(CallsOf(s).size()); }

int32_t TallyResult::SiteSeconds(int s) const {
  // The tally keeps each site's total within 32 bits.
  return CallsOf(s).empty() ? 0
                            : static_cast<int32_t>(sites[static_cast<size_t>(s)].figures.seconds);
}

std::string_view TallyResult::CallStamps(int k, int s) const {
  return lines[static_cast<size_t>(CallsOf(s)[static_cast<size_t>(k)].line)].stamp;
}

int32_t TallyResult::CallSeconds(int k, int s) const {
  return CallsOf(s)[static_cast<size_t>(k)].seconds;
}

TallyResult TallyCalls(const LoadedLog& log, const SiteConfig& config, std::string_view selection,
                       const TimeRange& range, const Tariffs* tariffs) {
  std::optional<CallCoster> coster;
  if (tariffs != nullptr) coster.emplace(*tariffs);
  TallyResult result;
  result.selection = selection;
  result.caption = SelectionCaption(selection, range);
  const int sites = config.SitesInUse();
  const int lines = log.LineCount();
  bool site_full_reported[SiteConfig::kSites] = {};
  Reconciliation& sums = result.reconciliation;
  for (const uint64_t file_lines : log.LogFileLines) sums.lines_read += file_lines;
  sums.kept = static_cast<uint64_t>(lines);
  sums.beyond_kept_limit = log.LinesBeyondKept;
  result.lines.resize(static_cast<size_t>(lines));
  result.sites.resize(static_cast<size_t>(sites));
  TallyLists lists(result, sites);

  const NoCaseFinder selected(selection);
  std::array<uint32_t, 257> sites_by_ending{};
  for (size_t s = 0; s < static_cast<size_t>(sites); ++s) {
    sites_by_ending[Ending(config.SiteNumbers[s])] |= 1u << s;
  }
  WarningCap warnings;
  // Told at the end of the list, not after the tenth, as reports have always
  // placed them.
  size_t totals_past_32_bits = 0;
  for (int r = 0; r < lines; ++r) {
    const LogLine& kept = log.LogLines()[static_cast<size_t>(r)];
    const std::string_view line = kept.text;
    const CallFields call = ReadCallFields(line);
    LineResult& outcome = result.lines[static_cast<size_t>(r)];
    outcome.stamp = call.stamp;
    outcome.number = call.number;
    outcome.seconds = call.seconds;
    outcome.seconds_read = call.seconds_read;
    sums.without_time += !kept.time.has_time;
    outcome.selected =
        selected.Find(call.stamp) != std::string_view::npos && range.Contains(kept.time);
    if (!outcome.selected) continue;
    ++sums.selected;
    sums.without_from += !call.has_from;
    sums.without_lasted += !call.has_lasted;
    if (coster) {
      // Costed once as a call, whatever the sites it is credited to.
      const std::optional<size_t> tariff = ChooseTariff(*tariffs, call.number);
      const int64_t seconds = CountedSeconds(outcome);
      std::optional<WallTime> start;
      if (kept.time.has_time && tariff) start = CallStart(kept.time.wall, seconds);
      if (start) outcome.cost = coster->Cost(*tariff, *start, seconds);
      sums.without_cost += !outcome.cost;
    }
    uint32_t matches = 0;
    for (uint32_t left = sites_by_ending[Ending(call.number)]; left != 0; left &= left - 1) {
      const int s = std::countr_zero(left);
      matches |= static_cast<uint32_t>(call.number == config.SiteNumbers[static_cast<size_t>(s)])
                 << s;
    }
    outcome.credited = static_cast<uint16_t>(matches);
    if (matches == 0) {
      ++sums.unmatched;
      lists.AddUnmatched(call, outcome.cost);
      continue;
    }
    ++sums.credited;
    bool duration_reported = false;
    const auto line_named = [&] {
      return "kept line " + std::to_string(r + 1) + " ('" + std::string(call.stamp) + "'): ";
    };
    for (uint32_t left = matches; left != 0; left &= left - 1) {
      const int s = std::countr_zero(left);
      const auto site = static_cast<size_t>(s);
      const uint16_t bit = static_cast<uint16_t>(1u << s);
      ++sums.credits;
      SiteTally& tally = result.sites[site];
      if (tally.calls.size() >= TallyResult::kMaxCallsPerSite) {
        ++sums.beyond_site_limit;
        outcome.beyond_limit |= bit;
        if (!std::exchange(site_full_reported[site], true)) {
          const std::string limit = std::to_string(TallyResult::kMaxCallsPerSite);
          warnings.Add("site '" + config.SiteNames[site] + "' has more than " + limit +
                       " calls; only the first " + limit + " are counted");
        }
        continue;
      }
      const bool fits = call.seconds_fit && FitsInt32(tally.figures.seconds + call.seconds);
      const int64_t seconds = fits ? call.seconds : 0;
      if (!fits) {
        outcome.zero_seconds |= bit;
        ++sums.seconds_not_counted;
      }
      if (!call.seconds_fit && !std::exchange(duration_reported, true)) {
        warnings.Add(line_named() + "the duration does not fit 32 bits; the call counts 0 seconds");
      } else if (call.seconds_fit && !fits && ++totals_past_32_bits <= kWarningsOfAKind) {
        warnings.Add(line_named() + "the total of site '" + config.SiteNames[site] +
                     "' would not fit 32 bits; the call counts 0 seconds");
      }
      tally.calls.push_back({r, static_cast<int32_t>(seconds)});
      tally.figures.Add(seconds, outcome.cost.value_or(0));
      result.counted_seconds += seconds;
      lists.AddDayCall(line, site, seconds);
    }
  }
  result.warnings = warnings.Told();
  if (totals_past_32_bits > kWarningsOfAKind) {
    result.warnings.push_back(MoreLikeIt(totals_past_32_bits - kWarningsOfAKind));
  }
  for (const SiteTally& site : result.sites) sums.counted += site.calls.size();
  lists.SortUnmatched();
  return result;
}

std::span<const ReconciliationFigure> ReconciliationFigures() {
  using R = Reconciliation;
  static constexpr ReconciliationFigure kFigures[] = {
      {"lines_read", "Lines read", &R::lines_read},
      {"kept", "Call-end lines kept", &R::kept},
      {"beyond_kept_limit", "Call-end lines beyond the kept limit", &R::beyond_kept_limit},
      {"selected", "Kept lines selected", &R::selected},
      {"credited", "Selected, credited to a site", &R::credited},
      {"unmatched", "Selected, credited to no site", &R::unmatched},
      {"credits", "Credits (a line counts once for each site with its number)", &R::credits},
      {"counted", "Calls counted", &R::counted},
      {"beyond_site_limit", "Credits beyond a site's limit", &R::beyond_site_limit},
      {"seconds_not_counted", "Calls counted with 0 seconds", &R::seconds_not_counted},
      {"without_from", "Selected lines without \"from\"", &R::without_from},
      {"without_lasted", "Selected lines without \"lasted\"", &R::without_lasted},
      {"without_time", "Kept lines without a time", &R::without_time},
  };
  return kFigures;
}

bool CallTotalGuardPasses(const TallyResult& tally) {
  return tally.reconciliation.counted < kCallTotalLimit;
}

}  // namespace tallix
