#include "cli/report_formats.h"

#include <algorithm>
#include <array>

#include "engine/config/config_file.h"
#include "engine/log/log_loader.h"

namespace tallix {
namespace {

// Print Log and Show Log refuse a tally of kCallTotalLimit calls or more.
std::string CallTotalGuard(const TallixData& data) {
  return CallTotalGuardPasses(data) ? std::string() : std::string(kCallTotalMessage);
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

constexpr std::array<ReportFormat, 6> kFormats = {{
    {"saved", nullptr, Saved},
    {"summary", nullptr, Summary},
    {"detailed", CallTotalGuard, Detailed},
    {"showlog", CallTotalGuard, ShowLog},
    {"days", nullptr, Days},
    {"config", nullptr, Config},
}};

}  // namespace

std::span<const ReportFormat> ReportFormats() { return kFormats; }

const ReportFormat* FindReportFormat(std::string_view name) {
  const auto found = std::find_if(kFormats.begin(), kFormats.end(),
                                  [name](const ReportFormat& f) { return f.name == name; });
  return found == kFormats.end() ? nullptr : &*found;
}

}  // namespace tallix
