// The HTML report: one self-contained page (its styles and its chart inline,
// nothing fetched) that reads on a phone, on a desktop screen and on paper.

#include <algorithm>

#include "engine/analysis/cost.h"
#include "engine/analysis/duration.h"
#include "engine/reports/html_page.h"
#include "engine/util/lenient_utf8.h"

namespace tallix {
namespace {

constexpr char kStyle[] = R"(<style>
:root{color-scheme:light}
body{font:15px/1.45 system-ui,-apple-system,"Segoe UI",Roboto,sans-serif;color:#1d2330;background:#fff;max-width:60rem;margin:0 auto;padding:1rem 1.25rem 2rem}
h1{font-size:1.45rem;margin:0 0 .2rem}
h2{font-size:1.1rem;margin:1.8rem 0 .6rem;padding-bottom:.2rem;border-bottom:1px solid #d6dbe4}
h3{font-size:1rem;margin:1.2rem 0 .4rem}
.files{color:#4b5567;margin:0;word-break:break-all}
dl.extent{display:grid;grid-template-columns:max-content 1fr;gap:.15rem 1rem;margin:.8rem 0 0}
dl.extent dt{color:#4b5567}
dl.extent dd{margin:0;font-variant-numeric:tabular-nums}
.scroll{overflow-x:auto}
table{border-collapse:collapse;min-width:60%;font-variant-numeric:tabular-nums}
th,td{text-align:left;padding:.3rem .7rem;border-bottom:1px solid #e3e7ee;white-space:nowrap}
th{background:#f3f5f9;font-weight:600}
.n{text-align:right}
tfoot td{font-weight:600;border-top:2px solid #b9c1cf}
.swatch{display:inline-block;width:.75em;height:.75em;border-radius:2px;margin-right:.45em}
figure{margin:0;overflow-x:auto}
svg.chart{width:100%;height:auto;display:block}
svg.chart text{font-family:system-ui,-apple-system,"Segoe UI",Roboto,sans-serif;fill:#1d2330}
.none{color:#4b5567;font-style:italic}
.warnings li{color:#8a4b00}
footer{margin-top:2rem;color:#6b7485;font-size:.85em}
@media (max-width:600px){body{font-size:14px;padding:.6rem .7rem 1.5rem}h1{font-size:1.25rem}
table{width:100%}th,td{padding:.25rem .4rem;white-space:normal}svg.chart{min-width:34rem}}
@media print{body{max-width:none;padding:0;font-size:10pt;color:#000}
h2{break-after:avoid}figure,tr,h3{break-inside:avoid}.scroll{overflow:visible}
th{background:none}table{min-width:0}svg.chart{min-width:0}footer{color:#000}}
</style>
)";

// The bytes that HTML text cannot hold as they stand: markup characters, and
// control characters other than blanks and line ends, which make a page
// invalid.
constexpr char kSpecialBytes[] =
    "&<>\"'"
    "\x00\x01\x02\x03\x04\x05\x06\x07\x08\x0B\x0E\x0F"
    "\x10\x11\x12\x13\x14\x15\x16\x17\x18\x19\x1A\x1B\x1C\x1D\x1E\x1F\x7F";
constexpr std::string_view kSpecial(kSpecialBytes, sizeof kSpecialBytes - 1);  // NUL included

void AppendCell(std::string& out, std::string_view text) {
  out += "<td>";
  AppendEscaped(out, text);
  out += "</td>";
}

// A cell with a count, then one with a duration: digits and blanks, which
// need no escaping.
void AppendFigureCells(std::string& out, int64_t count, int64_t seconds) {
  out += "<td class=\"n\">";
  AppendInteger(out, count);
  out += "</td><td class=\"n\">";
  AppendDuration(out, seconds);
  out += "</td>";
}

void AppendSwatch(std::string& out, size_t site) {
  out += "<span class=\"swatch\" style=\"background:";
  out += SiteColour(site);
  out += "\"></span>";
}

// A cost's cell; one over `budget` says so in words as well as in colour.
void AppendCostCell(std::string& out, int64_t cost, const Tariffs& tariffs,
                    const Budget* budget = nullptr) {
  const bool over = budget != nullptr && OverBudget(cost, *budget);
  out += over ? "<td class=\"n over\">" : "<td class=\"n\">";
  AppendMoney(out, cost, tariffs.decimals);
  if (over) {
    out += " (over ";
    AppendMoney(out, budget->amount, tariffs.decimals);
    out += ')';
  }
  out += "</td>";
}

void AppendCostHeader(std::string& out, const Tariffs& tariffs) {
  out += "<th class=\"n\">Cost";
  if (!tariffs.currency.empty()) {
    out += " (";
    AppendEscaped(out, tariffs.currency);
    out += ')';
  }
  out += "</th>";
}

void AppendSiteTable(std::string& out, const SiteConfig& config, const TallyResult& tally,
                     const Tariffs* tariffs) {
  out +=
      "<div class=\"scroll\"><table>\n<thead><tr><th>Site</th><th>Number</th>"
      "<th class=\"n\">Calls</th><th class=\"n\">Duration</th>";
  if (tariffs != nullptr) AppendCostHeader(out, *tariffs);
  out += "</tr></thead>\n<tbody>\n";
  int64_t total_cost = 0;
  for (int s = 0; s < config.SitesInUse(); ++s) {
    const auto site = static_cast<size_t>(s);
    out += "<tr><td>";
    AppendSwatch(out, site);
    AppendEscaped(out, config.SiteNames[site]);
    out += "</td>";
    AppendCell(out, config.SiteNumbers[site]);
    AppendFigureCells(out, tally.SiteCallCounts(s), tally.SiteSeconds(s));
    if (tariffs != nullptr) {
      const int64_t cost = site < tally.sites.size() ? tally.sites[site].figures.cost : 0;
      total_cost = AddMoney(total_cost, cost);
      AppendCostCell(out, cost, *tariffs);
    }
    out += "</tr>\n";
  }
  out += "</tbody>\n<tfoot><tr><td>Total</td><td></td>";
  AppendFigureCells(out, static_cast<int64_t>(tally.reconciliation.counted), tally.counted_seconds);
  if (tariffs != nullptr) AppendCostCell(out, total_cost, *tariffs);
  out += "</tr></tfoot>\n</table></div>\n";
}

void AppendUnmatchedTable(ReportSink& sink, const TallyResult& tally) {
  std::string& out = sink.text();
  if (tally.unmatched.empty()) {
    out += "<p class=\"none\">Every call in this selection has its site.</p>\n";
    return;
  }
  out +=
      "<div class=\"scroll\"><table>\n<thead><tr><th>Number</th><th class=\"n\">Calls</th>"
      "<th class=\"n\">Duration</th></tr></thead>\n<tbody>\n";
  for (const UnmatchedNumber& n : tally.unmatched) {
    out += "<tr>";
    AppendCell(out, n.number);
    AppendFigureCells(out, n.calls, n.seconds);
    out += "</tr>\n";
    sink.RowEnd();
  }
  out += "</tbody>\n<tfoot><tr><td>Total</td>";
  AppendFigureCells(out, static_cast<int64_t>(tally.reconciliation.unmatched),
                    tally.unmatched_seconds);
  out += "</tr></tfoot>\n</table></div>\n";
}

// Where each call came from: "line N" in a log of one file, "name:N" in a
// log of several, name being the file's base name.
std::vector<std::string> OriginPrefixes(const LoadedLog& log) {
  const std::vector<std::string>& files = log.LogFilePaths;
  if (files.size() < 2) return std::vector<std::string>(files.size(), "line ");
  std::vector<std::string> prefixes(files.size());
  for (size_t f = 0; f < files.size(); ++f) {
    AppendEscaped(prefixes[f], files[f].substr(files[f].rfind('/') + 1));  // npos + 1 is 0
    prefixes[f] += ':';
  }
  return prefixes;
}

void AppendCallLists(ReportSink& sink, const ReportRequest& request) {
  std::string& out = sink.text();
  const std::vector<std::string> prefixes = OriginPrefixes(request.log);
  for (int s = 0; s < request.config.SitesInUse(); ++s) {
    const auto site = static_cast<size_t>(s);
    out += "<h3>";
    AppendSwatch(out, site);
    AppendEscaped(out, request.config.SiteNames[site]);
    out += "</h3>\n";
    const std::span<const CountedCall> calls = request.tally.CallsOf(s);
    if (calls.empty()) {
      out += "<p class=\"none\">No calls.</p>\n";
      continue;
    }
    out +=
        "<div class=\"scroll\"><table>\n<thead><tr><th>Date</th><th>Time</th>"
        "<th class=\"n\">Seconds</th>"
        "<th class=\"n\">Duration</th><th>From</th></tr></thead>\n<tbody>\n";
    // The bulk of a large page: each row is written without a temporary.
    for (const CountedCall& call : calls) {
      const LogLine& line = request.log.LogLines()[static_cast<size_t>(call.line)];
      // The date with its year, when the line has one.
      out += "<tr><td>";
      const size_t date_at = out.size();
      AppendTimeText(out, line.time);
      out.resize(std::min(out.size(), date_at + 10));
      out += "</td>";
      AppendCell(out, request.tally.lines[static_cast<size_t>(call.line)].stamp);
      AppendFigureCells(out, call.seconds, call.seconds);
      out += "<td>";
      if (line.origin.file < prefixes.size()) out += prefixes[line.origin.file];
      AppendInteger(out, line.origin.line);
      out += "</td></tr>\n";
      sink.RowEnd();
    }
    out += "</tbody>\n</table></div>\n";
  }
}

// The periods as rows, a group of columns per site: its calls, their
// duration and the change in calls from the period before.
void AppendPeriodTable(ReportSink& sink, const SiteConfig& config, const PeriodTable& table,
                       PeriodUnit unit, const Tariffs* tariffs) {
  std::string& out = sink.text();
  if (table.size() == 0) {
    out += "<p class=\"none\">No counted call has a time.</p>\n";
    return;
  }
  out += "<div class=\"scroll\"><table>\n<thead><tr><th>Period</th>";
  for (size_t s = 0; s < static_cast<size_t>(table.sites()); ++s) {
    out += tariffs != nullptr ? "<th class=\"n\" colspan=\"4\">" : "<th class=\"n\" colspan=\"3\">";
    AppendSwatch(out, s);
    AppendEscaped(out, config.SiteNames[s]);
    out += "</th>";
  }
  out += "</tr>\n<tr><th></th>";
  for (int s = 0; s < table.sites(); ++s) {
    out += "<th class=\"n\">Calls</th><th class=\"n\">Duration</th><th class=\"n\">Change</th>";
    if (tariffs != nullptr) AppendCostHeader(out, *tariffs);
  }
  out += "</tr></thead>\n<tbody>\n";
  table.ForEach([&](const PeriodRow& period) {
    out += "<tr>";
    AppendCell(out, period.label);
    for (size_t s = 0; s < period.sites.size(); ++s) {
      const PeriodSite& site = period.sites[s];
      AppendFigureCells(out, site.figures.calls, site.figures.seconds);
      out += "<td class=\"n\">";
      if (site.change_calls) {
        if (*site.change_calls > 0) out += '+';
        AppendInteger(out, *site.change_calls);
      }
      out += "</td>";
      if (tariffs != nullptr) {
        AppendCostCell(out, site.figures.cost, *tariffs,
                       FindBudget(*tariffs, config.SiteNumbers[s], unit));
      }
    }
    out += "</tr>\n";
    sink.RowEnd();
  });
  out += "</tbody>\n</table></div>\n";
}

void AppendReconciliationTable(std::string& out, const Reconciliation& sums) {
  out +=
      "<p>Selected lines are those credited plus those credited to no site; calls counted are "
      "the credits less those beyond a site's limit.</p>\n<div class=\"scroll\"><table>\n"
      "<tbody>\n";
  for (const ReconciliationFigure& figure : ReconciliationFigures()) {
    out += "<tr><td>";
    AppendEscaped(out, figure.label);
    out += "</td><td class=\"n\">";
    AppendInteger(out, static_cast<int64_t>(sums.*figure.value));
    out += "</td></tr>\n";
  }
  out += "</tbody>\n</table></div>\n";
}

// Room for the page but its call rows, and for each call row: the page
// grows once or twice rather than a dozen times.
constexpr size_t kPageBytes = sizeof kStyle + 4096;
constexpr size_t kCallRowBytes = 96;

}  // namespace

// Runs of plain characters go in whole, one append each.
void AppendEscaped(std::string& out, std::string_view bytes) {
  std::string converted;
  if (std::any_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) != 0; })) {
    AppendLenientUtf8(converted, bytes);
    bytes = converted;
  }
  for (size_t at; (at = bytes.find_first_of(kSpecial)) != std::string_view::npos;) {
    out.append(bytes.substr(0, at));
    const char c = bytes[at];
    out += c == '&'    ? "&amp;"
           : c == '<'  ? "&lt;"
           : c == '>'  ? "&gt;"
           : c == '"'  ? "&quot;"
           : c == '\'' ? "&#39;"
                       : "\xEF\xBF\xBD";
    bytes.remove_prefix(at + 1);
  }
  out.append(bytes);
}

void WriteHtmlReport(const ReportRequest& request, ReportSink& sink) {
  const TallyResult& tally = request.tally;
  const ReportHeading& heading = request.heading;
  std::string& out = sink.text();
  sink.Reserve(kPageBytes + kCallRowBytes * tally.reconciliation.counted);
  out +=
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
      "<title>ISDN log analysis: ";
  AppendEscaped(out, tally.caption);
  out += "</title>\n";
  out += kStyle;
  if (request.tariffs != nullptr) {
    out += "<style>td.over{background:#fde2e1;font-weight:600}</style>\n";
  }
  out += "</head>\n<body>\n<header>\n<h1>";
  AppendEscaped(out, tally.caption);
  out += "</h1>\n<p class=\"files\">";
  // A break before every file but those while nothing is written yet.
  const size_t files_at = out.size();
  for (const std::string& file : request.log.LogFilePaths) {
    if (out.size() > files_at) out += "<br>";
    AppendEscaped(out, file);
  }
  out += "</p>\n<dl class=\"extent\">\n<dt>Log start</dt><dd>";
  AppendEscaped(out, heading.start);
  out += "</dd>\n<dt>Log end</dt><dd>";
  AppendEscaped(out, heading.end);
  out += "</dd>\n<dt>Log records</dt><dd>";
  AppendInteger(out, heading.records);
  out += "</dd>\n</dl>\n</header>\n<section>\n<h2>Sites</h2>\n";
  AppendSiteTable(out, request.config, tally, request.tariffs);
  const PeriodUnit unit = request.by.value_or(PeriodUnit::kMonth);
  const std::string_view unit_name = PeriodUnitName(unit);
  const PeriodTable periods(CountedTimedCalls(request.log, tally), request.config.SitesInUse(),
                            unit);
  AppendChartSection(out, request, periods, unit_name);
  out += "</section>\n<section>\n<h2>Calls by ";
  out += unit_name;
  out += "</h2>\n";
  AppendPeriodTable(sink, request.config, periods, unit, request.tariffs);
  out += "</section>\n<section>\n<h2>Numbers no site covers</h2>\n";
  AppendUnmatchedTable(sink, tally);
  out += "</section>\n<section>\n<h2>Calls of each site</h2>\n";
  AppendCallLists(sink, request);
  out += "</section>\n<section>\n<h2>How the totals add up</h2>\n";
  AppendReconciliationTable(out, tally.reconciliation);
  out += "</section>\n";
  if (!request.warnings.empty()) {
    out += "<section>\n<h2>Warnings</h2>\n<ul class=\"warnings\">\n";
    for (const std::string& warning : request.warnings) {
      out += "<li>";
      AppendEscaped(out, warning);
      out += "</li>\n";
      sink.RowEnd();
    }
    out += "</ul>\n</section>\n";
  }
  out += "<footer>ISDN log analysis made on ";
  AppendEscaped(out, heading.when.date);
  out += ' ';
  AppendEscaped(out, heading.when.time);
  out += "</footer>\n</body>\n</html>\n";
}

}  // namespace tallix
