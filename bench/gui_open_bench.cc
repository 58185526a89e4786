// Times the desktop program's File > Open against tallix-report on the same
// log and configuration. Open is timed from the moment the file chooser hands
// over the name until the result rows are painted; the command from start to
// exit. The two take turns; medians and their ratio are printed. Then
// View > Check Totals over the loaded log: from the command until the table
// is painted, and a sort by the Result column (each row's text made) until it
// is painted again.
//
//   tallix-gui-open-bench [--runs N] CONFIG LOG
//
// Runs the real main window headless (QT_QPA_PLATFORM=offscreen unless set),
// with services that answer the chooser with LOG and note messages instead of
// showing them.

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QProcess>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "gui_bench_services.h"

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double Seconds(Clock::time_point from) {
  return std::chrono::duration<double>(Clock::now() - from).count();
}

int Usage() {
  std::fputs("usage: tallix-gui-open-bench [--runs N] CONFIG LOG\n", stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QStringList args = QApplication::arguments().mid(1);
  int runs = 9;
  if (args.size() >= 2 && args[0] == "--runs") {
    runs = std::max(1, args[1].toInt());
    args = args.mid(2);
  }
  if (args.size() != 2) return Usage();
  const QString config = args[0];
  const QString log = args[1];

  // The window reads its configuration beside the program and keeps its
  // settings in a file of its own, both in a temporary folder.
  QTemporaryDir dir;
  QDir(dir.path()).mkdir("program");
  if (!QFile::copy(config, dir.filePath("program/Tallix.cfg"))) {
    std::fprintf(stderr, "cannot copy %s\n", qPrintable(config));
    return 1;
  }
  tallix::bench::BenchWindow bench(dir.path(), log);
  tallix::frmMain& window = bench.window;
  QAction* open = window.findChild<QAction*>("mnuFileOpen");
  auto* records = window.findChild<QLineEdit*>("LogRecords");
  if (open == nullptr || records == nullptr) {
    std::fputs("the main window has no mnuFileOpen or LogRecords\n", stderr);
    return 1;
  }

  std::vector<double> gui;
  std::vector<double> command;
  for (int run = 0; run < runs; ++run) {
    records->clear();
    QApplication::processEvents();
    const Clock::time_point start = Clock::now();
    open->trigger();
    window.repaint();
    QApplication::processEvents();
    gui.push_back(Seconds(start));
    if (records->text().trimmed().isEmpty()) {
      std::fprintf(stderr, "File > Open showed no log: %s\n", qPrintable(bench.messages.last));
      return 1;
    }

    QProcess report;
    report.setStandardOutputFile(QProcess::nullDevice());
    report.setStandardErrorFile(QProcess::nullDevice());
    const Clock::time_point launched = Clock::now();
    report.start(TALLIX_REPORT_EXE, {"--config", config, log});
    if (!report.waitForFinished(-1) || report.exitStatus() != QProcess::NormalExit) {
      std::fputs("tallix-report did not run\n", stderr);
      return 1;
    }
    command.push_back(Seconds(launched));
  }
  const double gui_median = Median(gui);
  const double command_median = Median(command);
  std::printf("File > Open to rows shown: median %.3f s over %d runs\n", gui_median, runs);
  std::printf("tallix-report:             median %.3f s\n", command_median);
  std::printf("ratio Open / tallix-report: %.2f (LogRecords:%s)\n", gui_median / command_median,
              qPrintable(records->text()));

  std::vector<double> opened;
  std::vector<double> sorted;
  int rows = -1;
  for (int run = 0; run < runs; ++run) {
    const Clock::time_point start = Clock::now();
    QTimer::singleShot(0, [&] {
      auto* table = QApplication::activeModalWidget()
                        ? QApplication::activeModalWidget()->findChild<QTableView*>("LinesTable")
                        : nullptr;
      if (table == nullptr) return;
      table->window()->repaint();
      opened.push_back(Seconds(start));
      rows = table->model()->rowCount();
      const Clock::time_point click = Clock::now();
      table->horizontalHeader()->setSortIndicator(5, Qt::AscendingOrder);
      table->window()->repaint();
      sorted.push_back(Seconds(click));
      table->window()->close();
    });
    window.findChild<QAction*>("mnuViewCheckTotals")->trigger();
  }
  if (opened.empty() || sorted.empty()) {
    std::fputs("Check Totals did not open\n", stderr);
    return 1;
  }
  std::printf("Check Totals, %d rows: open to painted median %.3f s, sort by result %.3f s\n", rows,
              Median(opened), Median(sorted));
  return 0;
}
