// What the tariff file adds to a tally's reports: the comparison of its
// tariffs over the same calls, and the budgets passed.

#include <map>

#include "engine/analysis/cost.h"
#include "engine/reports/report_text.h"

namespace tallix {

std::vector<TariffComparisonRow> CompareTariffs(const LoadedLog& log, const TallyResult& tally,
                                                const Tariffs& tariffs) {
  const std::vector<LineResult>& lines = tally.lines;
  std::vector<TariffComparisonRow> rows;
  // Tariff by tariff: the coster reuses what it remembers of one tariff.
  CallCoster coster(tariffs);
  for (size_t t = 0; t < tariffs.tariffs.size(); ++t) {
    TariffComparisonRow row{tariffs.tariffs[t].name};
    for (size_t r = 0; r < lines.size(); ++r) {
      const CallTime time = log.LineTime(static_cast<int32_t>(r));
      if (!lines[r].selected || !time.has_time) continue;
      const int64_t counted = CountedSeconds(lines[r]);
      const std::optional<WallTime> start = CallStart(time.wall, counted);
      const std::optional<int64_t> charged = start ? coster.Cost(t, *start, counted) : std::nullopt;
      if (!charged) continue;
      ++row.calls;
      row.seconds += counted;
      row.cost = AddMoney(row.cost, *charged);
    }
    rows.push_back(std::move(row));
  }
  TariffComparisonRow charged{"as charged"};
  for (const LineResult& line : lines) {
    if (!line.selected || !line.cost) continue;
    ++charged.calls;
    charged.seconds += CountedSeconds(line);
    charged.cost = AddMoney(charged.cost, *line.cost);
  }
  rows.push_back(std::move(charged));
  return rows;
}

void WriteTariffsCsv(const ReportRequest& request, ReportSink& sink) {
  const Tariffs& tariffs = *request.tariffs;
  std::string& out = sink.text();
  out += "tariff,calls,seconds,cost\r\n";
  for (const TariffComparisonRow& row : CompareTariffs(request.log, request.tally, tariffs)) {
    AppendCsvField(out, row.name);
    out += ',';
    AppendInteger(out, row.calls);
    out += ',';
    AppendInteger(out, row.seconds);
    out += ',';
    AppendMoney(out, row.cost, tariffs.decimals);
    out += "\r\n";
    sink.RowEnd();
  }
}

std::vector<std::string> BudgetOverruns(const LoadedLog& log, const SiteConfig& config,
                                        const TallyResult& tally, const Tariffs& tariffs) {
  std::vector<std::string> overruns;
  const std::string currency = tariffs.currency.empty() ? "" : " " + tariffs.currency;
  for (int s = 0; s < config.SitesInUse(); ++s) {
    const std::string& number = config.SiteNumbers[static_cast<size_t>(s)];
    for (const PeriodUnit per : {PeriodUnit::kDay, PeriodUnit::kWeek, PeriodUnit::kMonth}) {
      const Budget* budget = FindBudget(tariffs, number, per);
      if (budget == nullptr) continue;
      // Periods named so that their names sort as their times.
      std::map<std::string, int64_t> costs;
      for (const CountedCall& call : tally.CallsOf(s)) {
        const CallTime time = log.LineTime(call.line);
        if (!time.has_time) continue;
        int64_t& cost =
            costs[BudgetPeriodKey(per, std::chrono::floor<std::chrono::days>(time.wall))];
        cost = AddMoney(cost, tally.lines[static_cast<size_t>(call.line)].cost.value_or(0));
      }
      for (const auto& [period, cost] : costs) {
        if (!OverBudget(cost, *budget)) continue;
        overruns.push_back("site \"" + config.SiteNames[static_cast<size_t>(s)] +
                           "\" is over its budget in " + period + ": " +
                           MoneyText(cost, tariffs.decimals) + " of " +
                           MoneyText(budget->amount, tariffs.decimals) + currency);
      }
    }
  }
  return overruns;
}

}  // namespace tallix
