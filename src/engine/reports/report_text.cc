#include "engine/reports/report_text.h"

#include <algorithm>
#include <charconv>
#include <string_view>

#include "engine/analysis/duration.h"
#include "engine/log/log_loader.h"
#include "engine/util/lenient_utf8.h"

namespace tallix {
namespace {

// The Show Log summary's call count column: the count, then blanks up to
// this width.
constexpr size_t kShowLogCountWidth = 6;

// The widest seconds field of a call record: "-2147483648".
constexpr size_t kMaxSecondsChars = 11;

// A number with its sign position: one blank before a number of 0 or more.
std::string WithSignPosition(int64_t n) {
  return n < 0 ? std::to_string(n) : " " + std::to_string(n);
}

// A log loaded from several files names them all, in order.
std::string TitleLine(const TallixData& data, const ReportDateTime& when) {
  if (data.LogFilePaths.size() < 2) {
    return "ISDN Log Ananysis for file '" + data.LogFilePath + "' on " + when.date + " " +
           when.time;
  }
  std::string line = "ISDN Log Ananysis for files ";
  for (size_t i = 0; i < data.LogFilePaths.size(); ++i) {
    line += (i == 0 ? "'" : ", '") + data.LogFilePaths[i] + "'";
  }
  return line + " on " + when.date + " " + when.time;
}

// Appends a text field of a record line. A double quote inside is doubled, so
// the field still ends where it should.
void AppendTextField(std::string& out, std::string_view text) {
  out += '"';
  for (size_t quote; (quote = text.find('"')) != std::string_view::npos;) {
    out.append(text.substr(0, quote + 1));
    out += '"';
    text.remove_prefix(quote + 1);
  }
  out.append(text);
  out += '"';
}

void AppendLine(std::string& out, std::string_view line) {
  out += line;
  out += "\r\n";
}

// Room for the detailed lines of every site: stamp, seconds and duration
// with their separators come to well under this.
constexpr size_t kCallLineBytes = 64;

// Each site's "Detailed log for <name>" line, its calls written by
// append_call(call, site), and an empty line: the call lists of the saved
// report and of Show Log.
template <typename AppendCall>
void AppendCallLists(ReportSink& sink, const ReportRequest& request, int sites,
                     AppendCall&& append_call) {
  const TallixData& data = request.data;
  std::string& out = sink.text();
  sink.Reserve(out.size() + kCallLineBytes * request.tally.reconciliation.counted);
  for (int s = 0; s < sites; ++s) {
    out += "Detailed log for ";
    AppendLine(out, data.SiteNames[static_cast<size_t>(s)]);
    const int calls = CallsInUse(data, s);
    for (int c = 0; c < calls; ++c) {
      append_call(c, s);
      sink.RowEnd();
    }
    AppendLine(out, "");
  }
}

// "<stamp>  <duration>", the detailed line of the printed log and the Show
// Log window, formatted on the stack so that it reaches the report in one
// append.
void AppendStampAndDuration(std::string& out, const TallixData& data, int call, int site) {
  const std::string_view stamp = data.CallStamps(call, site);
  char line[kStampWidth + 2 + kMaxDurationBytes];
  char* end = std::copy(stamp.begin(), stamp.end(), line);
  *end++ = ' ';
  *end++ = ' ';
  end = WriteDuration(data.CallSeconds(call, site), end);
  out.append(line, static_cast<size_t>(end - line));
}

// "<stamp>",<seconds>,"<duration>" and the line end: a call of the saved
// report.
void AppendCallRecord(std::string& out, std::string_view stamp, int32_t seconds) {
  if (stamp.find('"') != std::string_view::npos) {
    AppendTextField(out, stamp);
    out += ',';
    AppendInteger(out, seconds);
    out += ",\"";
    AppendDuration(out, seconds);
    out += "\"\r\n";
    return;
  }
  char line[1 + kStampWidth + 2 + kMaxSecondsChars + 2 + kMaxDurationBytes + 3];
  char* end = line;
  *end++ = '"';
  end = std::copy(stamp.begin(), stamp.end(), end);
  *end++ = '"';
  *end++ = ',';
  end = std::to_chars(end, end + kMaxSecondsChars, seconds).ptr;
  *end++ = ',';
  *end++ = '"';
  end = WriteDuration(seconds, end);
  *end++ = '"';
  *end++ = '\r';
  *end++ = '\n';
  out.append(line, static_cast<size_t>(end - line));
}

}  // namespace

ReportHeading MakeReportHeading(const TallixData& data, const ReportDateTime& when) {
  LogBounds bounds = LogStartAndEnd(data);
  return {TitleLine(data, when), std::move(bounds.start), std::move(bounds.end), data.LineCount,
          when};
}

namespace {

void AppendHeadingStartAndEnd(std::string& out, const ReportHeading& heading) {
  AppendLine(out, heading.title);
  AppendLine(out, "");
  out += "Log Start   : ";
  AppendLine(out, heading.start);
  out += "Log End     : ";
  AppendLine(out, heading.end);
}

std::string RecordsLine(const ReportHeading& heading) {
  return "Log Records : " + WithSignPosition(heading.records);
}

}  // namespace

std::string ReportTextOf(ReportWriter write, const ReportRequest& request) {
  ReportSink sink;
  write(request, sink);
  return sink.Take();
}

void WriteSavedReport(const ReportRequest& request, ReportSink& sink) {
  const TallixData& data = request.data;
  const int sites = SitesInUse(data);
  std::string& out = sink.text();
  AppendHeadingStartAndEnd(out, request.heading);
  AppendLine(out, RecordsLine(request.heading));
  AppendLine(out, "Summary");
  AppendLine(out, "\"Site\",\"Calls\",\"Duration\",\"Duration\"");
  for (int s = 0; s < sites; ++s) {
    const auto site = static_cast<size_t>(s);
    AppendTextField(out, data.SiteNames[site]);
    out += ',';
    AppendInteger(out, data.SiteCallCounts[site]);
    out += ',';
    AppendInteger(out, data.SiteSeconds[site]);
    out += ",\"";
    AppendDuration(out, data.SiteSeconds[site]);
    out += "\"\r\n";
  }
  AppendLine(out, "");
  AppendCallLists(sink, request, sites, [&](int c, int s) {
    AppendCallRecord(out, data.CallStamps(c, s), data.CallSeconds(c, s));
  });
}

namespace {

// Summary lines 1 to 10, which the printed summary and detailed log share.
std::vector<std::string> SummaryBlock(const ReportRequest& request) {
  const ReportHeading& heading = request.heading;
  std::vector<std::string> lines = {heading.title,
                                    "",
                                    request.tally.caption,
                                    "",
                                    "Log Start   : " + heading.start,
                                    "Log End     : " + heading.end,
                                    RecordsLine(heading),
                                    "",
                                    ""};
  const TallixData& data = request.data;
  for (size_t s = 0; s < static_cast<size_t>(SitesInUse(data)); ++s) {
    lines.push_back(data.SiteNames[s]);
    lines.push_back("Number of Calls = " + std::to_string(data.SiteCallCounts[s]));
    lines.push_back("Total Calls Duration = " + FormatDuration(data.SiteSeconds[s]));
    lines.emplace_back();
  }
  return lines;
}

}  // namespace

std::vector<std::string> PrintedSummaryLines(const ReportRequest& request) {
  std::vector<std::string> lines = SummaryBlock(request);
  lines.emplace_back();
  return lines;
}

std::vector<std::string> PrintedDetailedLogLines(const ReportRequest& request) {
  const TallixData& data = request.data;
  std::vector<std::string> lines = SummaryBlock(request);
  lines.emplace_back();
  lines.emplace_back();
  const int sites = SitesInUse(data);
  for (int s = 0; s < sites; ++s) {
    lines.push_back("Detailed log for " + data.SiteNames[static_cast<size_t>(s)]);
    const int calls = CallsInUse(data, s);
    for (int c = 0; c < calls; ++c) {
      std::string& line = lines.emplace_back();
      line.reserve(kCallLineBytes);
      AppendStampAndDuration(line, data, c, s);
    }
    lines.emplace_back();
  }
  return lines;
}

namespace {

// A row of the fixed-column tables of Show Log and the unmatched numbers:
// "<label><blanks to width> : <calls><blanks to 6>: <duration>". `label_width`
// is the characters the label takes.
void AppendTableRow(std::string& out, std::string_view label, size_t label_width, size_t width,
                    int64_t calls, int64_t seconds) {
  out += label;
  out.append(width - std::min(width, label_width), ' ');
  out += " : ";
  const size_t count_at = out.size();
  AppendInteger(out, calls);
  const size_t count = out.size() - count_at;
  out.append(count < kShowLogCountWidth ? kShowLogCountWidth - count : 0, ' ');
  out += ": ";
  AppendDuration(out, seconds);
  out += "\r\n";
}

// The header of such a table: its first column's title padded to `width`.
void AppendTableHeader(std::string& out, std::string_view title, size_t width) {
  out += title;
  out.append(width - std::min(width, title.size()), ' ');
  out += " : Calls : Duration\r\n";
}

}  // namespace

std::string ShowLogText(const ReportRequest& request) {
  const TallixData& data = request.data;
  const int sites = SitesInUse(data);
  size_t width = 4;
  for (size_t s = 0; s < static_cast<size_t>(sites); ++s) {
    width = std::max(width, TextWidth(data.SiteNames[s]));
  }
  ReportSink sink;
  std::string& out = sink.text();
  AppendHeadingStartAndEnd(out, request.heading);
  AppendLine(out, "Log Records :" + WithSignPosition(request.heading.records));
  AppendLine(out, "");
  AppendLine(out, "Summary");
  AppendTableHeader(out, "Site", width);
  for (size_t s = 0; s < static_cast<size_t>(sites); ++s) {
    const std::string& name = data.SiteNames[s];
    AppendTableRow(out, name, TextWidth(name), width, data.SiteCallCounts[s], data.SiteSeconds[s]);
  }
  AppendLine(out, "");
  AppendCallLists(sink, request, sites, [&](int c, int s) {
    AppendStampAndDuration(out, data, c, s);
    out += "\r\n";
  });
  return sink.Take();
}

std::vector<std::string> LoadedFiles(const TallixData& data) {
  if (!data.LogFilePaths.empty()) return data.LogFilePaths;
  return {data.LogFilePath};
}

void WriteUnmatched(const ReportRequest& request, ReportSink& sink) {
  const std::vector<UnmatchedNumber>& numbers = request.tally.unmatched;
  constexpr std::string_view kNumber = "Number";
  size_t width = kNumber.size();
  for (const UnmatchedNumber& n : numbers) width = std::max(width, n.number.size());
  std::string& out = sink.text();
  AppendHeadingStartAndEnd(out, request.heading);
  AppendLine(out, "Log Records : " + std::to_string(request.heading.records));
  AppendLine(out, "");
  AppendLine(out, request.tally.caption);
  AppendLine(out, "");
  AppendLine(out, "Numbers no site covers");
  AppendTableHeader(out, kNumber, width);
  // Numbers are padded by their bytes: they are digits as the router writes them.
  for (const UnmatchedNumber& n : numbers) {
    AppendTableRow(out, n.number, n.number.size(), width, n.calls, n.seconds);
    sink.RowEnd();
  }
  AppendTableRow(out, "Total", 5, width,
                 static_cast<int64_t>(request.tally.reconciliation.unmatched),
                 request.tally.unmatched_seconds);
}

void AppendInteger(std::string& out, int64_t n) {
  char digits[24];
  out.append(digits, std::to_chars(digits, digits + sizeof digits, n).ptr);
}

std::string JoinCrLf(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) AppendLine(out, line);
  return out;
}

}  // namespace tallix
