#include "engine/reports/report_text.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <string_view>

#include "engine/analysis/duration.h"
#include "engine/log/log_loader.h"

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
std::string TitleLine(const TallixData& data, const ReportClock& now) {
  if (data.LogFilePaths.size() < 2) {
    return "ISDN Log Ananysis for file '" + data.LogFilePath + "' on " + now.date + " " + now.time;
  }
  std::string line = "ISDN Log Ananysis for files ";
  for (size_t i = 0; i < data.LogFilePaths.size(); ++i) {
    line += (i == 0 ? "'" : ", '") + data.LogFilePaths[i] + "'";
  }
  return line + " on " + now.date + " " + now.time;
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

void AppendNumber(std::string& out, int64_t n) {
  char digits[24];
  const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, n);
  out.append(digits, static_cast<size_t>(end - digits));
}

// The characters a site name takes in the Show Log table: its code points
// when the name is valid UTF-8 (overlong forms, surrogates and values beyond
// U+10FFFF are not), otherwise its bytes, one character each.
size_t NameColumnLength(std::string_view name) {
  struct Lead {
    unsigned char first, last;  // the lead bytes of this sequence length
    size_t extra;               // continuation bytes that follow
    unsigned char mask;         // the lead byte's value bits
    uint32_t min;               // the least value this length may encode
  };
  static constexpr Lead kLeads[] = {{0x00, 0x7F, 0, 0x7F, 0},
                                    {0xC2, 0xDF, 1, 0x1F, 0x80},
                                    {0xE0, 0xEF, 2, 0x0F, 0x800},
                                    {0xF0, 0xF4, 3, 0x07, 0x10000}};
  size_t code_points = 0;
  for (size_t i = 0; i < name.size(); ++code_points) {
    const auto byte = static_cast<unsigned char>(name[i]);
    const auto lead = std::find_if(std::begin(kLeads), std::end(kLeads), [byte](const Lead& l) {
      return byte >= l.first && byte <= l.last;
    });
    if (lead == std::end(kLeads) || name.size() - i - 1 < lead->extra) return name.size();
    uint32_t value = byte & lead->mask;
    for (size_t k = 1; k <= lead->extra; ++k) {
      const auto next = static_cast<unsigned char>(name[i + k]);
      if ((next & 0xC0u) != 0x80u) return name.size();
      value = (value << 6) | (next & 0x3Fu);
    }
    if (value < lead->min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
      return name.size();
    }
    i += lead->extra + 1;
  }
  return code_points;
}

void AppendLine(std::string& out, std::string_view line) {
  out += line;
  out += "\r\n";
}

// Room for the detailed lines of every site: stamp, seconds and duration
// with their separators come to well under this.
constexpr size_t kCallLineBytes = 64;

size_t CallLinesBytes(const TallixData& data) {
  size_t calls = 0;
  for (int s = 0; s < SitesInUse(data); ++s) calls += static_cast<size_t>(CallsInUse(data, s));
  return calls * kCallLineBytes;
}

// Each site's "Detailed log for <name>" line, its calls written by
// append_call(call, site), and an empty line: the call lists of the saved
// report and of Show Log.
template <typename AppendCall>
void AppendCallLists(std::string& out, const TallixData& data, int sites,
                     AppendCall&& append_call) {
  out.reserve(out.size() + CallLinesBytes(data));
  for (int s = 0; s < sites; ++s) {
    out += "Detailed log for ";
    AppendLine(out, data.SiteNames[static_cast<size_t>(s)]);
    const int calls = CallsInUse(data, s);
    for (int c = 0; c < calls; ++c) append_call(c, s);
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
    AppendNumber(out, seconds);
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

std::vector<std::string> ReportHeadingLines(const TallixData& data, const ReportClock& now) {
  const LogBounds bounds = LogStartAndEnd(data);
  return {TitleLine(data, now), "Log Start   : " + bounds.start, "Log End     : " + bounds.end,
          "Log Records : " + WithSignPosition(data.LineCount)};
}

std::string SavedReportText(const TallixData& data, const ReportClock& now) {
  const std::vector<std::string> heading = ReportHeadingLines(data, now);
  const int sites = SitesInUse(data);
  std::string out;
  AppendLine(out, heading[0]);
  AppendLine(out, "");
  AppendLine(out, heading[1]);
  AppendLine(out, heading[2]);
  AppendLine(out, heading[3]);
  AppendLine(out, "Summary");
  AppendLine(out, "\"Site\",\"Calls\",\"Duration\",\"Duration\"");
  for (int s = 0; s < sites; ++s) {
    const auto site = static_cast<size_t>(s);
    AppendTextField(out, data.SiteNames[site]);
    out += ',';
    AppendNumber(out, data.SiteCallCounts[site]);
    out += ',';
    AppendNumber(out, data.SiteSeconds[site]);
    out += ",\"";
    AppendDuration(out, data.SiteSeconds[site]);
    out += "\"\r\n";
  }
  AppendLine(out, "");
  AppendCallLists(out, data, sites, [&](int c, int s) {
    AppendCallRecord(out, data.CallStamps(c, s), data.CallSeconds(c, s));
  });
  return out;
}

namespace {

// Summary lines 1 to 10, which the printed summary and detailed log share.
std::vector<std::string> SummaryBlock(const TallixData& data, const std::string& caption,
                                      const ReportClock& now) {
  const std::vector<std::string> heading = ReportHeadingLines(data, now);
  std::vector<std::string> lines = {heading[0], "",         caption, "", heading[1],
                                    heading[2], heading[3], "",      ""};
  const int sites = SitesInUse(data);
  for (size_t s = 0; s < static_cast<size_t>(sites); ++s) {
    lines.push_back(data.SiteNames[s]);
    lines.push_back("Number of Calls = " + std::to_string(data.SiteCallCounts[s]));
    lines.push_back("Total Calls Duration = " + FormatDuration(data.SiteSeconds[s]));
    lines.emplace_back();
  }
  return lines;
}

}  // namespace

std::vector<std::string> PrintedSummaryLines(const TallixData& data, const std::string& caption,
                                             const ReportClock& now) {
  std::vector<std::string> lines = SummaryBlock(data, caption, now);
  lines.emplace_back();
  return lines;
}

std::vector<std::string> PrintedDetailedLogLines(const TallixData& data, const std::string& caption,
                                                 const ReportClock& now) {
  std::vector<std::string> lines = SummaryBlock(data, caption, now);
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

int64_t CallTotal(const TallixData& data) {
  int64_t total = 0;
  const int sites = SitesInUse(data);
  for (size_t s = 0; s < static_cast<size_t>(sites); ++s) total += data.SiteCallCounts[s];
  return total;
}

bool CallTotalGuardPasses(const TallixData& data) { return CallTotal(data) < kCallTotalLimit; }

std::string ShowLogText(const TallixData& data, const ReportClock& now) {
  const std::vector<std::string> heading = ReportHeadingLines(data, now);
  const int sites = SitesInUse(data);
  size_t width = 4;
  for (size_t s = 0; s < static_cast<size_t>(sites); ++s) {
    width = std::max(width, NameColumnLength(data.SiteNames[s]));
  }
  std::string out;
  AppendLine(out, heading[0]);
  AppendLine(out, "");
  AppendLine(out, heading[1]);
  AppendLine(out, heading[2]);
  AppendLine(out, "Log Records :" + WithSignPosition(data.LineCount));
  AppendLine(out, "");
  AppendLine(out, "Summary");
  out += "Site";
  out.append(width - 4, ' ');
  out += " : Calls : Duration\r\n";
  for (size_t s = 0; s < static_cast<size_t>(sites); ++s) {
    const std::string& name = data.SiteNames[s];
    out += name;
    out.append(width - NameColumnLength(name), ' ');
    out += " : ";
    const size_t count_at = out.size();
    AppendNumber(out, data.SiteCallCounts[s]);
    const size_t count = out.size() - count_at;
    out.append(count < kShowLogCountWidth ? kShowLogCountWidth - count : 0, ' ');
    out += ": ";
    AppendDuration(out, data.SiteSeconds[s]);
    out += "\r\n";
  }
  AppendLine(out, "");
  AppendCallLists(out, data, sites, [&](int c, int s) {
    AppendStampAndDuration(out, data, c, s);
    out += "\r\n";
  });
  return out;
}

std::string JoinCrLf(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) AppendLine(out, line);
  return out;
}

}  // namespace tallix
