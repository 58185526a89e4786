#pragma once
// The periods of a range of days for a window beside the main one: all data
// tallied within the range, as `tallix-report --since FROM --until TO --by
// UNIT` does, in a tally of its own.

#include <chrono>
#include <optional>
#include <vector>

#include "engine/analysis/periods.h"
#include "engine/analysis/time_range.h"
#include "engine/config/site_config.h"
#include "engine/config/tariff_file.h"
#include "engine/log/loaded_log.h"

namespace tallix {

struct RangePeriods {
  PeriodTable table;
  // Per site in use, the figures of its counted calls in the range: the
  // periods' figures together, since a limited range selects no line
  // without a time.
  std::vector<CallFigures> totals;
};

// Tallies all data within `range` and groups the counted calls by `unit`;
// with `tariffs`, costed as TallyCalls costs them.
RangePeriods TallyRangePeriods(const LoadedLog& log, const SiteConfig& config,
                               const TimeRange& range, PeriodUnit unit,
                               const Tariffs* tariffs = nullptr);

// The range from the first second of `first` to the last of `last`, read as
// --since and --until given those dates alone; none when `first` lies after
// `last`.
std::optional<TimeRange> DayRange(std::chrono::year_month_day first,
                                  std::chrono::year_month_day last);

}  // namespace tallix
