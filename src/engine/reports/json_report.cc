// The JSON report, built with nlohmann-json so that escaping is the
// library's; every text goes through LenientUtf8 first.

#include <nlohmann/json.hpp>

#include "engine/analysis/duration.h"
#include "engine/reports/call_breakdown.h"
#include "engine/reports/export_reports.h"
#include "engine/util/lenient_utf8.h"

namespace tallix {
namespace {

using Json = nlohmann::ordered_json;

constexpr size_t kMinuteLength = 12;

Json Text(std::string_view bytes) { return LenientUtf8(bytes); }

Json TextList(const std::vector<std::string>& texts) {
  Json list = Json::array();
  for (const std::string& text : texts) list.push_back(Text(text));
  return list;
}

Json LogObject(const TallixData& data) {
  const int lines = LinesInUse(data);
  Json log = Json::object();
  log["start"] = Text(lines > 0 ? data.LogLines[0].substr(0, kMinuteLength) : "");
  log["end"] =
      Text(lines > 0 ? data.LogLines[static_cast<size_t>(lines - 1)].substr(0, kMinuteLength) : "");
  log["records"] = data.LineCount;
  const int days = std::clamp<int>(data.DateCount, 0, TallixData::kLogDateEntries);
  log["days"] = TextList({data.LogDates.begin(), data.LogDates.begin() + days});
  return log;
}

Json SiteList(const TallixData& data) {
  Json sites = Json::array();
  for (int s = 0; s < SitesInUse(data); ++s) {
    const auto site = static_cast<size_t>(s);
    Json calls = Json::array();
    for (int c = 0; c < CallsInUse(data, s); ++c) {
      Json call = Json::object();
      call["stamp"] = Text(data.CallStamps(c, s));
      call["seconds"] = data.CallSeconds(c, s);
      calls.push_back(std::move(call));
    }
    Json entry = Json::object();
    entry["name"] = Text(data.SiteNames[site]);
    entry["number"] = Text(data.SiteNumbers[site]);
    entry["calls"] = data.SiteCallCounts[site];
    entry["seconds"] = data.SiteSeconds[site];
    entry["duration"] = FormatDuration(data.SiteSeconds[site]);
    entry["call_list"] = std::move(calls);
    sites.push_back(std::move(entry));
  }
  return sites;
}

Json UnmatchedList(const TallixData& data, std::string_view selection) {
  Json list = Json::array();
  for (const UnmatchedNumber& n : UnmatchedNumbers(data, selection)) {
    Json entry = Json::object();
    entry["number"] = Text(n.number);
    entry["calls"] = n.calls;
    entry["seconds"] = n.seconds;
    list.push_back(std::move(entry));
  }
  return list;
}

Json PerDayList(const TallixData& data, std::string_view selection) {
  Json list = Json::array();
  for (const DayCalls& day : CallsPerDay(data, selection)) {
    Json entry = Json::object();
    entry["day"] = Text(day.day);
    entry["calls"] = day.calls;
    entry["seconds"] = day.seconds;
    list.push_back(std::move(entry));
  }
  return list;
}

}  // namespace

std::string JsonReportText(const TallixData& data, const ReportRequest& request) {
  Json report = Json::object();
  report["files"] = TextList(LoadedFiles(data));
  report["selection"] = Text(request.selection);
  report["caption"] = Text(request.caption);
  report["log"] = LogObject(data);
  report["sites"] = SiteList(data);
  report["unmatched"] = UnmatchedList(data, request.selection);
  report["per_day"] = PerDayList(data, request.selection);
  report["total_calls"] = CallTotal(data);
  report["warnings"] = TextList(request.warnings);
  return report.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace tallix
