#pragma once
// The periods of a range of days for a window beside the main one: all data
// tallied within the range, as `tallix-report --since FROM --until TO --by
// UNIT` does, without disturbing the results of the last tally that the
// main window and its reports read.

#include <chrono>
#include <optional>
#include <vector>

#include "engine/analysis/periods.h"
#include "engine/analysis/time_range.h"
#include "engine/app/shared_data.h"

namespace tallix {

struct RangePeriods {
  PeriodTable table;
  // Per site in use, the figures of its counted calls in the range: the
  // periods' figures together, since a limited range selects no line
  // without a time.
  std::vector<CallFigures> totals;
};

// Tallies all data within `range` and groups the counted calls by `unit`.
// SiteCallCounts, SiteSeconds, CallStamps and CallSeconds are the last
// tally's again when it returns.
RangePeriods TallyRangePeriods(TallixData& data, const TimeRange& range, PeriodUnit unit);

// The days of the first and last kept lines that have a time, in log order;
// none when no kept line has one.
struct LogDays {
  std::chrono::year_month_day first;
  std::chrono::year_month_day last;
};
std::optional<LogDays> LogDaysOf(const TallixData& data);

// The range from the first second of `first` to the last of `last`, read as
// --since and --until given those dates alone; none when `first` lies after
// `last`.
std::optional<TimeRange> DayRange(std::chrono::year_month_day first,
                                  std::chrono::year_month_day last);

}  // namespace tallix
