// The unmatched numbers as a table in the Show Log window's style.

#include <algorithm>

#include "engine/analysis/duration.h"
#include "engine/reports/call_breakdown.h"
#include "engine/reports/export_reports.h"

namespace tallix {
namespace {

void AppendLine(std::string& out, std::string_view line) {
  out += line;
  out += "\r\n";
}

// "<label padded to width> : <count padded to 6>: <duration>", as the rows of
// the Show Log summary.
std::string TableRow(std::string_view label, size_t width, int64_t calls, int64_t seconds) {
  const std::string count = std::to_string(calls);
  std::string row(label);
  row.append(width - label.size(), ' ');
  row += " : " + count;
  row.append(count.size() < 6 ? 6 - count.size() : 0, ' ');
  return row + ": " + FormatLongDuration(seconds);
}

}  // namespace

std::vector<std::string> LoadedFiles(const TallixData& data) {
  if (!data.LogFilePaths.empty()) return data.LogFilePaths;
  return {data.LogFilePath};
}

std::string UnmatchedText(const TallixData& data, const ReportRequest& request) {
  const std::vector<std::string> heading = ReportHeadingLines(data, request.now);
  const std::vector<UnmatchedNumber> numbers = UnmatchedNumbers(data, request.selection);
  constexpr std::string_view kNumber = "Number";
  constexpr std::string_view kTotal = "Total";
  size_t width = kNumber.size();
  int64_t calls = 0;
  int64_t seconds = 0;
  for (const UnmatchedNumber& n : numbers) {
    width = std::max(width, n.number.size());
    calls += n.calls;
    seconds += n.seconds;
  }
  std::string out;
  AppendLine(out, heading[0]);
  AppendLine(out, "");
  AppendLine(out, heading[1]);
  AppendLine(out, heading[2]);
  AppendLine(out, "Log Records : " + std::to_string(data.LineCount));
  AppendLine(out, "");
  AppendLine(out, request.caption);
  AppendLine(out, "");
  AppendLine(out, "Numbers no site covers");
  AppendLine(
      out, std::string(kNumber) + std::string(width - kNumber.size(), ' ') + " : Calls : Duration");
  for (const UnmatchedNumber& n : numbers) {
    AppendLine(out, TableRow(n.number, width, n.calls, n.seconds));
  }
  AppendLine(out, TableRow(kTotal, width, calls, seconds));
  return out;
}

}  // namespace tallix
