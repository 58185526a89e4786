#pragma once
// The periods as CSV, quoted and guarded as every CSV output is (report_text.h),
// lines ended by CR LF: the header
// "period,start,end,site,calls,seconds,average_seconds,longest_seconds,change_calls,change_seconds",
// then one row per period and site, periods in time order and sites in
// order; the changes are empty in the first period's rows.

#include <span>
#include <string>

#include "engine/analysis/periods.h"
#include "engine/config/tariff_file.h"
#include "engine/output/report_sink.h"

namespace tallix {

// With a tariff file, the periods' costs: three more columns,
// "cost,budget,over_budget": the cost, and the site's budget for periods of
// the table's unit with "yes" or "no", both empty when it has none.
struct PeriodCosts {
  const Tariffs& tariffs;
  std::span<const std::string> site_numbers;  // one per site of the table
  PeriodUnit unit;
};

// REQUIRES: site_names holds at least table.sites() names.
void WritePeriodsCsv(const PeriodTable& table, std::span<const std::string> site_names,
                     ReportSink& sink, const PeriodCosts* costs = nullptr);
// The same as one text, for the clipboard.
std::string PeriodsCsvText(const PeriodTable& table, std::span<const std::string> site_names,
                           const PeriodCosts* costs = nullptr);

}  // namespace tallix
