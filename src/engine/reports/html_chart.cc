// The HTML report's chart: the calls of each site per day or period as an
// inline SVG bar chart.

#include <algorithm>
#include <charconv>
#include <optional>

#include "engine/reports/html_page.h"

namespace tallix {
namespace {

constexpr const char* kSiteColours[] = {"#1f77b4", "#ff7f0e", "#2ca02c", "#d62728",
                                        "#9467bd", "#8c564b", "#e377c2", "#7f7f7f",
                                        "#bcbd22", "#17becf", "#393b79"};

// A coordinate with one decimal, whatever the user's locale.
void AppendNumber(std::string& out, double value) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 1);
  out += std::string_view(text, result.ptr);
}

// `name="value"` after a blank: the attributes of the chart's shapes.
void AppendAttribute(std::string& out, std::string_view name, double value) {
  out += ' ';
  out += name;
  out += "=\"";
  AppendNumber(out, value);
  out += '"';
}

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

// The calls of each site in `days` (days, or periods named by `unit`) as
// grouped bars, one colour per site, with a legend above and both axes
// labelled. Drawn in its own units and scaled to the width.
void AppendChart(std::string& out, const SiteConfig& config, const std::vector<DayCalls>& days,
                 std::string_view unit) {
  const size_t sites = static_cast<size_t>(config.SitesInUse());
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
    AppendEscaped(name, config.SiteNames[s]);
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
  out += "\" role=\"img\" aria-label=\"Calls per ";
  out += unit;
  out += " for each site\" xmlns=\"http://www.w3.org/2000/svg\">\n";
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
      AppendEscaped(out, config.SiteNames[s]);
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
  out += " font-size=\"13\" text-anchor=\"middle\">";
  out += static_cast<char>(unit[0] - 'a' + 'A');
  out += unit.substr(1);
  out += "</text>\n</svg>\n</figure>\n";
}

// Whether the kept lines' times, earliest to latest, cover more than 31
// days.
bool SpansMoreThanAMonth(const LoadedLog& log) {
  const std::optional<TimedSpan> span = TimedSpanOf(log);
  if (!span) return false;
  const auto days = std::chrono::floor<std::chrono::days>(span->latest) -
                    std::chrono::floor<std::chrono::days>(span->earliest);
  return days.count() + 1 > 31;
}

// The periods as the chart's bars, which show calls alone.
// Bars a chart holds at most: a log whose times lie centuries apart would
// otherwise give millions, and a page no browser can draw.
constexpr int64_t kMaxBars = 300;

// The periods as the chart's bars, `per_bar` periods to a bar (as many as
// keep the bars within kMaxBars), each named after its first period.
std::vector<DayCalls> PeriodBars(const PeriodTable& table, int64_t* per_bar) {
  *per_bar = std::max<int64_t>(1, (table.size() + kMaxBars - 1) / kMaxBars);
  std::vector<DayCalls> bars(static_cast<size_t>((table.size() + *per_bar - 1) / *per_bar));
  std::string label;
  std::vector<PeriodSite> sites;
  for (size_t b = 0; b < bars.size(); ++b) {
    bars[b].day = table.At(static_cast<int64_t>(b) * *per_bar, label, sites).label;
    bars[b].calls.assign(static_cast<size_t>(table.sites()), 0);
  }
  // Only the periods with calls add to a bar: a long span is mostly empty.
  table.ForEachWithCalls([&](int64_t index, std::span<const CallFigures> figures) {
    std::vector<int64_t>& calls = bars[static_cast<size_t>(index / *per_bar)].calls;
    for (size_t s = 0; s < figures.size(); ++s) calls[s] += figures[s].calls;
  });
  return bars;
}

}  // namespace

const char* SiteColour(size_t site) { return kSiteColours[site % std::size(kSiteColours)]; }

void AppendChartSection(std::string& out, const ReportRequest& request, const PeriodTable& periods,
                        std::string_view unit_name) {
  // A log of more than a month is charted by period: by day its bars would
  // crowd.
  const bool by_period = SpansMoreThanAMonth(request.log);
  const std::string_view unit = by_period ? unit_name : "day";
  out += "</section>\n<section>\n<h2>Calls per ";
  out += unit;
  out += "</h2>\n";
  int64_t per_bar = 1;
  AppendChart(out, request.config, by_period ? PeriodBars(periods, &per_bar) : request.tally.days,
              unit);
  if (per_bar > 1) {
    out += "<p class=\"none\">Each bar holds ";
    AppendInteger(out, per_bar);
    out += ' ';
    out += unit;
    out += 's';
    // The periods rarely divide evenly: the last bar says what it holds.
    if (const int64_t last = periods.size() % per_bar; last != 0) {
      out += " (the last bar ";
      AppendInteger(out, last);
      out += ')';
    }
    out += ", named after the first of them.</p>\n";
  }
}

}  // namespace tallix
