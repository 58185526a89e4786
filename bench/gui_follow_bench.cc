// Times View > Follow Log on a large loaded log: from the moment one call-end
// line is appended to the log until the main window shows it (the record
// count and the site rows updated and painted). The log is generated into a
// temporary folder: TALLIX_FOLLOW_BENCH_BYTES bytes, 1 GB unless set.
//
//   tallix-gui-follow-bench [--benchmark_... options]
//
// Runs the real main window headless (QT_QPA_PLATFORM=offscreen unless set).

#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <fstream>

#include "bench/log_generator.h"
#include "gui_bench_services.h"

namespace {

using Clock = std::chrono::steady_clock;

void BM_FollowLogAppendOneLine(benchmark::State& state) {
  uint64_t bytes = 1000ull * 1000 * 1000;
  if (const char* set = std::getenv("TALLIX_FOLLOW_BENCH_BYTES")) bytes = std::stoull(set);
  QTemporaryDir dir;
  QDir(dir.path()).mkdir("program");
  const std::string log = dir.filePath("router.log").toStdString();
  {
    std::ofstream out(log, std::ios::binary);
    // Room left in the kept table, so that each appended line is kept.
    tallix::bench::GenerateLog({bytes, 30000, 1}, [&](std::string_view piece) { out << piece; });
  }
  {
    std::ofstream cfg(dir.filePath("program/Tallix.cfg").toStdString(), std::ios::binary);
    cfg << "\"Version\",1,0,0\r\n\"NoSites\",1,0,0\r\n\"ISDNIdentifier\",\"isdnrouter\",0,0\r\n"
        << "\"Site\",0,\"Site A\",\"" << tallix::bench::BenchSiteNumbers()[0] << "\"\r\n";
    for (int s = 1; s < 10; ++s) cfg << "\"Site\"," << s << ",\"\",\"\"\r\n";
    cfg << "\"END\",\"END\",\"END\",\"END\"\r\n";
  }
  tallix::bench::BenchWindow bench(dir.path(), QString::fromStdString(log));
  tallix::frmMain& window = bench.window;
  window.findChild<QAction*>("mnuFileOpen")->trigger();
  window.findChild<QAction*>("mnuViewFollowLog")->trigger();
  auto* records = window.findChild<QLineEdit*>("LogRecords");
  if (window.Log().LineCount() == 0 || records == nullptr) {
    state.SkipWithError("the log was not loaded");
    return;
  }
  const std::string line = "Dec 31 23:59:59 isdnrouter isdn: call from " +
                           tallix::bench::BenchSiteNumbers()[0] +
                           " disconnected, lasted 60 seconds\n";
  std::ofstream append(log, std::ios::binary | std::ios::app);
  for (auto _ : state) {
    const QString before = records->text();
    const Clock::time_point start = Clock::now();
    append << line << std::flush;
    while (records->text() == before) {
      QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    window.repaint();
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
  }
  state.counters["kept_lines"] = window.Log().LineCount();
}
BENCHMARK(BM_FollowLogAppendOneLine)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(200);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
