// Costing at its bound: 40,001 calls of 2,147,483,647 s each (the longest a
// tally counts), every one ending in 2026 and so reaching back to 1958, under
// 1-second units with 1,000 holidays spread over those years. The costing of
// all of them, the coster's set-up included, must take under 2 s.

#include <benchmark/benchmark.h>

#include <string>

#include "engine/analysis/cost.h"
#include "engine/config/tariff_file.h"

namespace tallix::bench {
namespace {

constexpr int kCalls = 40'001;
constexpr int64_t kSeconds = 2'147'483'647;
constexpr int kHolidays = 1'000;

// The example file's zones with units of `day` and `night` seconds.
std::string TariffText(int day, int night) {
  std::string text = "holidays = [";
  const auto first = std::chrono::local_days{std::chrono::year{1958} / 12 / 20};
  for (int i = 0; i < kHolidays; ++i) {
    // One every 24 days and a bit: all of them inside every call.
    AppendDateText(text += i == 0 ? "\"" : ", \"",
                   std::chrono::year_month_day{first + std::chrono::days{i * 24 + i % 7}});
    text += '"';
  }
  const std::string days = "\"Mon\", \"Tue\", \"Wed\", \"Thu\", \"Fri\"";
  return text + "]\n[[tariff]]\nname = \"Local\"\nprefixes = [\"0\"]\nsetup = \"0.10\"\n" +
         "[[tariff.zone]]\ndays = [" + days + "]\nfrom = \"08:00\"\nto = \"18:00\"\n" +
         "unit_seconds = " + std::to_string(day) + "\nunit_price = \"0.06\"\n" +
         "[[tariff.zone]]\ndays = [" + days + ", \"Sat\", \"Sun\", \"Hol\"]\nfrom = \"00:00\"\n" +
         "to = \"24:00\"\nunit_seconds = " + std::to_string(night) + "\nunit_price = \"0.06\"\n";
}

void CostAll(benchmark::State& state, int day, int night) {
  const TariffRead read = ReadTariffText(TariffText(day, night), kTariffFileName);
  if (!read.ok()) {
    state.SkipWithError(read.error.c_str());
    return;
  }
  const WallTime year = std::chrono::local_days{std::chrono::year{2026} / 1 / 1};
  for (auto _ : state) {
    CallCoster coster(read.tariffs);
    int64_t total = 0;
    for (int call = 0; call < kCalls; ++call) {
      // Ends 13 minutes apart over 2026, at odd seconds.
      const WallTime end = year + std::chrono::seconds{int64_t{call} * 787};
      const size_t tariff = *ChooseTariff(read.tariffs, "01234123456");
      total = AddMoney(total, *coster.Cost(tariff, *CallStart(end, kSeconds), kSeconds));
    }
    benchmark::DoNotOptimize(total);
  }
  state.counters["calls"] = kCalls;
}

// The bound case.
void BM_CostBoundCase(benchmark::State& state) { CostAll(state, 1, 1); }
BENCHMARK(BM_CostBoundCase)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same calls under the example's 90-s and 240-s units: each call meets
// the holidays at a phase of its own, so fewer stretches are remembered.
void BM_CostExampleUnits(benchmark::State& state) { CostAll(state, 90, 240); }
BENCHMARK(BM_CostExampleUnits)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace tallix::bench

BENCHMARK_MAIN();
