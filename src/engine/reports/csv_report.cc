// The counted calls and the audit of every kept line as CSV (RFC 4180).

#include <optional>
#include <string_view>

#include "engine/reports/csv_field.h"
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

// A CSV field, quoted only when it must be.
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

}  // namespace

void WriteCallsCsv(const ReportRequest& request, ReportSink& sink) {
  const TallixData& data = request.data;
  std::string& out = sink.text();
  out += "site,number,stamp,seconds,time\r\n";
  const int sites = SitesInUse(data);
  for (int s = 0; s < sites; ++s) {
    const auto site = static_cast<size_t>(s);
    std::string prefix;
    AppendCsvField(prefix, data.SiteNames[site]);
    prefix += ',';
    AppendCsvField(prefix, data.SiteNumbers[site]);
    prefix += ',';
    const int calls = CallsInUse(data, s);
    const std::vector<int32_t>& lines = request.tally.counted_lines[site];
    for (int c = 0; c < calls; ++c) {
      out += prefix;
      AppendCsvField(out, data.CallStamps(c, s));
      out += ',';
      AppendInteger(out, data.CallSeconds(c, s));
      out += ',';
      AppendTimeText(out, LineTime(data, lines[static_cast<size_t>(c)]));
      out += "\r\n";
      sink.RowEnd();
    }
  }
}

std::string LineResultText(const TallixData& data, const LineResult& line) {
  if (!line.selected) return "not selected";
  if (line.credited == 0) return "unmatched";
  std::string result;
  for (int s = 0; s < TallixData::kSiteEntries; ++s) {
    const unsigned bit = 1u << s;
    if ((line.credited & bit) == 0) continue;
    if (line.credited & (bit - 1)) result += " + ";
    result += data.SiteNames[static_cast<size_t>(s)];
    if (line.beyond_limit & bit) result += " (beyond limit)";
    if (line.zero_seconds & bit) result += " (0 s counted)";
  }
  return result;
}

namespace {

// One audit row: `file_field` as it stands, the line number, the fields
// `line` read and `result`; with `time`, a time column (empty without one).
void AppendAuditRow(std::string& out, std::string_view file_field, uint64_t line_number,
                    const LineResult& line, std::string_view result, AuditTextForm form,
                    const std::optional<CallTime>& time) {
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
  out += csv ? "\r\n" : "\n";
}

}  // namespace

void WriteAuditRows(const TallixData& data, const TallyResult& tally, std::span<const int32_t> rows,
                    AuditTextForm form, ReportSink& sink, bool with_time) {
  const auto append_field = form == AuditTextForm::kCsv ? AppendCsvField : AppendTsvField;
  const std::vector<std::string> files = LoadedFiles(data);
  std::vector<std::string> file_fields(files.size());
  for (size_t f = 0; f < files.size(); ++f) append_field(file_fields[f], files[f]);
  std::string& out = sink.text();
  if (form == AuditTextForm::kCsv) {
    out += with_time ? "file,line,stamp,number,seconds,result,time\r\n"
                     : "file,line,stamp,number,seconds,result\r\n";
  }
  for (const int32_t r : rows) {
    if (r < 0 || static_cast<size_t>(r) >= tally.lines.size()) continue;
    const LineResult& line = tally.lines[static_cast<size_t>(r)];
    const LineOrigin origin = data.LogLineOrigins[static_cast<size_t>(r)];
    AppendAuditRow(out, origin.file < file_fields.size() ? file_fields[origin.file] : "",
                   origin.line, line, LineResultText(data, line), form,
                   with_time ? std::optional(LineTime(data, r)) : std::nullopt);
    sink.RowEnd();
  }
}

std::string AuditCsvRow(std::string_view file, uint64_t line_number, const LineResult& line,
                        std::string_view result, bool with_time) {
  std::string file_field;
  AppendCsvField(file_field, file);
  std::string out;
  AppendAuditRow(out, file_field, line_number, line, result, AuditTextForm::kCsv,
                 with_time ? std::optional(CallTime{}) : std::nullopt);
  return out;
}

std::string AuditRowsText(const TallixData& data, const TallyResult& tally,
                          std::span<const int32_t> rows, AuditTextForm form, bool with_time) {
  ReportSink sink;
  WriteAuditRows(data, tally, rows, form, sink, with_time);
  return sink.Take();
}

void WriteAuditCsv(const ReportRequest& request, ReportSink& sink) {
  std::vector<int32_t> rows(request.tally.lines.size());
  for (size_t r = 0; r < rows.size(); ++r) rows[r] = static_cast<int32_t>(r);
  WriteAuditRows(request.data, request.tally, rows, AuditTextForm::kCsv, sink, true);
}

}  // namespace tallix
