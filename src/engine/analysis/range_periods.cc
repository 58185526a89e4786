#include "engine/analysis/range_periods.h"

#include <array>
#include <string>

#include "engine/analysis/tally.h"

namespace tallix {
namespace {

// The tables a tally writes, as the last tally left them, given back to
// `data` when this goes: also when the tally in between throws.
class LastTallyTables {
 public:
  explicit LastTallyTables(TallixData& data)
      : data_(data), counts_(data.SiteCallCounts), seconds_(data.SiteSeconds) {
    for (int s = 0; s < TallixData::kSiteEntries; ++s) {
      for (int k = 0; k < CallsInUse(data, s); ++k) {
        calls_.push_back({s, k, data.CallStamps(k, s), data.CallSeconds(k, s)});
      }
    }
  }
  LastTallyTables(const LastTallyTables&) = delete;
  LastTallyTables& operator=(const LastTallyTables&) = delete;

  ~LastTallyTables() {
    data_.SiteCallCounts = counts_;
    data_.SiteSeconds = seconds_;
    for (const Call& call : calls_) {
      data_.CallStamps(call.k, call.site) = call.stamp.view();
      data_.CallSeconds(call.k, call.site) = call.seconds;
    }
  }

 private:
  struct Call {
    int site;
    int k;
    CallStamp stamp;
    int32_t seconds;
  };
  TallixData& data_;
  std::array<int16_t, TallixData::kSiteEntries> counts_;
  std::array<int32_t, TallixData::kSiteEntries> seconds_;
  std::vector<Call> calls_;
};

}  // namespace

RangePeriods TallyRangePeriods(TallixData& data, const TimeRange& range, PeriodUnit unit) {
  const LastTallyTables last(data);
  const TallyResult tally = TallyCalls(data, kAllDataSelection, range);
  return {PeriodTable(CountedTimedCalls(data, tally), SitesInUse(data), unit), tally.site_figures};
}

std::optional<LogDays> LogDaysOf(const TallixData& data) {
  const int lines = LinesInUse(data);
  int first = 0;
  while (first < lines && !LineTime(data, first).has_time) ++first;
  if (first == lines) return std::nullopt;
  int last = lines - 1;
  while (!LineTime(data, last).has_time) --last;
  const auto day = [&data](int r) {
    return std::chrono::year_month_day{
        std::chrono::floor<std::chrono::days>(LineTime(data, r).wall)};
  };
  return LogDays{day(first), day(last)};
}

std::optional<TimeRange> DayRange(std::chrono::year_month_day first,
                                  std::chrono::year_month_day last) {
  std::string since;
  std::string until;
  AppendDateText(since, first);
  AppendDateText(until, last);
  TimeRange range;
  if (!ReadTimeRange(since, until, range).ok()) return std::nullopt;
  return range;
}

}  // namespace tallix
