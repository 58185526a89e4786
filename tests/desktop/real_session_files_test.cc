// The desktop program's logs in a real X session: File > Open and Save and
// Export through Qt's own file dialog, `tallix FILE` and drops, Check Totals
// from a count box, Follow Log from the menu bar, and a slow load's
// progress.

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QCompleter>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <atomic>
#include <thread>

#include "desktop/app/startup.h"
#include "desktop/app/status_bar.h"
#include "desktop/reports/frm_check_totals.h"
#include "real_session_test.h"
#include "support/command_runner.h"
#include "support/gui_harness.h"

namespace tallix::testing {

// File > Open and File > Save through Qt's own file dialog: the name is
// typed and Enter pressed, as a user does.
void RealSessionTest::openAndSaveThroughTheFileDialog() {
  Harness h;
  h.real_file_dialogs = true;
  h.WriteConfig(kThreeSitesConfig);
  const QString log = h.WriteFile("router.log", CraftedLog());
  const QString report = h.PathOf("report.txt");
  QVERIFY(StartFramed(h, Pixels(1000, 1000, 6500, 6500)));
  for (const auto& [action, name] : {std::pair{"mnuFileOpen", log}, {"mnuFileSave", report}}) {
    OnModal([&h, action] { h.Trigger(action); },
            [name](QWidget& dialog) {
              QVERIFY(qobject_cast<QFileDialog*>(&dialog));
              auto* edit = dialog.findChild<QLineEdit*>("fileNameEdit");
              QVERIFY(edit);
              edit->setFocus();
              edit->selectAll();
              QTest::keyClicks(edit, name);
              // When the folder's listing comes in while the name is typed,
              // the completer's list opens and takes a Return for itself:
              // Return is pressed until the dialog has taken the name.
              QVERIFY(QTest::qWaitFor(
                  [&] {
                    if (QCompleter* completer = edit->completer()) completer->popup()->hide();
                    QTest::keyClick(edit, Qt::Key_Return);
                    return !dialog.isVisible();
                  },
                  kWaitMs));
            });
  }
  QTRY_COMPARE(h.Text("LogFilename"), log);
  QFile saved(report);
  QVERIFY(saved.open(QIODevice::ReadOnly));
  const std::string ours = saved.readAll().toStdString();
  const testing_util::CommandRun run = testing_util::RunReport(
      {"--config", h.ConfigPath().toStdString(), "--format", "saved", log.toStdString()},
      h.PathOf("").toStdString(), h.PathOf("").toStdString());
  QCOMPARE(run.status, 0);
  // Equal apart from the time in the title line.
  auto untimed = [](const std::string& text) {
    return text.substr(0, text.find(" on ")) + text.substr(text.find("\r\n"));
  };
  QCOMPARE(untimed(ours), untimed(run.out));
}

// A double-click on a site's count or duration box opens Check Totals on
// that site's calls, beside the main window and not over it: the rows of
// tallix-report's audit credited to it, cell by cell (the file by its
// name). It follows the main window's selection while open; Tab leaves
// its table; Enter on a row shows the line in context, from a gzip log.
void RealSessionTest::checkTotalsFromACountBox() {
  Harness h;
  h.WriteConfig(kThreeSitesConfig);
  const QString plain = h.WriteFile("router.log", CraftedLog());
  QProcess gzip;
  gzip.start("gzip", {"-k", plain});
  QVERIFY(gzip.waitForFinished(kWaitMs) && gzip.exitCode() == 0);
  const QString log = plain + ".gz";
  QVERIFY(StartFramed(h, Pixels(1000, 1000, 6500, 6500)));
  h.Open(log);
  const testing_util::CommandRun audit = testing_util::RunReport(
      {"--config", h.ConfigPath().toStdString(), "--format", "audit", log.toStdString()},
      h.PathOf("").toStdString(), h.PathOf("").toStdString());
  QCOMPARE(audit.status, 0);
  for (const auto& [box, site] :
       {std::pair{"NoCalls0", "Head Office"}, {"CallDuration1", "London"}}) {
    std::vector<QStringList> expected;
    for (const QString& line : QString::fromStdString(audit.out).split("\r\n").mid(1)) {
      QStringList fields = line.split(',');
      if (fields.size() < 2) continue;
      fields.removeLast();  // the time, which the window does not show
      if (fields.back() != site) continue;
      expected.push_back(fields);
      expected.back()[0] = "router.log.gz";
    }
    const QString count = "NoCalls" + QString(box).right(1);
    QCOMPARE(qsizetype(expected.size()), h.Text(qPrintable(count)).toLongLong());
    QTest::mouseDClick(h.Find<QLineEdit>(box), Qt::LeftButton, {}, QPoint(5, 5));
    auto* window = h.window().findChild<FormCheckTotals*>();
    QVERIFY(window && QTest::qWaitForWindowExposed(window, kWaitMs));
    QVERIFY(!window->isModal());
    QCOMPARE(window->findChild<QComboBox*>("LinesChoiceBox")->currentText(),
             QString(site) + "'s calls");
    auto* table = window->findChild<QTableView*>("LinesTable");
    QCOMPARE(TableCells(*table->model()), expected);
    QVERIFY(table->isColumnHidden(KeptLinesModel::kFile));
    QTRY_VERIFY(window->frameGeometry() != window->geometry());
    QVERIFY2(!window->frameGeometry().intersects(h.window().frameGeometry()),
             qPrintable(QDebug::toString(window->frameGeometry())));
    QVERIFY(h.window().screen()->availableGeometry().contains(window->frameGeometry()));
    QTest::qWait(200);  // painted before the picture is taken
    Shoot(QString("check-totals-%1.png").arg(site));
  }
  auto* window = h.window().findChild<FormCheckTotals*>();
  auto* table = window->findChild<QTableView*>("LinesTable");
  // The selection changes with the window open: it shows the new tally.
  window->findChild<QComboBox*>("LinesChoiceBox")->setCurrentIndex(1);
  h.Find<QComboBox>("ComboDate")->setCurrentIndex(1);
  h.Click("CommandDate");
  QCOMPARE(window->findChild<QLabel*>("TallyCaption")->text(), h.Text("ResultsRangeDisplay"));
  QCOMPARE(table->model()->rowCount(), 1);
  window->activateWindow();
  table->setFocus();
  QTRY_VERIFY(table->hasFocus());
  table->selectRow(0);
  QTest::keyClick(table, Qt::Key_Tab);
  QVERIFY(!table->hasFocus());
  table->setFocus();
  QString shown;
  OnModal([table] { QTest::keyClick(table, Qt::Key_Return); },
          [&shown](QWidget& context) {
            shown = context.findChild<QPlainTextEdit*>("ContextBox")->toPlainText();
            Shoot("line-in-context.png");
          });
  const QString line = table->model()->index(0, KeptLinesModel::kLine).data().toString();
  QVERIFY2(shown.contains(QRegularExpression("^> +" + line + "  Jan  2 ",
                                             QRegularExpression::MultilineOption)),
           qPrintable(shown));
  window->close();
}

// View > Follow Log, chosen through the menu bar, in a real session: calls
// appended to the loaded log show in the site boxes, the caption of the
// selection last used stays, and an open Check Totals lists them.
void RealSessionTest::followLogThroughTheMenu() {
  Harness h;
  h.WriteConfig(kThreeSitesConfig);
  const QString log = h.WriteFile("router.log", CraftedLog());
  QVERIFY(StartFramed(h, Pixels(1000, 1000, 6500, 6500)));
  h.Open(log);
  h.Find<QComboBox>("ComboDate")->setCurrentIndex(0);
  h.Click("CommandDate");
  const QString caption = h.Text("ResultsRangeDisplay");
  const QString calls = h.Text("NoCalls1");
  QTest::mouseDClick(h.Find<QLineEdit>("NoCalls1"), Qt::LeftButton, {}, QPoint(5, 5));
  auto* totals = h.window().findChild<FormCheckTotals*>();
  QVERIFY(totals && QTest::qWaitForWindowExposed(totals, kWaitMs));
  auto* table = totals->findChild<QTableView*>("LinesTable");
  const int rows = table->model()->rowCount();
  // Opened from the menu bar itself: Check Totals may keep the focus.
  auto* view = h.Find<QMenu>("mnuView");
  h.window().menuBar()->setActiveAction(view->menuAction());
  QTRY_VERIFY(view->isVisible());
  view->setActiveAction(h.Find<QAction>("mnuViewFollowLog"));
  QTest::keyClick(view, Qt::Key_Return);
  QTRY_VERIFY(h.Find<QAction>("mnuViewFollowLog")->isChecked());
  QFile file(log);
  QVERIFY(file.open(QIODevice::Append));
  file.write("Jan  1 13:00:00 isdnrouter isdn: call from 02079460123 disconnected, lasted 9 s\n");
  file.close();
  QTRY_COMPARE_WITH_TIMEOUT(h.Text("NoCalls1"), QString::number(calls.toInt() + 1), kWaitMs);
  QCOMPARE(h.Text("ResultsRangeDisplay"), caption);
  QTRY_COMPARE(table->model()->rowCount(), rows + 1);
}

// File > Export through Qt's own file dialog: the type picked from its
// list, the name typed without a suffix. The file holds tallix-report's
// bytes over the same log, configuration and selection. The dialog asks
// before it replaces a file, under the name with its suffix.
void RealSessionTest::exportThroughTheFileDialog_data() {
  QTest::addColumn<int>("type");  // its place in the dialog's list
  QTest::addColumn<QString>("format");
  QTest::addColumn<QString>("written");
  QTest::addColumn<bool>("exists");
  const struct {
    const char* format;
    const char* written;
    bool exists;
  } rows[] = {{"csv", "calls.csv", false},
              {"json", "calls.json", true},
              {"html", "calls.html", false},
              {"unmatched", "calls.txt", false},
              {"audit", "calls.csv", true}};
  for (int type = 0; type < 5; ++type) {
    const auto& row = rows[type];
    QTest::newRow(row.format) << type << QString(row.format) << QString(row.written) << row.exists;
  }
}

void RealSessionTest::exportThroughTheFileDialog() {
  QFETCH(int, type);
  QFETCH(QString, format);
  QFETCH(QString, written);
  QFETCH(bool, exists);
  Harness h;
  h.real_file_dialogs = true;
  h.clock.now = {"12/07/26", "10:30:00"};  // the command runner's
  // With a warning, which the JSON and the web page list.
  h.WriteConfig(
      QByteArray(kThreeSitesConfig).replace("\"Site\",2,", "\"Site\",12,0,0\r\n\"Site\",2,"));
  const QString log = h.WriteFile("router.log", CraftedLog() + CallsLog(2).replace("0123", "0999"));
  QVERIFY(StartFramed(h, Pixels(1000, 1000, 6500, 6500)));
  h.window().OpenLogFile(log);
  h.Find<QComboBox>("ComboDate")->setCurrentIndex(1);
  h.Click("CommandDate");
  if (exists) h.WriteFile(written, "old");
  QString asked;
  OnModal([&h] { h.Trigger("mnuFileExport"); },
          [&](QWidget& dialog) {
            auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
            QVERIFY(types);
            types->setFocus();
            for (int i = 0; i < type; ++i) QTest::keyClick(types, Qt::Key_Down);
            auto* edit = dialog.findChild<QLineEdit*>("fileNameEdit");
            edit->setFocus();
            edit->selectAll();
            QTest::keyClicks(edit, h.PathOf("calls"));
            QTimer::singleShot(500, &dialog, [&asked] {
              if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                asked = box->text();
                box->button(QMessageBox::Yes)->click();
              }
            });
            QTest::keyClick(edit, Qt::Key_Return);
          });
  QCOMPARE(asked.contains(written), exists);
  QFile saved(h.PathOf(written));
  QVERIFY2(saved.open(QIODevice::ReadOnly), qPrintable(written));
  const testing_util::CommandRun run = testing_util::RunReport(
      {"--config", h.ConfigPath().toStdString(), "--select", h.Text("ComboDate").toStdString(),
       "--format", format.toStdString(), log.toStdString()},
      h.PathOf("").toStdString(), h.PathOf("").toStdString());
  QCOMPARE(run.status, 3);
  QCOMPARE(saved.readAll().toStdString(), run.out);
}

// A slow load (held up in the loader's progress callback until the dialog
// is seen) shows the wait cursor and, after half a second, the progress
// dialog over a painted window; a quick one shows none. Cancel leaves the
// window as it was, with a note in the status bar and no message box; a
// load let go on replaces the log. A file dropped while the load runs,
// before the dialog shows, is refused.
void RealSessionTest::slowLoadShowsProgress_data() {
  QTest::addColumn<bool>("held");
  QTest::addColumn<bool>("cancel");
  QTest::addColumn<bool>("drop");
  QTest::newRow("quick") << false << false << false;
  QTest::newRow("cancelled") << true << true << false;
  QTest::newRow("let go on") << true << false << false;
  QTest::newRow("a drop during the load") << true << false << true;
}

void RealSessionTest::slowLoadShowsProgress() {
  QFETCH(bool, held);
  QFETCH(bool, cancel);
  QFETCH(bool, drop);
  Harness h;
  h.WriteConfig(kThreeSitesConfig);
  QVERIFY(StartFramed(h, Pixels(1000, 1000, 6500, 6500)));
  const QString first = h.WriteFile("router.log", CraftedLog());
  h.Open(first);
  // Past the loader's first progress report, a few MiB in.
  QByteArray text = CraftedLog();
  const QByteArray noise = "Jan  2 10:00:00 otherhost kernel: a line the loader skips\n";
  while (text.size() < 6 << 20) text += noise;
  const QString slow = h.WriteFile("slow.log", text);
  const QString dropped = h.WriteFile("dropped.log", CallsLog(7));
  std::atomic<bool> seen = false;
  h.load_watcher.on_progress = [&seen, held](uint64_t, uint64_t) {
    for (int wait = 0; held && wait < 200 && !seen; ++wait) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  };
  QString label;
  bool wait_cursor = false;
  bool dropped_early = false;
  QTimer watch;
  connect(&watch, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
    if (drop && !dropped_early && h.window().Loading() && dialog == nullptr) {
      dropped_early = true;
      QMimeData mime;
      mime.setUrls({QUrl::fromLocalFile(dropped)});
      QDragEnterEvent enter(QPoint(200, 200), Qt::CopyAction, &mime, Qt::LeftButton, {});
      QApplication::sendEvent(&h.window(), &enter);
      QDropEvent event(QPointF(200, 200), Qt::CopyAction, &mime, Qt::LeftButton, {});
      QApplication::sendEvent(&h.window(), &event);
    }
    if (seen || dialog == nullptr || !dialog->isVisible()) return;
    label = dialog->labelText();
    wait_cursor = QApplication::overrideCursor() != nullptr &&
                  QApplication::overrideCursor()->shape() == Qt::WaitCursor;
    Shoot("load-progress.png");
    if (cancel) QTest::mouseClick(dialog->findChild<QPushButton*>(), Qt::LeftButton);
    seen = true;
  });
  watch.start(20);
  h.Open(slow);
  QCOMPARE(bool(seen), held);
  QCOMPARE(dropped_early, drop);
  if (held) {
    QVERIFY2(label.contains("slow.log") && label.contains(" of 6.0 MiB"), qPrintable(label));
    QVERIFY(wait_cursor);
  }
  QCOMPARE(QApplication::overrideCursor(), nullptr);
  QCOMPARE(h.Text("LogFilename"), cancel ? first : slow);
  QCOMPARE(h.Text("NoCalls0"), QString("3"));
  QVERIFY(h.messages.shown.empty());
  QCOMPARE(h.window().findChild<ClockStatusBar*>()->StatusText(),
           QString(cancel ? "Load cancelled"
                   : drop ? "A log is loading; the new one was not opened"
                          : "Status"));
}

// `tallix FILE` and a dropped file open the log as File > Open does.
void RealSessionTest::fileFromOutsideOpensAsFileOpen_data() {
  QTest::addColumn<bool>("dropped");
  QTest::newRow("tallix FILE") << false;
  QTest::newRow("drop") << true;
}

void RealSessionTest::fileFromOutsideOpensAsFileOpen() {
  QFETCH(bool, dropped);
  const QStringList boxes = {"LogFilename", "LogStart", "LogEnd",
                             "LogRecords",  "NoCalls0", "CallDuration0"};
  Harness menu;
  const QString log = menu.WriteFile("router.log", CraftedLog());
  menu.Start();
  menu.Open(log);
  Harness h;
  frmMain& w = h.Start();
  if (dropped) {
    StartMainWindow(w, {"tallix"});
    QVERIFY(QTest::qWaitForWindowExposed(&w, kWaitMs));
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(log)});
    QDragEnterEvent enter(QPoint(200, 200), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(&w, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(200, 200), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(&w, &drop);
  } else {
    const QString before = QDir::currentPath();
    QDir::setCurrent(menu.PathOf(""));
    StartMainWindow(w, {"tallix", "router.log"});
    QDir::setCurrent(before);
    QVERIFY(QTest::qWaitForWindowExposed(&w, kWaitMs));
  }
  QTRY_COMPARE(h.Text("LogFilename"), log);
  for (const QString& box : boxes) QCOMPARE(h.Text(qPrintable(box)), menu.Text(qPrintable(box)));
  QVERIFY(h.messages.shown.empty());
}

}  // namespace tallix::testing
