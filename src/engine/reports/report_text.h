#pragma once
// Every output of a tally, as text. Each report is a pure function of one
// ReportRequest, and none reads an entry beyond a count. With no kept line
// the start and end lines end after their labels.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/analysis/tally.h"
#include "engine/config/site_config.h"
#include "engine/log/loaded_log.h"
#include "engine/output/report_sink.h"

namespace tallix {

// The date and the time a report is made, as the user's forms write them.
struct ReportDateTime {
  std::string date;
  std::string time;
};

// What every report begins with.
struct ReportHeading {
  // "ISDN Log Ananysis for file '<path>' on <date> <time>", or "for files
  // 'A', 'B'" for a log of several files.
  std::string title;
  std::string start;  // LogStartAndEnd's texts
  std::string end;
  int32_t records = 0;  // LineCount
  ReportDateTime when;
};
ReportHeading MakeReportHeading(const LoadedLog& log, const ReportDateTime& when);

// Everything a report is made from. Site names and numbers come from
// `config`, the figures from `tally`: after Options a report shows the new
// names with the counts of the last tally, as the window's rows do.
struct ReportRequest {
  const LoadedLog& log;
  const SiteConfig& config;
  const TallyResult& tally;
  const ReportHeading& heading;
  std::span<const std::string> warnings = {};  // every warning of the run, in order
  // --by: the periods the JSON report lists, and the HTML page's (by month
  // when not given).
  std::optional<PeriodUnit> by = std::nullopt;
  // The tariff file in use; null without one, and no report shows a cost.
  const Tariffs* tariffs = nullptr;
};

// A report made into a sink, row by row (report_sink.h): the form every
// output writes, so that a report of any size goes out as it is made.
using ReportWriter = void (*)(const ReportRequest& request, ReportSink& sink);

std::string ReportTextOf(ReportWriter write, const ReportRequest& request);

// The saved report file, every line ended by CR LF.
void WriteSavedReport(const ReportRequest& request, ReportSink& sink);

// The printed summary's lines, in order, the closing empty line included.
std::vector<std::string> PrintedSummaryLines(const ReportRequest& request);

// The printed detailed log's lines: the summary block and every site's calls.
std::vector<std::string> PrintedDetailedLogLines(const ReportRequest& request);

// The Show Log window's text, every line ended by CR LF. The summary's name
// column counts characters (TextWidth).
std::string ShowLogText(const ReportRequest& request);

// The heading, the caption, then the numbers no site in use covers as a table
// in fixed columns (number, calls, duration text), most calls first, then by
// number, and a last row with the totals. Lines end with CR LF.
void WriteUnmatched(const ReportRequest& request, ReportSink& sink);

// The export formats below take no call-total guard: they are not printed
// pages. CSV follows RFC 4180 (a field holding a comma, a double quote, CR or
// LF is quoted, a quote inside doubled) with CR LF line ends, and a field
// that a spreadsheet would take for a formula (it begins with =, +, -, @, TAB
// or CR) gets a leading apostrophe.

// One row per counted call: the header "site,number,stamp,seconds,time", then the
// calls of site 0, 1, ... in their stored order, each with the site's name
// and number.
void WriteCallsCsv(const ReportRequest& request, ReportSink& sink);

// One row per kept line, in log order: the header
// "file,line,stamp,number,seconds,result,time", then the file's path, the line
// number, the fields the tally read, the duration as read (empty when it does
// not fit 64 bits) and what the tally made of the line: "not selected",
// "unmatched", or the credited sites' names joined by " + ", each followed by
// " (beyond limit)" when it was not counted and " (0 s counted)" when its
// seconds were not.
void WriteAuditCsv(const ReportRequest& request, ReportSink& sink);

// What the tally made of `line`, as the audit's result column says it.
std::string LineResultText(const SiteConfig& config, const LineResult& line);

// A tally with the log and the configuration it was made from: what audit
// rows, and the windows that show a tally, read.
struct TalliedLog {
  const LoadedLog& log;
  const SiteConfig& config;
  const TallyResult& tally;
  const Tariffs* tariffs = nullptr;  // with one, the rows end with a cost column
};

// The audit's rows of the kept lines `rows` (indices into tally.lines), in
// the order given: as CSV with its header, which over every line in log order
// and `with_time` is WriteAuditCsv's text; or as tab-separated text without a
// header, lines ended by LF, for the clipboard, where a tab or line break inside a
// field becomes a blank. `with_time` adds the time column.
enum class AuditTextForm { kCsv, kTsv };
void WriteAuditRows(const TalliedLog& source, std::span<const int32_t> rows, AuditTextForm form,
                    ReportSink& sink, bool with_time = false);
std::string AuditRowsText(const TalliedLog& source, std::span<const int32_t> rows,
                          AuditTextForm form, bool with_time = false);

// One audit row as CSV, with its time column, for a line the log does not
// keep: its file, its line number, the fields `line` read and `result` in
// the result column.
std::string AuditCsvRow(std::string_view file, uint64_t line_number, const LineResult& line,
                        std::string_view result, const CallTime& time,
                        const Tariffs* tariffs = nullptr);

// One JSON object with the files, the selection, the log's extent and days,
// every site in use with its calls (each with its file and line), the
// unmatched numbers, the calls per day, the call total, the warnings and the
// reconciliation. Text that is valid UTF-8 is kept; any other byte becomes the
// character with the same code.
void WriteJsonReport(const ReportRequest& request, ReportSink& sink);

// A self-contained HTML page: the caption, the log's extent, the sites, a
// chart of the calls per day and site (inline SVG), the unmatched numbers,
// every site's calls with the lines they came from, and how the totals add
// up; styled for screens of any width and for paper.
void WriteHtmlReport(const ReportRequest& request, ReportSink& sink);

// The tariff comparison: for each tariff of the file, in order, every
// selected line that has a time charged under that tariff alone, whatever
// its number; then the row "as charged": the lines that have a cost under
// the prefix rule, with that cost.
struct TariffComparisonRow {
  std::string name;
  int64_t calls = 0;
  int64_t seconds = 0;
  int64_t cost = 0;  // millionths
};
std::vector<TariffComparisonRow> CompareTariffs(const LoadedLog& log, const TallyResult& tally,
                                                const Tariffs& tariffs);
// The comparison as CSV, "tariff,calls,seconds,cost". REQUIRES:
// request.tariffs.
void WriteTariffsCsv(const ReportRequest& request, ReportSink& sink);

// One warning for each site and period of a budget's `per` whose counted
// calls cost more than the budget: `site "Head Office" is over its budget in
// 2026-12: 41.20 of 40.00 EUR`; sites in order, then day, week and month
// budgets, then periods in time order.
std::vector<std::string> BudgetOverruns(const LoadedLog& log, const SiteConfig& config,
                                        const TallyResult& tally, const Tariffs& tariffs);

// A field as every CSV output writes it: quoted and guarded from
// spreadsheets as said above.
void AppendCsvField(std::string& out, std::string_view field);

// The integers of every report.
void AppendInteger(std::string& out, int64_t n);

// Lines joined, each followed by CR LF.
std::string JoinCrLf(const std::vector<std::string>& lines);

}  // namespace tallix
