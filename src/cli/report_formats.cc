#include "cli/report_formats.h"

#include <algorithm>
#include <array>
#include <optional>

#include "engine/config/config_file.h"
#include "engine/log/log_loader.h"
#include "engine/reports/periods_csv.h"

namespace tallix {
namespace {

// Print Log and Show Log refuse a tally of kCallTotalLimit calls or more.
Status CallTotalGuard(const TallixData&, const TallyResult& tally) {
  return CallTotalGuardPasses(tally) ? Status() : Status::Error(kCallTotalMessage);
}

// The configuration is written only as Options would write it: a field the
// file cannot hold would read back as something else.
Status StorableConfigGuard(const TallixData& data, const TallyResult&) {
  const std::optional<UnstorableField> unstorable = FindUnstorableField(SiteConfigOf(data));
  return unstorable ? Status::Error(unstorable->message) : Status();
}

std::string Summary(const ReportRequest& request) { return JoinCrLf(PrintedSummaryLines(request)); }

std::string Detailed(const ReportRequest& request) {
  return JoinCrLf(PrintedDetailedLogLines(request));
}

std::string Days(const ReportRequest& request) { return JoinCrLf(DayList(request.data)); }

std::string Periods(const ReportRequest& request) {
  const PeriodTable table(CountedTimedCalls(request.data, request.tally), SitesInUse(request.data),
                          request.by.value_or(PeriodUnit::kMonth));
  return PeriodsCsvText(table, request.data.SiteNames);
}

std::string Config(const ReportRequest& request) {
  return ConfigFileText(SiteConfigOf(request.data));
}

// The export formats have no call-total guard: they are not printed pages.
constexpr std::array<ReportFormat, 12> kFormats = {{
    {"saved", nullptr, SavedReportText},
    {"summary", nullptr, Summary},
    {"detailed", CallTotalGuard, Detailed},
    {"showlog", CallTotalGuard, ShowLogText},
    {"days", nullptr, Days},
    {"config", StorableConfigGuard, Config},
    {"unmatched", nullptr, UnmatchedText},
    {"csv", nullptr, CallsCsvText},
    {"json", nullptr, JsonReportText},
    {"html", nullptr, HtmlReportText},
    {"audit", nullptr, AuditCsvText},
    {"periods", nullptr, Periods},
}};

}  // namespace

std::span<const ReportFormat> ReportFormats() { return kFormats; }

const ReportFormat* FindReportFormat(std::string_view name) {
  const auto found = std::find_if(kFormats.begin(), kFormats.end(),
                                  [name](const ReportFormat& f) { return f.name == name; });
  return found == kFormats.end() ? nullptr : &*found;
}

}  // namespace tallix
