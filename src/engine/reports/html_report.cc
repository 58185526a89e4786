// The HTML report: one self-contained page (its styles and its chart inline,
// nothing fetched) that reads on a phone, on a desktop screen and on paper.

#include <algorithm>
#include <charconv>

#include "engine/analysis/duration.h"
#include "engine/log/log_loader.h"
#include "engine/reports/call_breakdown.h"
#include "engine/reports/export_reports.h"
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

// Appends `bytes` as HTML text: made valid UTF-8, markup characters escaped.
void AppendEscaped(std::string& out, std::string_view bytes) {
  std::string converted;
  if (std::any_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) != 0; })) {
    AppendLenientUtf8(converted, bytes);
    bytes = converted;
  }
  for (const char c : bytes) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
}

std::string Escaped(std::string_view bytes) {
  std::string out;
  AppendEscaped(out, bytes);
  return out;
}

// A coordinate with one decimal, whatever the user's locale.
std::string Number(double value) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 1);
  return {text, result.ptr};
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
std::string Chart(const TallixData& data, const std::vector<DayCalls>& days) {
  const size_t sites = static_cast<size_t>(SitesInUse(data));
  if (days.empty() || sites == 0) {
    return "<p class=\"none\">No calls of a site in this selection.</p>\n";
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
  // The legend flows in rows across the width.
  std::string legend;
  double x = left;
  double y = 18;
  for (size_t s = 0; s < sites; ++s) {
    const std::string name = Escaped(data.SiteNames[s]);
    const double item = 26 + 7.5 * static_cast<double>(std::min<size_t>(name.size(), 40));
    if (x > left && x + item > width) {
      x = left;
      y += 20;
    }
    legend += "<rect x=\"" + Number(x) + "\" y=\"" + Number(y - 10) +
              "\" width=\"12\" height=\"12\" rx=\"2\" fill=\"" + SiteColour(s) + "\"/><text x=\"" +
              Number(x + 17) + "\" y=\"" + Number(y) + "\" font-size=\"13\">" + name + "</text>\n";
    x += item;
  }
  const double plot_top = y + 22;
  const double plot_height = 220;
  const double base = plot_top + plot_height;
  const double height = base + 78;

  std::string svg = "<svg class=\"chart\" viewBox=\"0 0 " + Number(width) + " " + Number(height) +
                    "\" role=\"img\" aria-label=\"Calls per day for each site\" "
                    "xmlns=\"http://www.w3.org/2000/svg\">\n" +
                    legend;
  for (int64_t tick = 0; tick <= top; tick += step) {
    const double ty = base - plot_height * static_cast<double>(tick) / static_cast<double>(top);
    svg += "<line x1=\"" + Number(left) + "\" x2=\"" + Number(width - 8) + "\" y1=\"" + Number(ty) +
           "\" y2=\"" + Number(ty) + "\" stroke=\"" + (tick == 0 ? "#4b5567" : "#e3e7ee") +
           "\"/><text x=\"" + Number(left - 6) + "\" y=\"" + Number(ty + 4) +
           "\" font-size=\"12\" text-anchor=\"end\">" + std::to_string(tick) + "</text>\n";
  }
  for (size_t d = 0; d < days.size(); ++d) {
    const double gx = left + group * static_cast<double>(d) + (group - bars_width) / 2;
    for (size_t s = 0; s < sites; ++s) {
      const int64_t calls = days[d].calls[s];
      if (calls == 0) continue;
      const double h = plot_height * static_cast<double>(calls) / static_cast<double>(top);
      svg += "<rect x=\"" + Number(gx + bar * static_cast<double>(s)) + "\" y=\"" +
             Number(base - h) + "\" width=\"" + Number(bar - 1) + "\" height=\"" + Number(h) +
             "\" fill=\"" + SiteColour(s) + "\"><title>" + Escaped(data.SiteNames[s]) + ", " +
             Escaped(days[d].day) + ": " + std::to_string(calls) + " calls</title></rect>\n";
    }
    const double cx = gx + bars_width / 2;
    svg += "<text transform=\"translate(" + Number(cx + 4) + " " + Number(base + 14) +
           ") rotate(-35)\" font-size=\"12\" text-anchor=\"end\">" + Escaped(days[d].day) +
           "</text>\n";
  }
  svg += "<text transform=\"translate(16 " + Number(plot_top + plot_height / 2) +
         ") rotate(-90)\" font-size=\"13\" text-anchor=\"middle\">Calls</text>\n";
  svg += "<text x=\"" + Number(left + (width - left) / 2) + "\" y=\"" + Number(height - 6) +
         "\" font-size=\"13\" text-anchor=\"middle\">Day</text>\n</svg>\n";
  return "<figure>\n" + svg + "</figure>\n";
}

// Appends a table cell; a number is set flush right.
void AppendCell(std::string& out, std::string_view text, bool number = false) {
  out += number ? "<td class=\"n\">" : "<td>";
  AppendEscaped(out, text);
  out += "</td>";
}

std::string Cell(std::string_view text, bool number = false) {
  std::string out;
  AppendCell(out, text, number);
  return out;
}

std::string SiteTable(const TallixData& data) {
  std::string out =
      "<div class=\"scroll\"><table>\n<thead><tr><th>Site</th><th>Number</th>"
      "<th class=\"n\">Calls</th><th class=\"n\">Duration</th></tr></thead>\n<tbody>\n";
  int64_t calls = 0;
  int64_t seconds = 0;
  for (size_t s = 0; s < static_cast<size_t>(SitesInUse(data)); ++s) {
    calls += data.SiteCallCounts[s];
    seconds += data.SiteSeconds[s];
    out += "<tr><td><span class=\"swatch\" style=\"background:" + std::string(SiteColour(s)) +
           "\"></span>" + Escaped(data.SiteNames[s]) + "</td>" + Cell(data.SiteNumbers[s]) +
           Cell(std::to_string(data.SiteCallCounts[s]), true) +
           Cell(FormatDuration(data.SiteSeconds[s]), true) + "</tr>\n";
  }
  return out + "</tbody>\n<tfoot><tr><td>Total</td><td></td>" + Cell(std::to_string(calls), true) +
         Cell(FormatLongDuration(seconds), true) + "</tr></tfoot>\n</table></div>\n";
}

std::string UnmatchedTable(const TallixData& data, std::string_view selection) {
  const std::vector<UnmatchedNumber> numbers = UnmatchedNumbers(data, selection);
  if (numbers.empty()) return "<p class=\"none\">Every call in this selection has its site.</p>\n";
  std::string out =
      "<div class=\"scroll\"><table>\n<thead><tr><th>Number</th><th class=\"n\">Calls</th>"
      "<th class=\"n\">Duration</th></tr></thead>\n<tbody>\n";
  int64_t calls = 0;
  int64_t seconds = 0;
  for (const UnmatchedNumber& n : numbers) {
    calls += n.calls;
    seconds += n.seconds;
    out += "<tr>" + Cell(n.number) + Cell(std::to_string(n.calls), true) +
           Cell(FormatLongDuration(n.seconds), true) + "</tr>\n";
  }
  return out + "</tbody>\n<tfoot><tr><td>Total</td>" + Cell(std::to_string(calls), true) +
         Cell(FormatLongDuration(seconds), true) + "</tr></tfoot>\n</table></div>\n";
}

std::string CallLists(const TallixData& data) {
  std::string out;
  for (int s = 0; s < SitesInUse(data); ++s) {
    const auto site = static_cast<size_t>(s);
    out += "<h3><span class=\"swatch\" style=\"background:" + std::string(SiteColour(site)) +
           "\"></span>" + Escaped(data.SiteNames[site]) + "</h3>\n";
    const int calls = CallsInUse(data, s);
    if (calls == 0) {
      out += "<p class=\"none\">No calls.</p>\n";
      continue;
    }
    out +=
        "<div class=\"scroll\"><table>\n<thead><tr><th>Time</th><th class=\"n\">Seconds</th>"
        "<th class=\"n\">Duration</th></tr></thead>\n<tbody>\n";
    // The bulk of a large page: each row is written without a temporary.
    for (int c = 0; c < calls; ++c) {
      const int32_t seconds = data.CallSeconds(c, s);
      char numbers[16 + kMaxDurationBytes];
      char* const seconds_end = std::to_chars(numbers, numbers + 16, seconds).ptr;
      char* const duration_end = WriteDuration(seconds, seconds_end);
      out += "<tr>";
      AppendCell(out, data.CallStamps(c, s));
      AppendCell(out, {numbers, static_cast<size_t>(seconds_end - numbers)}, true);
      AppendCell(out, {seconds_end, static_cast<size_t>(duration_end - seconds_end)}, true);
      out += "</tr>\n";
    }
    out += "</tbody>\n</table></div>\n";
  }
  return out;
}

}  // namespace

std::string HtmlReportText(const TallixData& data, const ReportRequest& request) {
  const auto [start, end] = LogStartAndEnd(data);
  std::string files;
  for (const std::string& file : LoadedFiles(data)) {
    files += (files.empty() ? "" : "<br>") + Escaped(file);
  }
  const std::string made = Escaped(request.now.date + " " + request.now.time);

  std::string out =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
      "<title>ISDN log analysis: " +
      Escaped(request.caption) + "</title>\n" + kStyle + "</head>\n<body>\n<header>\n<h1>" +
      Escaped(request.caption) + "</h1>\n<p class=\"files\">" + files +
      "</p>\n<dl class=\"extent\">\n<dt>Log start</dt><dd>" + Escaped(start) +
      "</dd>\n<dt>Log end</dt><dd>" + Escaped(end) + "</dd>\n<dt>Log records</dt><dd>" +
      std::to_string(data.LineCount) + "</dd>\n</dl>\n</header>\n";
  out += "<section>\n<h2>Sites</h2>\n" + SiteTable(data) + "</section>\n";
  out += "<section>\n<h2>Calls per day</h2>\n" + Chart(data, CallsPerDay(data, request.selection)) +
         "</section>\n";
  out += "<section>\n<h2>Numbers no site covers</h2>\n" + UnmatchedTable(data, request.selection) +
         "</section>\n";
  out += "<section>\n<h2>Calls of each site</h2>\n" + CallLists(data) + "</section>\n";
  if (!request.warnings.empty()) {
    out += "<section>\n<h2>Warnings</h2>\n<ul class=\"warnings\">\n";
    for (const std::string& warning : request.warnings)
      out += "<li>" + Escaped(warning) + "</li>\n";
    out += "</ul>\n</section>\n";
  }
  return out + "<footer>ISDN log analysis made on " + made + "</footer>\n</body>\n</html>\n";
}

}  // namespace tallix
