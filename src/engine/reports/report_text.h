#pragma once
// Every output of the last tally, as text: the report heading lines that all
// reports begin with, the saved report, the printed summary, the printed
// detailed log and the Show Log text. Each is a pure function of the shared
// data and of the moment it is made; none reads an entry beyond a count.
//
// With no kept line the start and end lines end after their labels.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/app/shared_data.h"

namespace tallix {

// The moment a report is made, as the user's date and time forms write it.
struct ReportClock {
  std::string date;
  std::string time;
};

inline constexpr char kCallTotalMessage[] = "Please reduce the total ISDN calls to <1000";
inline constexpr int kCallTotalLimit = 1000;

// Title, start, end and records lines:
//   "ISDN Log Ananysis for file '<path>' on <date> <time>"
//   "Log Start   : <start>", "Log End     : <end>", "Log Records :  <n>"
// with LogStartAndEnd's texts (log_loader.h).
std::vector<std::string> ReportHeadingLines(const TallixData& data, const ReportClock& now);

// The saved report file, every line ended by CR LF.
std::string SavedReportText(const TallixData& data, const ReportClock& now);

// The printed summary's lines, in order, the closing empty line included.
// `caption` is the result-range caption of the last tally.
std::vector<std::string> PrintedSummaryLines(const TallixData& data, const std::string& caption,
                                             const ReportClock& now);

// The printed detailed log's lines: the summary block and every site's calls.
std::vector<std::string> PrintedDetailedLogLines(const TallixData& data, const std::string& caption,
                                                 const ReportClock& now);

// The sum of the call counts of the sites in use, summed wide.
int64_t CallTotal(const TallixData& data);

// The call-total guard of Print Log and Show Log: true when the total is
// below kCallTotalLimit; otherwise the caller shows kCallTotalMessage.
bool CallTotalGuardPasses(const TallixData& data);

// The Show Log window's text, every line ended by CR LF. The summary's name
// column counts characters: a site name that is valid UTF-8 counts its code
// points, any other name its bytes.
std::string ShowLogText(const TallixData& data, const ReportClock& now);

// Lines joined, each followed by CR LF.
std::string JoinCrLf(const std::vector<std::string>& lines);

}  // namespace tallix
