#include "engine/analysis/range_periods.h"

#include <string>

#include "engine/analysis/tally.h"

namespace tallix {
RangePeriods TallyRangePeriods(const LoadedLog& log, const SiteConfig& config,
                               const TimeRange& range, PeriodUnit unit, const Tariffs* tariffs) {
  const TallyResult tally = TallyCalls(log, config, kAllDataSelection, range, tariffs);
  RangePeriods periods{PeriodTable(CountedTimedCalls(log, tally), config.SitesInUse(), unit), {}};
  for (const SiteTally& site : tally.sites) periods.totals.push_back(site.figures);
  return periods;
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
