#include "cli/report_formats.h"

#include <algorithm>
#include <array>
#include <optional>

#include "engine/config/config_file.h"
#include "engine/log/log_loader.h"
#include "engine/reports/export_reports.h"

namespace tallix {
namespace {

// Print Log and Show Log refuse a tally of kCallTotalLimit calls or more.
std::string CallTotalGuard(const TallixData& data) {
  return CallTotalGuardPasses(data) ? std::string() : std::string(kCallTotalMessage);
}

// The configuration is written only as Options would write it: a field the
// file cannot hold would read back as something else.
std::string StorableConfigGuard(const TallixData& data) {
  const std::optional<UnstorableField> unstorable = FindUnstorableField(SiteConfigOf(data));
  return unstorable ? unstorable->message : std::string();
}

std::string Saved(const ReportInput& in) { return SavedReportText(in.data, in.now); }

std::string Summary(const ReportInput& in) {
  return JoinCrLf(PrintedSummaryLines(in.data, in.tally.caption, in.now));
}

std::string Detailed(const ReportInput& in) {
  return JoinCrLf(PrintedDetailedLogLines(in.data, in.tally.caption, in.now));
}

std::string ShowLog(const ReportInput& in) { return ShowLogText(in.data, in.now); }

std::string Days(const ReportInput& in) { return JoinCrLf(DayList(in.data)); }

std::string Config(const ReportInput& in) { return ConfigFileText(SiteConfigOf(in.data)); }

ReportRequest RequestOf(const ReportInput& in) {
  return {std::string(in.selection), in.tally.caption, in.warnings, in.now};
}

std::string Unmatched(const ReportInput& in) { return UnmatchedText(in.data, RequestOf(in)); }

std::string Csv(const ReportInput& in) { return CallsCsvText(in.data); }

std::string Json(const ReportInput& in) { return JsonReportText(in.data, RequestOf(in)); }

std::string Html(const ReportInput& in) { return HtmlReportText(in.data, RequestOf(in)); }

// The export formats have no call-total guard: they are not printed pages.
constexpr std::array<ReportFormat, 10> kFormats = {{
    {"saved", nullptr, Saved},
    {"summary", nullptr, Summary},
    {"detailed", CallTotalGuard, Detailed},
    {"showlog", CallTotalGuard, ShowLog},
    {"days", nullptr, Days},
    {"config", StorableConfigGuard, Config},
    {"unmatched", nullptr, Unmatched},
    {"csv", nullptr, Csv},
    {"json", nullptr, Json},
    {"html", nullptr, Html},
}};

}  // namespace

std::span<const ReportFormat> ReportFormats() { return kFormats; }

const ReportFormat* FindReportFormat(std::string_view name) {
  const auto found = std::find_if(kFormats.begin(), kFormats.end(),
                                  [name](const ReportFormat& f) { return f.name == name; });
  return found == kFormats.end() ? nullptr : &*found;
}

}  // namespace tallix
