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
Status CallTotalGuard(const SiteConfig&, const TallyResult& tally) {
  return CallTotalGuardPasses(tally) ? Status() : Status::Error(kCallTotalMessage);
}

// The configuration is written only as Options would write it: a field the
// file cannot hold would read back as something else.
Status StorableConfigGuard(const SiteConfig& config, const TallyResult&) {
  const std::optional<UnstorableField> unstorable = FindUnstorableField(config);
  return unstorable ? Status::Error(unstorable->message) : Status();
}

// The formats below are small (a summary, the day list, fewer than 1000
// calls), and made whole.
void Summary(const ReportRequest& request, ReportSink& sink) {
  sink.text() += JoinCrLf(PrintedSummaryLines(request));
}

void Detailed(const ReportRequest& request, ReportSink& sink) {
  sink.text() += JoinCrLf(PrintedDetailedLogLines(request));
}

void ShowLog(const ReportRequest& request, ReportSink& sink) {
  sink.text() += ShowLogText(request);
}

void Days(const ReportRequest& request, ReportSink& sink) {
  sink.text() += JoinCrLf(request.log.LogDates());
}

void Config(const ReportRequest& request, ReportSink& sink) {
  sink.text() += ConfigFileText(request.config);
}

void Periods(const ReportRequest& request, ReportSink& sink) {
  const PeriodUnit unit = request.by.value_or(PeriodUnit::kMonth);
  const PeriodTable table(CountedTimedCalls(request.log, request.tally),
                          request.config.SitesInUse(), unit);
  if (request.tariffs == nullptr) {
    WritePeriodsCsv(table, request.config.SiteNames, sink);
    return;
  }
  const PeriodCosts costs{*request.tariffs, request.config.SiteNumbers, unit};
  WritePeriodsCsv(table, request.config.SiteNames, sink, &costs);
}

// The export formats have no call-total guard: they are not printed pages.
constexpr std::array<ReportFormat, 13> kFormats = {{
    {"saved", nullptr, WriteSavedReport},
    {"summary", nullptr, Summary},
    {"detailed", CallTotalGuard, Detailed},
    {"showlog", CallTotalGuard, ShowLog},
    {"days", nullptr, Days},
    {"config", StorableConfigGuard, Config},
    {"unmatched", nullptr, WriteUnmatched},
    {"csv", nullptr, WriteCallsCsv},
    {"json", nullptr, WriteJsonReport},
    {"html", nullptr, WriteHtmlReport},
    {"audit", nullptr, WriteAuditCsv},
    {"periods", nullptr, Periods},
    {"tariffs", nullptr, WriteTariffsCsv},
}};

}  // namespace

std::span<const ReportFormat> ReportFormats() { return kFormats; }

const ReportFormat* FindReportFormat(std::string_view name) {
  const auto found = std::find_if(kFormats.begin(), kFormats.end(),
                                  [name](const ReportFormat& f) { return f.name == name; });
  return found == kFormats.end() ? nullptr : &*found;
}

}  // namespace tallix
