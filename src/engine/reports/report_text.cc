#include "engine/reports/report_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string_view>

#include "engine/analysis/duration.h"
#include "engine/app/line_fields.h"
#include "engine/util/lenient_utf8.h"

namespace tallix {
namespace {

// The call count column of the fixed-column tables: the count, then blanks
// up to this width.
constexpr size_t kCountWidth = 6;

// A log loaded from several files names them all, in order.
std::string TitleLine(const LoadedLog& log, const ReportDateTime& when) {
  if (log.LogFilePaths.size() < 2) {
    return "ISDN Log Ananysis for file '" + log.LogFilePath() + "' on " + when.date + " " +
           when.time;
  }
  std::string line = "ISDN Log Ananysis for files ";
  for (size_t i = 0; i < log.LogFilePaths.size(); ++i) {
    line += (i == 0 ? "'" : ", '") + log.LogFilePaths[i] + "'";
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

// <seconds>,"<duration>" and the line end, at `out`: how the saved report's
// records of a site and of a call end.
char* PutSecondsRecordEnd(char* out, int64_t seconds) {
  out = std::to_chars(out, out + 24, seconds).ptr;
  out = std::copy_n(",\"", 2, out);
  out = WriteDuration(seconds, out);
  return std::copy_n("\"\r\n", 3, out);
}
constexpr size_t kSecondsRecordEndBytes = 24 + 2 + kMaxDurationBytes + 3;

// "<stamp>",<seconds>,"<duration>" and the line end: a call of the saved
// report, formatted on the stack so that it reaches the report in one
// append, the bulk of a large report.
void AppendCallRecord(std::string& out, std::string_view stamp, int32_t seconds) {
  char line[1 + kStampWidth + 2 + kSecondsRecordEndBytes];
  char* end = line;
  if (stamp.size() > kStampWidth || stamp.find('"') != std::string_view::npos) {
    AppendTextField(out, stamp);
    *end++ = ',';
  } else {
    *end++ = '"';
    end = std::copy_n("\",", 2, std::copy(stamp.begin(), stamp.end(), end));
  }
  out += std::string_view(line, PutSecondsRecordEnd(end, seconds));
}

void AppendLine(std::string& out, std::string_view line) {
  out += line;
  out += "\r\n";
}

// Log Start, Log End and Log Records, which every text report writes below
// its title. The saved report and the printed pages put a blank before the
// count, where a negative one would have its sign.
std::array<std::string, 3> ExtentLines(const ReportHeading& heading, bool sign_blank) {
  return {"Log Start   : " + heading.start, "Log End     : " + heading.end,
          (sign_blank ? "Log Records :  " : "Log Records : ") + std::to_string(heading.records)};
}

// The title, an empty line and the extent lines.
void AppendHeading(std::string& out, const ReportHeading& heading, bool sign_blank) {
  AppendLine(out, heading.title);
  AppendLine(out, "");
  for (const std::string& line : ExtentLines(heading, sign_blank)) AppendLine(out, line);
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
  std::string& out = sink.text();
  sink.Reserve(out.size() + kCallLineBytes * request.tally.reconciliation.counted);
  for (int s = 0; s < sites; ++s) {
    out += "Detailed log for ";
    AppendLine(out, request.config.SiteNames[static_cast<size_t>(s)]);
    const int calls = request.tally.SiteCallCounts(s);
    for (int c = 0; c < calls; ++c) {
      append_call(c, s);
      sink.RowEnd();
    }
    AppendLine(out, "");
  }
}

// "<stamp>  <duration>": a call of the printed log and of Show Log.
void AppendStampAndDuration(std::string& out, const TallyResult& tally, int call, int site) {
  out += tally.CallStamps(call, site);
  out += "  ";
  AppendDuration(out, tally.CallSeconds(call, site));
}

// Summary lines 1 to 10, which the printed summary and detailed log share.
std::vector<std::string> SummaryBlock(const ReportRequest& request) {
  std::vector<std::string> lines = {request.heading.title, "", request.tally.caption, ""};
  for (std::string& line : ExtentLines(request.heading, true)) lines.push_back(std::move(line));
  lines.insert(lines.end(), 2, "");
  for (int s = 0; s < request.config.SitesInUse(); ++s) {
    lines.push_back(request.config.SiteNames[static_cast<size_t>(s)]);
    lines.push_back("Number of Calls = " + std::to_string(request.tally.SiteCallCounts(s)));
    lines.push_back("Total Calls Duration = " + FormatDuration(request.tally.SiteSeconds(s)));
    lines.emplace_back();
  }
  return lines;
}

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
  out.append(kCountWidth - std::min(kCountWidth, out.size() - count_at), ' ');
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

ReportHeading MakeReportHeading(const LoadedLog& log, const ReportDateTime& when) {
  LogBounds bounds = LogStartAndEnd(log);
  return {TitleLine(log, when), std::move(bounds.start), std::move(bounds.end), log.LineCount(),
          when};
}

std::string ReportTextOf(ReportWriter write, const ReportRequest& request) {
  ReportSink sink;
  write(request, sink);
  return sink.Take();
}

void WriteSavedReport(const ReportRequest& request, ReportSink& sink) {
  const SiteConfig& config = request.config;
  const TallyResult& tally = request.tally;
  const int sites = config.SitesInUse();
  std::string& out = sink.text();
  AppendHeading(out, request.heading, true);
  AppendLine(out, "Summary");
  AppendLine(out, "\"Site\",\"Calls\",\"Duration\",\"Duration\"");
  for (int s = 0; s < sites; ++s) {
    AppendTextField(out, config.SiteNames[static_cast<size_t>(s)]);
    out += ',';
    AppendInteger(out, tally.SiteCallCounts(s));
    out += ',';
    char end[kSecondsRecordEndBytes];
    out += std::string_view(end, PutSecondsRecordEnd(end, tally.SiteSeconds(s)));
  }
  AppendLine(out, "");
  AppendCallLists(sink, request, sites, [&](int c, int s) {
    AppendCallRecord(out, tally.CallStamps(c, s), tally.CallSeconds(c, s));
  });
}

std::vector<std::string> PrintedSummaryLines(const ReportRequest& request) {
  std::vector<std::string> lines = SummaryBlock(request);
  lines.emplace_back();
  return lines;
}

std::vector<std::string> PrintedDetailedLogLines(const ReportRequest& request) {
  std::vector<std::string> lines = SummaryBlock(request);
  lines.insert(lines.end(), 2, "");
  for (int s = 0; s < request.config.SitesInUse(); ++s) {
    lines.push_back("Detailed log for " + request.config.SiteNames[static_cast<size_t>(s)]);
    const int calls = request.tally.SiteCallCounts(s);
    for (int c = 0; c < calls; ++c) {
      std::string& line = lines.emplace_back();
      line.reserve(kCallLineBytes);
      AppendStampAndDuration(line, request.tally, c, s);
    }
    lines.emplace_back();
  }
  return lines;
}

std::string ShowLogText(const ReportRequest& request) {
  const SiteConfig& config = request.config;
  const int sites = config.SitesInUse();
  size_t width = 4;
  for (size_t s = 0; s < static_cast<size_t>(sites); ++s) {
    width = std::max(width, TextWidth(config.SiteNames[s]));
  }
  ReportSink sink;
  std::string& out = sink.text();
  AppendHeading(out, request.heading, false);
  AppendLine(out, "");
  AppendLine(out, "Summary");
  AppendTableHeader(out, "Site", width);
  for (int s = 0; s < sites; ++s) {
    const std::string& name = config.SiteNames[static_cast<size_t>(s)];
    AppendTableRow(out, name, TextWidth(name), width, request.tally.SiteCallCounts(s),
                   request.tally.SiteSeconds(s));
  }
  AppendLine(out, "");
  AppendCallLists(sink, request, sites, [&](int c, int s) {
    AppendStampAndDuration(out, request.tally, c, s);
    out += "\r\n";
  });
  return sink.Take();
}

void WriteUnmatched(const ReportRequest& request, ReportSink& sink) {
  const std::vector<UnmatchedNumber>& numbers = request.tally.unmatched;
  constexpr std::string_view kNumber = "Number";
  size_t width = kNumber.size();
  for (const UnmatchedNumber& n : numbers) width = std::max(width, n.number.size());
  std::string& out = sink.text();
  AppendHeading(out, request.heading, false);
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
  out += std::string_view(digits, std::to_chars(digits, digits + sizeof digits, n).ptr);
}

std::string JoinCrLf(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) AppendLine(out, line);
  return out;
}

}  // namespace tallix
