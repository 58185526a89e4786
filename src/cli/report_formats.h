#pragma once
// The formats tallix-report writes, in one table of name, guard and renderer,
// so that no format is listed without a way to write it. The usage text's list
// of formats and the check of --format both come from this table: a new
// format is one more row.

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/reports/report_text.h"
#include "engine/util/status.h"

namespace tallix {

struct ReportFormat {
  std::string_view name;  // as --format takes it
  // Why this format refuses the tally, as a failed Status (the command then
  // fails with its message and writes nothing); nullptr for a format that
  // writes any tally.
  Status (*guard)(const SiteConfig& config, const TallyResult& tally);
  // The whole output, made into a sink as it goes: text formats with every
  // line ended by CR LF.
  ReportWriter write;
};

// Every format, in the order the usage lists them; the first is the default.
std::span<const ReportFormat> ReportFormats();

// The format named exactly `name`, or nullptr.
const ReportFormat* FindReportFormat(std::string_view name);

}  // namespace tallix
