// The CSV outputs: the counted calls, the audit of every kept line and the
// periods.

#include <optional>
#include <string_view>
#include <vector>

#include "engine/analysis/cost.h"
#include "engine/reports/periods_csv.h"
#include "engine/reports/report_text.h"

namespace tallix {
namespace {

// Whether a spreadsheet would read `field` as a formula. Such a field gets a
// leading apostrophe: a log's stamps can come from anyone who can send the
// router's syslog a line.
bool LooksLikeFormula(std::string_view field) {
  // A lone "-" (standard input as a file name) is no formula.
  if (field == "-") return false;
  return !field.empty() && std::string_view("=+-@\t\r").find(field[0]) != std::string_view::npos;
}

}  // namespace

void AppendCsvField(std::string& out, std::string_view field) {
  const bool formula = LooksLikeFormula(field);
  if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
    if (formula) out += '\'';
    out += field;
    return;
  }
  out += '"';
  if (formula) out += '\'';
  for (const char c : field) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

namespace {

// A tab-separated field: a tab or line break inside it would split the row,
// so each becomes a blank; formulas are kept from spreadsheets as in CSV.
void AppendTsvField(std::string& out, std::string_view field) {
  if (LooksLikeFormula(field)) out += '\'';
  for (const char c : field) out += (c == '\t' || c == '\r' || c == '\n') ? ' ' : c;
}

// One audit row: `file_field` as it stands, the line number, the fields
// `line` read and `result`; with `time`, a time column (empty without one);
// with `tariffs`, a cost column (empty for a line without a cost).
void AppendAuditRow(std::string& out, std::string_view file_field, uint64_t line_number,
                    const LineResult& line, std::string_view result, AuditTextForm form,
                    const std::optional<CallTime>& time, const Tariffs* tariffs) {
  const bool csv = form == AuditTextForm::kCsv;
  const auto append_field = csv ? AppendCsvField : AppendTsvField;
  const char separator = csv ? ',' : '\t';
  out += file_field;
  out += separator;
  AppendInteger(out, static_cast<int64_t>(line_number));
  out += separator;
  append_field(out, line.stamp);
  out += separator;
  append_field(out, line.number);
  out += separator;
  if (line.seconds_read) AppendInteger(out, line.seconds);
  out += separator;
  append_field(out, result);
  if (time) {
    out += separator;
    AppendTimeText(out, *time);
  }
  if (tariffs != nullptr) {
    out += separator;
    if (line.selected && line.cost) AppendMoney(out, *line.cost, tariffs->decimals);
  }
  out += csv ? "\r\n" : "\n";
}

}  // namespace

void WriteCallsCsv(const ReportRequest& request, ReportSink& sink) {
  const SiteConfig& config = request.config;
  std::string& out = sink.text();
  const Tariffs* tariffs = request.tariffs;
  out += tariffs != nullptr ? "site,number,stamp,seconds,time,cost\r\n"
                            : "site,number,stamp,seconds,time\r\n";
  for (int s = 0; s < config.SitesInUse(); ++s) {
    const auto site = static_cast<size_t>(s);
    std::string prefix;
    AppendCsvField(prefix, config.SiteNames[site]);
    prefix += ',';
    AppendCsvField(prefix, config.SiteNumbers[site]);
    prefix += ',';
    for (const CountedCall& call : request.tally.CallsOf(s)) {
      out += prefix;
      AppendCsvField(out, request.tally.lines[static_cast<size_t>(call.line)].stamp);
      out += ',';
      AppendInteger(out, call.seconds);
      out += ',';
      AppendTimeText(out, request.log.LineTime(call.line));
      if (tariffs != nullptr) {
        out += ',';
        const std::optional<int64_t>& cost =
            request.tally.lines[static_cast<size_t>(call.line)].cost;
        if (cost) AppendMoney(out, *cost, tariffs->decimals);
      }
      out += "\r\n";
      sink.RowEnd();
    }
  }
}

std::string LineResultText(const SiteConfig& config, const LineResult& line) {
  if (!line.selected) return "not selected";
  if (line.credited == 0) return "unmatched";
  std::string result;
  for (size_t s = 0; s < SiteConfig::kSites; ++s) {
    const unsigned bit = 1u << s;
    if ((line.credited & bit) == 0) continue;
    if (line.credited & (bit - 1)) result += " + ";
    result += config.SiteNames[s];
    if (line.beyond_limit & bit) result += " (beyond limit)";
    if (line.zero_seconds & bit) result += " (0 s counted)";
  }
  return result;
}

void WriteAuditRows(const TalliedLog& source, std::span<const int32_t> rows, AuditTextForm form,
                    ReportSink& sink, bool with_time) {
  const auto append_field = form == AuditTextForm::kCsv ? AppendCsvField : AppendTsvField;
  const std::vector<std::string>& files = source.log.LogFilePaths;
  std::vector<std::string> file_fields(files.size());
  for (size_t f = 0; f < files.size(); ++f) append_field(file_fields[f], files[f]);
  std::string& out = sink.text();
  if (form == AuditTextForm::kCsv) {
    out += with_time ? "file,line,stamp,number,seconds,result,time"
                     : "file,line,stamp,number,seconds,result";
    out += source.tariffs != nullptr ? ",cost\r\n" : "\r\n";
  }
  for (const int32_t r : rows) {
    if (r < 0 || static_cast<size_t>(r) >= source.tally.lines.size()) continue;
    const LineResult& line = source.tally.lines[static_cast<size_t>(r)];
    const LogLine& kept = source.log.LogLines()[static_cast<size_t>(r)];
    AppendAuditRow(out, kept.origin.file < file_fields.size() ? file_fields[kept.origin.file] : "",
                   kept.origin.line, line, LineResultText(source.config, line), form,
                   with_time ? std::optional(kept.time) : std::nullopt, source.tariffs);
    sink.RowEnd();
  }
}

std::string AuditCsvRow(std::string_view file, uint64_t line_number, const LineResult& line,
                        std::string_view result, const CallTime& time, const Tariffs* tariffs) {
  std::string file_field;
  AppendCsvField(file_field, file);
  std::string out;
  AppendAuditRow(out, file_field, line_number, line, result, AuditTextForm::kCsv, time, tariffs);
  return out;
}

std::string AuditRowsText(const TalliedLog& source, std::span<const int32_t> rows,
                          AuditTextForm form, bool with_time) {
  ReportSink sink;
  WriteAuditRows(source, rows, form, sink, with_time);
  return sink.Take();
}

void WriteAuditCsv(const ReportRequest& request, ReportSink& sink) {
  std::vector<int32_t> rows(request.tally.lines.size());
  for (size_t r = 0; r < rows.size(); ++r) rows[r] = static_cast<int32_t>(r);
  WriteAuditRows({request.log, request.config, request.tally, request.tariffs}, rows,
                 AuditTextForm::kCsv, sink, true);
}

void WritePeriodsCsv(const PeriodTable& table, std::span<const std::string> site_names,
                     ReportSink& sink, const PeriodCosts* costs) {
  sink.text() +=
      "period,start,end,site,calls,seconds,average_seconds,longest_seconds,change_calls,"
      "change_seconds";
  sink.text() += costs != nullptr ? ",cost,budget,over_budget\r\n" : "\r\n";
  // Each site's field once: a long table repeats them in every period.
  std::vector<std::string> site_fields(static_cast<size_t>(table.sites()));
  for (size_t s = 0; s < site_fields.size(); ++s) AppendCsvField(site_fields[s], site_names[s]);
  table.ForEach([&](const PeriodRow& period) {
    std::string prefix(period.label);
    prefix += ',';
    AppendDateText(prefix, period.first_day);
    prefix += ',';
    AppendDateText(prefix, period.last_day);
    prefix += ',';
    for (size_t s = 0; s < period.sites.size(); ++s) {
      std::string& out = sink.text();
      const PeriodSite& site = period.sites[s];
      out += prefix;
      out += site_fields[s];
      for (const int64_t n : {site.figures.calls, site.figures.seconds,
                              site.figures.AverageSeconds(), site.figures.longest_seconds}) {
        out += ',';
        AppendInteger(out, n);
      }
      for (const std::optional<int64_t>& change : {site.change_calls, site.change_seconds}) {
        out += ',';
        if (change) AppendInteger(out, *change);
      }
      if (costs != nullptr) {
        const int decimals = costs->tariffs.decimals;
        out += ',';
        AppendMoney(out, site.figures.cost, decimals);
        out += ',';
        const Budget* budget = FindBudget(costs->tariffs, costs->site_numbers[s], costs->unit);
        if (budget != nullptr) AppendMoney(out, budget->amount, decimals);
        out += ',';
        if (budget != nullptr) out += OverBudget(site.figures.cost, *budget) ? "yes" : "no";
      }
      out += "\r\n";
      sink.RowEnd();
    }
  });
}

std::string PeriodsCsvText(const PeriodTable& table, std::span<const std::string> site_names,
                           const PeriodCosts* costs) {
  ReportSink sink;
  WritePeriodsCsv(table, site_names, sink, costs);
  return sink.Take();
}

}  // namespace tallix
