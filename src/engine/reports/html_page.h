#pragma once
// What the HTML report's page and its chart share.

#include <cstddef>
#include <string>
#include <string_view>

#include "engine/analysis/periods.h"
#include "engine/reports/report_text.h"

namespace tallix {

// Appends `bytes` as HTML text: made valid UTF-8, markup characters escaped,
// control characters written as U+FFFD.
void AppendEscaped(std::string& out, std::string_view bytes);

// The colour of a site's bars and swatches, told apart also in grey print.
const char* SiteColour(size_t site);

// Closes the section before and writes the chart's: by day, or by `periods`
// (named `unit_name`) when the log spans more than a month.
void AppendChartSection(std::string& out, const ReportRequest& request, const PeriodTable& periods,
                        std::string_view unit_name);

}  // namespace tallix
