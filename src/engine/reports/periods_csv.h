#pragma once
// The periods as CSV, quoted and guarded as every CSV output is (report_text.h),
// lines ended by CR LF: the header
// "period,start,end,site,calls,seconds,average_seconds,longest_seconds,change_calls,change_seconds",
// then one row per period and site, periods in time order and sites in
// order; the changes are empty in the first period's rows.

#include <span>
#include <string>

#include "engine/analysis/periods.h"
#include "engine/output/report_sink.h"

namespace tallix {

// REQUIRES: site_names holds at least table.sites() names.
void WritePeriodsCsv(const PeriodTable& table, std::span<const std::string> site_names,
                     ReportSink& sink);
// The same as one text, for the clipboard.
std::string PeriodsCsvText(const PeriodTable& table, std::span<const std::string> site_names);

}  // namespace tallix
