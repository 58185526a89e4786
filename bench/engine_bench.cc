// Benchmarks of the engine at its limits: the loader over a
// generated 100 MB log with 40001 call-end lines, the tally over ten sites
// (one at 10001 calls), and every report builder.

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <memory>

#include "engine/analysis/tally.h"
#include "engine/log/log_loader.h"
#include "engine/log/text_search.h"
#include "engine/reports/report_text.h"
#include "log_generator.h"

namespace tallix::bench {
namespace {

const ReportDateTime kNow{"07/12/2026", "10:30:00"};

// A request over a tally made by hand: these reports read the tally's
// calls only.
struct Request {
  Request(LoadedLog log_in, SiteConfig config_in, TallyResult tally_in)
      : log(std::move(log_in)),
        config(std::move(config_in)),
        tally(std::move(tally_in)),
        heading(MakeReportHeading(log, kNow)) {
    tally.caption = "All Data";
  }
  Request(const Request&) = delete;
  Request& operator=(const Request&) = delete;
  operator ReportRequest() const { return {log, config, tally, heading}; }
  LoadedLog log;
  SiteConfig config;
  TallyResult tally;
  ReportHeading heading;
};

// The 100 MB log, generated once and kept in a temporary file for the run.
class BenchLog {
 public:
  static BenchLog& Get() {
    static BenchLog log;
    return log;
  }
  const std::string& text() const { return text_; }
  const std::string& path() const { return path_; }
  ~BenchLog() { ::unlink(path_.c_str()); }

 private:
  BenchLog() : text_(GenerateLog(LogShape{})) {
    char name[] = "/tmp/tallix-bench-XXXXXX";
    const int fd = ::mkstemp(name);
    if (fd >= 0) ::close(fd);
    path_ = name;
    std::ofstream(path_, std::ios::binary) << text_;
  }
  std::string text_;
  std::string path_;
};

SiteConfig TenSites() {
  SiteConfig config;
  config.RouterIdentifier = "isdnrouter";
  config.SiteCount = 10;
  const std::vector<std::string> numbers = BenchSiteNumbers();
  for (size_t s = 0; s < 10; ++s) {
    config.SiteNames[s] = "Site number " + std::to_string(s);
    config.SiteNumbers[s] = numbers[s];
  }
  return config;
}

// Every site's call list filled to `calls_per_site`, the last site's to
// `last_site_calls`.
std::unique_ptr<Request> FullTables(int calls_per_site, int last_site_calls) {
  LoadedLog log;
  log.LogFilePaths = {"/var/log/router.log"};
  log.Keep("Jan  1 00:00:01 isdnrouter isdn: call from 01234123450 disconnected", {}, {});
  log.Keep("Dec 28 23:59:59 isdnrouter isdn: call from 01234123450 disconnected", {}, {});
  TallyResult tally;
  LineResult line;
  line.stamp = "Dec  7 10:00:01";
  tally.lines = {line};
  for (int s = 0; s < 10; ++s) {
    SiteTally& site = tally.sites.emplace_back();
    const int calls = s == 9 ? last_site_calls : calls_per_site;
    for (int c = 0; c < calls; ++c) {
      site.calls.push_back({0, c * 7});
      site.figures.Add(c * 7);
    }
  }
  return std::make_unique<Request>(std::move(log), TenSites(), std::move(tally));
}

LoadedLog LoadedBenchLog() { return LoadLog(BenchLog::Get().path(), "isdnrouter").log; }

// Wall time, since a large file is scanned in two parts at once.
void BM_LoadLogFile(benchmark::State& state) {
  const BenchLog& log = BenchLog::Get();
  int32_t kept = 0;
  for (auto _ : state) {
    const LoadResult r = LoadLog(log.path(), "isdnrouter");
    benchmark::DoNotOptimize(r.status.ok());
    kept = r.log.LineCount();
  }
  state.counters["kept"] = kept;
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(log.text().size()));
}
BENCHMARK(BM_LoadLogFile)->UseRealTime()->Unit(benchmark::kMillisecond);

// The kept-line search alone over the log in memory.
void BM_FindKeptLines(benchmark::State& state) {
  const std::string_view text = BenchLog::Get().text();
  const NoCaseFinder call_end("disconnected");
  const NoCaseFinder router("isdnrouter");
  int64_t kept = 0;
  for (auto _ : state) {
    kept = 0;
    LineSpan line;
    for (size_t from = 0;
         from < text.size() && FindLineWithBoth(text, from, call_end, router, &line);
         from = line.end + 1) {
      ++kept;
    }
    benchmark::DoNotOptimize(kept);
  }
  state.counters["kept"] = static_cast<double>(kept);
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_FindKeptLines)->Unit(benchmark::kMillisecond);

void BM_TallyCalls(benchmark::State& state) {
  const LoadedLog log = LoadedBenchLog();
  const SiteConfig config = TenSites();
  int16_t site0_calls = 0;
  for (auto _ : state) {
    const TallyResult r = TallyCalls(log, config, kAllDataSelection);
    benchmark::DoNotOptimize(r.lines.data());
    site0_calls = r.SiteCallCounts(0);
  }
  state.counters["site0_calls"] = site0_calls;
}
BENCHMARK(BM_TallyCalls)->Unit(benchmark::kMicrosecond);

void BM_TallyCallsDaySelection(benchmark::State& state) {
  const LoadedLog log = LoadedBenchLog();
  const SiteConfig config = TenSites();
  for (auto _ : state) {
    const TallyResult r = TallyCalls(log, config, "jan  3");
    benchmark::DoNotOptimize(r.lines.data());
  }
}
BENCHMARK(BM_TallyCallsDaySelection)->Unit(benchmark::kMicrosecond);

void BM_SavedReport(benchmark::State& state) {
  const auto request = FullTables(10001, 10001);
  for (auto _ : state) benchmark::DoNotOptimize(ReportTextOf(WriteSavedReport, *request).size());
}
BENCHMARK(BM_SavedReport)->Unit(benchmark::kMillisecond);

void BM_PrintedSummary(benchmark::State& state) {
  const auto request = FullTables(10001, 10001);
  for (auto _ : state) {
    benchmark::DoNotOptimize(PrintedSummaryLines(*request).size());
  }
}
BENCHMARK(BM_PrintedSummary)->Unit(benchmark::kMicrosecond);

// The guarded reports at their largest: 999 calls in all.
void BM_PrintedDetailedLog(benchmark::State& state) {
  const auto request = FullTables(99, 108);
  for (auto _ : state) {
    benchmark::DoNotOptimize(PrintedDetailedLogLines(*request).size());
  }
}
BENCHMARK(BM_PrintedDetailedLog)->Unit(benchmark::kMicrosecond);

void BM_ShowLogText(benchmark::State& state) {
  const auto request = FullTables(99, 108);
  for (auto _ : state) benchmark::DoNotOptimize(ShowLogText(*request).size());
}
BENCHMARK(BM_ShowLogText)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tallix::bench

BENCHMARK_MAIN();
