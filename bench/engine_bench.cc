// Benchmarks of the engine at the tables' full size: the loader over a
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

// A request over tables filled without a tally: these reports read the call
// tables only.
struct Request {
  explicit Request(const TallixData& tables)
      : data(tables), heading(MakeReportHeading(tables, kNow)) {
    tally.caption = "All Data";
  }
  operator ReportRequest() const { return {data, tally, heading}; }
  const TallixData& data;
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

std::unique_ptr<TallixData> TenSites() {
  auto data = std::make_unique<TallixData>();
  data->RouterIdentifier = "isdnrouter";
  data->SiteCount = 10;
  const std::vector<std::string> numbers = BenchSiteNumbers();
  for (size_t s = 0; s < 10; ++s) {
    data->SiteNames[s] = "Site number " + std::to_string(s);
    data->SiteNumbers[s] = numbers[s];
  }
  return data;
}

// Every site's call list filled to `calls_per_site`.
std::unique_ptr<TallixData> FullTables(int calls_per_site) {
  auto data = TenSites();
  data->LogFilePath = "/var/log/router.log";
  data->LogLines.Assign(0, "Jan  1 00:00:01 isdnrouter isdn: call from 01234123450 disconnected");
  data->LogLines.Assign(1, "Dec 28 23:59:59 isdnrouter isdn: call from 01234123450 disconnected");
  data->LineCount = 2;
  for (int s = 0; s < 10; ++s) {
    data->SiteCallCounts[static_cast<size_t>(s)] = static_cast<int16_t>(calls_per_site);
    for (int c = 0; c < calls_per_site; ++c) {
      data->CallStamps(c, s) = "Dec  7 10:00:01";
      data->CallSeconds(c, s) = c * 7;
      data->SiteSeconds[static_cast<size_t>(s)] += c * 7;
    }
  }
  return data;
}

// Wall time, since a large file is scanned in two parts at once.
void BM_LoadLogFile(benchmark::State& state) {
  const BenchLog& log = BenchLog::Get();
  auto data = TenSites();
  for (auto _ : state) {
    const LoadResult r = LoadLog(*data, log.path());
    benchmark::DoNotOptimize(r.status.ok());
  }
  state.counters["kept"] = data->LineCount;
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
  auto data = TenSites();
  LoadLog(*data, BenchLog::Get().path());
  for (auto _ : state) {
    const TallyResult r = TallyCalls(*data, kAllDataSelection);
    benchmark::DoNotOptimize(r.lines.data());
  }
  state.counters["site0_calls"] = data->SiteCallCounts[0];
}
BENCHMARK(BM_TallyCalls)->Unit(benchmark::kMicrosecond);

void BM_TallyCallsDaySelection(benchmark::State& state) {
  auto data = TenSites();
  LoadLog(*data, BenchLog::Get().path());
  for (auto _ : state) {
    const TallyResult r = TallyCalls(*data, "jan  3");
    benchmark::DoNotOptimize(r.lines.data());
  }
}
BENCHMARK(BM_TallyCallsDaySelection)->Unit(benchmark::kMicrosecond);

void BM_SavedReport(benchmark::State& state) {
  auto data = FullTables(10001);
  for (auto _ : state)
    benchmark::DoNotOptimize(ReportTextOf(WriteSavedReport, Request(*data)).size());
}
BENCHMARK(BM_SavedReport)->Unit(benchmark::kMillisecond);

void BM_PrintedSummary(benchmark::State& state) {
  auto data = FullTables(10001);
  for (auto _ : state) {
    benchmark::DoNotOptimize(PrintedSummaryLines(Request(*data)).size());
  }
}
BENCHMARK(BM_PrintedSummary)->Unit(benchmark::kMicrosecond);

// The guarded reports at their largest: 999 calls in all.
void BM_PrintedDetailedLog(benchmark::State& state) {
  auto data = FullTables(99);
  data->SiteCallCounts[9] = 108;
  for (auto _ : state) {
    benchmark::DoNotOptimize(PrintedDetailedLogLines(Request(*data)).size());
  }
}
BENCHMARK(BM_PrintedDetailedLog)->Unit(benchmark::kMicrosecond);

void BM_ShowLogText(benchmark::State& state) {
  auto data = FullTables(99);
  data->SiteCallCounts[9] = 108;
  for (auto _ : state) benchmark::DoNotOptimize(ShowLogText(Request(*data)).size());
}
BENCHMARK(BM_ShowLogText)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tallix::bench

BENCHMARK_MAIN();
