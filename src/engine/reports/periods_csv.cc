#include "engine/reports/periods_csv.h"

#include <vector>

#include "engine/reports/csv_field.h"
#include "engine/reports/report_text.h"

namespace tallix {

void WritePeriodsCsv(const PeriodTable& table, std::span<const std::string> site_names,
                     ReportSink& sink) {
  sink.text() +=
      "period,start,end,site,calls,seconds,average_seconds,longest_seconds,change_calls,"
      "change_seconds\r\n";
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
      out += "\r\n";
      sink.RowEnd();
    }
  });
}

}  // namespace tallix
