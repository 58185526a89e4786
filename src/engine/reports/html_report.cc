// The HTML report: one self-contained page (its styles and its chart inline,
// nothing fetched) that reads on a phone, on a desktop screen and on paper.

#include <algorithm>
#include <charconv>

#include "engine/analysis/duration.h"
#include "engine/reports/report_text.h"
#include "engine/util/lenient_utf8.h"

namespace tallix {
namespace {

// One colour per site, told apart also in grey print.
constexpr const char* kSiteColours[] = {"#1f77b4", "#ff7f0e", "#2ca02c", "#d62728",
                                        "#9467bd", "#8c564b", "#e377c2", "#7f7f7f",
                                        "#bcbd22", "#17becf", "#393b79"};

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

// Appends `bytes` as HTML text: made valid UTF-8, markup characters escaped,
// control characters written as U+FFFD. Runs of plain characters go in whole,
// one append each.
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

// A coordinate with one decimal, whatever the user's locale.
void AppendNumber(std::string& out, double value) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 1);
  out.append(text, result.ptr);
}

void AppendLongDuration(std::string& out, int64_t seconds) {
  char text[kMaxDurationBytes];
  out.append(text, WriteLongDuration(seconds, text));
}

// `name="value"` after a blank: the attributes of the chart's shapes.
void AppendAttribute(std::string& out, std::string_view name, double value) {
  out += ' ';
  out += name;
  out += "=\"";
  AppendNumber(out, value);
  out += '"';
}

const char* SiteColour(size_t site) { return kSiteColours[site % std::size(kSiteColours)]; }

// The step of the value axis: 1, 2 or 5 times a power of ten, at most six
// steps up to `top`.
int64_t TickStep(int64_t top) {
  int64_t step = 1;
  for (;;) {
    for (const int64_t factor : {1, 2, 5}) {
      if (top <= 6 * step * factor) return step * factor;
    }
    step *= 10;
  }
}

// Calls per day as grouped bars, one colour per site, with a legend above
// and both axes labelled. Drawn in its own units and scaled to the width.
void AppendChart(std::string& out, const TallixData& data, const std::vector<DayCalls>& days) {
  const size_t sites = static_cast<size_t>(SitesInUse(data));
  if (days.empty() || sites == 0) {
    out += "<p class=\"none\">No calls of a site in this selection.</p>\n";
    return;
  }
  int64_t top = 1;
  for (const DayCalls& day : days) {
    for (const int64_t calls : day.calls) top = std::max(top, calls);
  }
  const int64_t step = TickStep(top);
  top = (top + step - 1) / step * step;

  // A day's bars stand side by side in its group; a few days spread over the
  // chart's least width, many make it wider.
  const double bar = std::max(4.0, std::min(18.0, 120.0 / static_cast<double>(sites)));
  const double left = 58;
  const double bars_width = bar * static_cast<double>(sites);
  const double group =
      std::max(bars_width + 12, (640.0 - left - 16) / static_cast<double>(days.size()));
  const double width = left + group * static_cast<double>(days.size()) + 16;
  // The legend flows in rows across the width; how many rows it takes sets
  // the chart's height, so it is written before the chart's opening tag.
  std::string legend;
  std::string name;
  double x = left;
  double y = 18;
  for (size_t s = 0; s < sites; ++s) {
    name.clear();
    AppendEscaped(name, data.SiteNames[s]);
    const double item = 26 + 7.5 * static_cast<double>(std::min<size_t>(name.size(), 40));
    if (x > left && x + item > width) {
      x = left;
      y += 20;
    }
    legend += "<rect";
    AppendAttribute(legend, "x", x);
    AppendAttribute(legend, "y", y - 10);
    legend += " width=\"12\" height=\"12\" rx=\"2\" fill=\"";
    legend += SiteColour(s);
    legend += "\"/><text";
    AppendAttribute(legend, "x", x + 17);
    AppendAttribute(legend, "y", y);
    legend += " font-size=\"13\">";
    legend += name;
    legend += "</text>\n";
    x += item;
  }
  const double plot_top = y + 22;
  const double plot_height = 220;
  const double base = plot_top + plot_height;
  const double height = base + 78;

  out += "<figure>\n<svg class=\"chart\" viewBox=\"0 0 ";
  AppendNumber(out, width);
  out += ' ';
  AppendNumber(out, height);
  out +=
      "\" role=\"img\" aria-label=\"Calls per day for each site\" "
      "xmlns=\"http://www.w3.org/2000/svg\">\n";
  out += legend;
  for (int64_t tick = 0; tick <= top; tick += step) {
    const double ty = base - plot_height * static_cast<double>(tick) / static_cast<double>(top);
    out += "<line";
    AppendAttribute(out, "x1", left);
    AppendAttribute(out, "x2", width - 8);
    AppendAttribute(out, "y1", ty);
    AppendAttribute(out, "y2", ty);
    out += " stroke=\"";
    out += tick == 0 ? "#4b5567" : "#e3e7ee";
    out += "\"/><text";
    AppendAttribute(out, "x", left - 6);
    AppendAttribute(out, "y", ty + 4);
    out += " font-size=\"12\" text-anchor=\"end\">";
    AppendInteger(out, tick);
    out += "</text>\n";
  }
  for (size_t d = 0; d < days.size(); ++d) {
    const double gx = left + group * static_cast<double>(d) + (group - bars_width) / 2;
    for (size_t s = 0; s < sites; ++s) {
      const int64_t calls = days[d].calls[s];
      if (calls == 0) continue;
      const double h = plot_height * static_cast<double>(calls) / static_cast<double>(top);
      out += "<rect";
      AppendAttribute(out, "x", gx + bar * static_cast<double>(s));
      AppendAttribute(out, "y", base - h);
      AppendAttribute(out, "width", bar - 1);
      AppendAttribute(out, "height", h);
      out += " fill=\"";
      out += SiteColour(s);
      out += "\"><title>";
      AppendEscaped(out, data.SiteNames[s]);
      out += ", ";
      AppendEscaped(out, days[d].day);
      out += ": ";
      AppendInteger(out, calls);
      out += " calls</title></rect>\n";
    }
    const double cx = gx + bars_width / 2;
    out += "<text transform=\"translate(";
    AppendNumber(out, cx + 4);
    out += ' ';
    AppendNumber(out, base + 14);
    out += ") rotate(-35)\" font-size=\"12\" text-anchor=\"end\">";
    AppendEscaped(out, days[d].day);
    out += "</text>\n";
  }
  out += "<text transform=\"translate(16 ";
  AppendNumber(out, plot_top + plot_height / 2);
  out += ") rotate(-90)\" font-size=\"13\" text-anchor=\"middle\">Calls</text>\n<text";
  AppendAttribute(out, "x", left + (width - left) / 2);
  AppendAttribute(out, "y", height - 6);
  out += " font-size=\"13\" text-anchor=\"middle\">Day</text>\n</svg>\n</figure>\n";
}

// Appends a table cell; a number is set flush right.
void AppendCell(std::string& out, std::string_view text, bool number = false) {
  out += number ? "<td class=\"n\">" : "<td>";
  AppendEscaped(out, text);
  out += "</td>";
}

// A cell with a count or a duration: digits and blanks, which need no
// escaping.
void AppendCountCell(std::string& out, int64_t value) {
  out += "<td class=\"n\">";
  AppendInteger(out, value);
  out += "</td>";
}

void AppendLongDurationCell(std::string& out, int64_t seconds) {
  out += "<td class=\"n\">";
  AppendLongDuration(out, seconds);
  out += "</td>";
}

void AppendSwatch(std::string& out, size_t site) {
  out += "<span class=\"swatch\" style=\"background:";
  out += SiteColour(site);
  out += "\"></span>";
}

void AppendSiteTable(std::string& out, const TallixData& data, const TallyResult& tally) {
  out +=
      "<div class=\"scroll\"><table>\n<thead><tr><th>Site</th><th>Number</th>"
      "<th class=\"n\">Calls</th><th class=\"n\">Duration</th></tr></thead>\n<tbody>\n";
  for (size_t s = 0; s < static_cast<size_t>(SitesInUse(data)); ++s) {
    out += "<tr><td>";
    AppendSwatch(out, s);
    AppendEscaped(out, data.SiteNames[s]);
    out += "</td>";
    AppendCell(out, data.SiteNumbers[s]);
    AppendCountCell(out, data.SiteCallCounts[s]);
    out += "<td class=\"n\">";
    AppendDuration(out, data.SiteSeconds[s]);
    out += "</td></tr>\n";
  }
  out += "</tbody>\n<tfoot><tr><td>Total</td><td></td>";
  AppendCountCell(out, static_cast<int64_t>(tally.reconciliation.counted));
  AppendLongDurationCell(out, tally.counted_seconds);
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
    AppendCountCell(out, n.calls);
    AppendLongDurationCell(out, n.seconds);
    out += "</tr>\n";
    sink.RowEnd();
  }
  out += "</tbody>\n<tfoot><tr><td>Total</td>";
  AppendCountCell(out, static_cast<int64_t>(tally.reconciliation.unmatched));
  AppendLongDurationCell(out, tally.unmatched_seconds);
  out += "</tr></tfoot>\n</table></div>\n";
}

// Where each call came from: "line N" in a log of one file, "name:N" in a
// log of several, name being the file's base name.
std::vector<std::string> OriginPrefixes(const TallixData& data) {
  const std::vector<std::string> files = LoadedFiles(data);
  std::vector<std::string> prefixes;
  for (const std::string& file : files) {
    if (files.size() < 2) {
      prefixes.push_back("line ");
      continue;
    }
    const size_t slash = file.rfind('/');
    std::string& prefix = prefixes.emplace_back();
    AppendEscaped(prefix, slash == std::string::npos ? file : file.substr(slash + 1));
    prefix += ':';
  }
  return prefixes;
}

void AppendCallLists(ReportSink& sink, const TallixData& data, const TallyResult& tally) {
  std::string& out = sink.text();
  const std::vector<std::string> prefixes = OriginPrefixes(data);
  for (int s = 0; s < SitesInUse(data); ++s) {
    const auto site = static_cast<size_t>(s);
    out += "<h3>";
    AppendSwatch(out, site);
    AppendEscaped(out, data.SiteNames[site]);
    out += "</h3>\n";
    const int calls = CallsInUse(data, s);
    if (calls == 0) {
      out += "<p class=\"none\">No calls.</p>\n";
      continue;
    }
    const std::vector<int32_t>& lines = tally.counted_lines[site];
    out +=
        "<div class=\"scroll\"><table>\n<thead><tr><th>Time</th><th class=\"n\">Seconds</th>"
        "<th class=\"n\">Duration</th><th>From</th></tr></thead>\n<tbody>\n";
    // The bulk of a large page: each row is written without a temporary.
    for (int c = 0; c < calls; ++c) {
      const int32_t seconds = data.CallSeconds(c, s);
      char numbers[16 + kMaxDurationBytes];
      char* const seconds_end = std::to_chars(numbers, numbers + 16, seconds).ptr;
      char* const duration_end = WriteDuration(seconds, seconds_end);
      out += "<tr>";
      AppendCell(out, data.CallStamps(c, s));
      out += "<td class=\"n\">";
      out.append(numbers, seconds_end);
      out += "</td><td class=\"n\">";
      out.append(seconds_end, duration_end);
      out += "</td><td>";
      const LineOrigin origin =
          data.LogLineOrigins[static_cast<size_t>(lines[static_cast<size_t>(c)])];
      if (origin.file < prefixes.size()) out += prefixes[origin.file];
      AppendInteger(out, origin.line);
      out += "</td></tr>\n";
      sink.RowEnd();
    }
    out += "</tbody>\n</table></div>\n";
  }
}

void AppendReconciliationTable(std::string& out, const Reconciliation& sums) {
  out +=
      "<p>Selected lines are those credited plus those credited to no site; calls counted are "
      "the credits less those beyond a site's limit.</p>\n<div class=\"scroll\"><table>\n"
      "<tbody>\n";
  for (const ReconciliationFigure& figure : ReconciliationFigures()) {
    out += "<tr><td>";
    AppendEscaped(out, figure.label);
    out += "</td>";
    AppendCountCell(out, static_cast<int64_t>(sums.*figure.value));
    out += "</tr>\n";
  }
  out += "</tbody>\n</table></div>\n";
}

// Room for the page but its call rows, and for each call row: the page
// grows once or twice rather than a dozen times.
constexpr size_t kPageBytes = sizeof kStyle + 4096;
constexpr size_t kCallRowBytes = 96;

}  // namespace

void WriteHtmlReport(const ReportRequest& request, ReportSink& sink) {
  const TallixData& data = request.data;
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
  out += "</head>\n<body>\n<header>\n<h1>";
  AppendEscaped(out, tally.caption);
  out += "</h1>\n<p class=\"files\">";
  // A break before every file but those while nothing is written yet.
  const size_t files_at = out.size();
  for (const std::string& file : LoadedFiles(data)) {
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
  AppendSiteTable(out, data, tally);
  out += "</section>\n<section>\n<h2>Calls per day</h2>\n";
  AppendChart(out, data, tally.days);
  out += "</section>\n<section>\n<h2>Numbers no site covers</h2>\n";
  AppendUnmatchedTable(sink, tally);
  out += "</section>\n<section>\n<h2>Calls of each site</h2>\n";
  AppendCallLists(sink, data, tally);
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
