// The main window's File > Open: cancelled, a plain or gzip log, a failed
// open, the loader's remarks, and the log panel, rows and days it fills.

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>

#include "desktop/app/status_bar.h"
#include "main_window_test.h"
#include "support/gui_harness.h"

namespace tallix::testing {
namespace {

// Everything the log panel, the day chooser and the result rows show.
QStringList Shown(Harness& h) {
  QStringList shown = {h.Text("LogStart"), h.Text("LogEnd"), h.Text("LogRecords"),
                       h.Text("ResultsRangeDisplay")};
  auto* days = h.Find<QComboBox>("ComboDate");
  for (int i = 0; i < days->count(); ++i) shown << days->itemText(i);
  for (int row = 0; row < 4; ++row) {
    shown << h.Find<QLineEdit>(qPrintable(QString("NoCalls%1").arg(row)))->text()
          << h.Find<QLineEdit>(qPrintable(QString("CallDuration%1").arg(row)))->text();
  }
  return shown;
}

}  // namespace

void MainWindowTest::openCancelledChangesNothing_data() {
  QTest::addColumn<QString>("route");
  QTest::newRow("menu") << "mnuFileOpen";
  QTest::newRow("toolbar") << "tbToolBarOpen";
}

void MainWindowTest::openCancelledChangesNothing() {
  QFETCH(QString, route);
  Harness h;
  h.Start();
  h.Trigger(qPrintable(route));
  QCOMPARE(h.chooser.file_requests.size(), size_t{1});
  const FileRequest& request = h.chooser.file_requests[0];
  QCOMPARE(request.kind, FileRequest::Kind::kOpen);
  QCOMPARE(request.title, QString("Open"));
  QCOMPARE(request.filter, QString("All Files (*.*)"));
  QVERIFY(h.Text("LogFilename").isEmpty());
  ExpectResultCommandsEnabled(h, false);
  QVERIFY(h.messages.shown.empty());
}

void MainWindowTest::openShowsLogPanelRowsAndDays() {
  Harness h;
  h.WriteConfig(kThreeSitesConfig);
  h.Start();
  const QString log = h.WriteFile("router.log", CraftedLog());
  h.Open(log);
  QVERIFY(h.messages.shown.empty());
  QCOMPARE(h.Text("LogFilename"), log);
  QCOMPARE(h.Text("LogStart"), QString("Jan  1 10:00"));
  QCOMPARE(h.Text("LogEnd"), QString("Jan  1 12:00"));
  QCOMPARE(h.Text("LogRecords"), QString(" 4"));
  auto* days = h.Find<QComboBox>("ComboDate");
  QCOMPARE(days->count(), 3);
  QCOMPARE(days->itemText(0), QString("Jan  1"));
  QCOMPARE(days->itemText(1), QString("Jan  2"));
  QCOMPARE(days->itemText(2), QString("Jan  1"));
  QCOMPARE(days->currentText(), QString());
  ExpectRow(h, 0, "3", " 0d 0h 2m 16s");
  ExpectRow(h, 1, "1", " 0d 1h 1m 1s");
  ExpectRow(h, 2, "0", " 0d 0h 0m 0s");
  QCOMPARE(h.Text("ResultsRangeDisplay"), QString("All Data"));
  ExpectResultCommandsEnabled(h, true);

  // A second open starts from the name chosen last, and the day list is
  // emptied, edit text included, before it is refilled.
  days->setEditText("typed");
  const QString second = h.WriteFile("second.log", CallsLog(2));
  h.Open(second);
  QCOMPARE(h.chooser.file_requests.back().initial_name, log);
  QCOMPARE(days->count(), 1);
  QCOMPARE(days->currentText(), QString());
  QCOMPARE(h.Text("LogRecords"), QString(" 2"));
  ExpectRow(h, 0, "2", " 0d 0h 0m 20s");
}

// View > Follow Log: lines appended to the loaded log, then to the file
// created under its name after a rotation, show in the rows under the
// selection last used; a missing file and a compressed one are said in the
// status bar. Every wait is for the window to show the change.
void MainWindowTest::followLogShowsAppendedCalls() {
  Harness h;
  h.WriteConfig(kThreeSitesConfig);
  h.Start();
  auto* follow = h.Find<QAction>("mnuViewFollowLog");
  QVERIFY(follow->isCheckable());
  QVERIFY(!follow->isChecked());
  const QString log = h.WriteFile("router.log", CallsLog(2));
  h.Open(log);
  h.Trigger("mnuViewFollowLog");
  QCOMPARE(h.ReadSetting("FollowLog"), std::optional<QString>("1"));
  ExpectRow(h, 0, "2", " 0d 0h 0m 20s");
  auto append = [&](const QString& path, const char* line) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::Append));
    file.write(line);
  };
  append(log, "Jan  3 10:00:00 isdnrouter isdn: call from 02079460123 disconnected, lasted 5 s\n");
  QTRY_COMPARE_WITH_TIMEOUT(h.Text("NoCalls1"), QString("1"), 10000);
  QCOMPARE(h.Text("LogRecords"), QString(" 3"));
  auto* bar = static_cast<ClockStatusBar*>(h.window().statusBar());
  QVERIFY2(bar->StatusText().startsWith("The log was updated at "), qPrintable(bar->StatusText()));

  // Renamed away and a new file made under the name.
  QVERIFY(QFile::rename(log, log + ".1"));
  append(log, "Jan  3 11:00:00 isdnrouter isdn: call from 01234123456 disconnected, lasted 7 s\n");
  QTRY_COMPARE_WITH_TIMEOUT(h.Text("NoCalls0"), QString("3"), 10000);
  QCOMPARE(h.Text("CallDuration0"), QString(" 0d 0h 0m 27s"));

  // Gone: said once in the status bar, not in a message box.
  QVERIFY(QFile::remove(log));
  QTRY_VERIFY_WITH_TIMEOUT(bar->StatusText().contains("is missing"), 10000);
  QVERIFY(h.messages.shown.empty());
  append(log, "Jan  3 12:00:00 isdnrouter isdn: call from 01234123456 disconnected, lasted 3 s\n");
  QTRY_COMPARE_WITH_TIMEOUT(h.Text("NoCalls0"), QString("4"), 10000);

  // A compressed log is not appended to line by line: refused, and said.
  h.Open(TALLIX_EXAMPLES_DIR "/rotated/router.log.2.gz");
  QVERIFY2(bar->StatusText().startsWith("Cannot follow") &&
               bar->StatusText().contains("gzip-compressed; follow the plain file"),
           qPrintable(bar->StatusText()));

  h.Trigger("mnuViewFollowLog");
  QCOMPARE(h.ReadSetting("FollowLog"), std::optional<QString>("0"));
}

// File > Open on a gzipped log: the window shows what it shows for the
// same log stored plain, the file's own name aside.
void MainWindowTest::gzippedLogShowsAsThePlainOne() {
  const QString examples = TALLIX_EXAMPLES_DIR;
  QFile example_config(examples + "/Tallix.cfg");
  QVERIFY(example_config.open(QIODevice::ReadOnly));
  // examples/rotated/router.log.2.gz holds the example log's Dec 5 and 6.
  QFile whole(examples + "/router.log");
  QVERIFY(whole.open(QIODevice::ReadOnly));
  QByteArray plain;
  for (const QByteArray& line : whole.readAll().split('\n')) {
    if (line.startsWith("Dec  5 ") || line.startsWith("Dec  6 ")) plain += line + '\n';
  }
  Harness h;
  h.WriteConfig(example_config.readAll());
  h.Start();
  h.Open(h.WriteFile("router.log", plain));
  const QStringList from_plain = Shown(h);
  const QString gz = examples + "/rotated/router.log.2.gz";
  h.Open(gz);
  QVERIFY(h.messages.shown.empty());
  QCOMPARE(h.Text("LogFilename"), gz);
  QCOMPARE(Shown(h), from_plain);
  QCOMPARE(h.Text("LogRecords"), QString(" 22"));
}

void MainWindowTest::failedOpenKeepsPreviousLog_data() {
  QTest::addColumn<QString>("name");
  QTest::newRow("missing file") << "missing.log";
  QTest::newRow("a directory") << "program";
}

void MainWindowTest::failedOpenKeepsPreviousLog() {
  QFETCH(QString, name);
  Harness h;
  h.WriteConfig(kThreeSitesConfig);
  h.Start();
  const QString log = h.WriteFile("router.log", CraftedLog());
  h.Open(log);
  h.Open(h.PathOf(name));
  QCOMPARE(h.messages.shown.size(), size_t{1});
  QCOMPARE(h.messages.shown[0].icon, MessageIcon::kWarning);
  QVERIFY2(h.messages.shown[0].text.contains(h.PathOf(name)), qPrintable(h.messages.shown[0].text));
  QCOMPARE(h.Text("LogFilename"), log);
  QCOMPARE(h.Text("LogRecords"), QString(" 4"));
  QCOMPARE(h.Find<QComboBox>("ComboDate")->count(), 3);
  ExpectRow(h, 0, "3", " 0d 0h 2m 16s");
  QCOMPARE(QString::fromStdString(h.window().Log().LogFilePath()), log);
  QCOMPARE(h.window().Log().LineCount(), 4);
}

// Every remark of a load, and then what the tally over it reached, in one
// box in the order they happened.
void MainWindowTest::loadRemarksAreShown_data() {
  QTest::addColumn<QByteArray>("log");
  QTest::addColumn<QStringList>("remarks");
  QTest::newRow("no kept line") << QByteArray("Jan  1 10:00:00 mailhost: nothing here\n")
                                << QStringList{"no line"};
  QByteArray many_days;
  for (int i = 0; i < 102; ++i) {
    many_days += QString("Day%1 10:00:00 isdnrouter disconnected\n").arg(i % 2).toLatin1();
  }
  QTest::newRow("day list full") << many_days << QStringList{"day list is full"};
  QTest::newRow("day list full, then a site's calls")
      << many_days + CallsLog(10002)
      << QStringList{"was loaded", "day list is full", "tally reached a limit"};
  QTest::newRow("lines end with CR alone")
      << QByteArray(
             "Dec  5 06:34:45 isdnrouter call from 01234123456 disconnected, lasted 5\r"
             "Dec  5 06:34:46 isdnrouter call from 01234123456 disconnected, lasted 6\r")
      << QStringList{"was loaded", "its lines end with CR alone"};
  QByteArray too_long;
  for (int i = 0; i < 13; ++i) {
    too_long +=
        "Dec  5 06:34:45 isdnrouter call from 01234123456 disconnected, lasted "
        "3000000000\n";
  }
  QTest::newRow("a kind of warning given ten times")
      << too_long << QStringList{"tally reached a limit", "and 3 more like it"};
}

void MainWindowTest::loadRemarksAreShown() {
  QFETCH(QByteArray, log);
  QFETCH(QStringList, remarks);
  Harness h;
  h.Start();
  h.Open(h.WriteFile("odd.log", log));
  QCOMPARE(h.messages.shown.size(), size_t{1});
  const QString& text = h.messages.shown[0].text;
  qsizetype at = 0;
  for (const QString& remark : remarks) {
    at = text.indexOf(remark, at);
    QVERIFY2(at >= 0, qPrintable(remark + " in order in: " + text));
  }
  ExpectResultCommandsEnabled(h, true);
}

// A read-only box too narrow for its text shows it from its first
// character, with the whole text in its tooltip; one that fits has none.
void MainWindowTest::readOnlyBoxesShowTheirStart_data() {
  QTest::addColumn<QString>("box");
  QTest::addColumn<QString>("text");  // empty: as the load leaves it
  QTest::addColumn<bool>("clipped");
  QTest::newRow("a long duration") << "CallDuration0" << QString() << true;
  QTest::newRow("a short duration") << "CallDuration1" << QString() << false;
  QTest::newRow("a long path") << "LogFilename" << QString() << true;
  QTest::newRow("20 characters in the narrowest box") << "NoCalls0"
                                                      << "10003d 22h 13m 20s 1" << true;
}

void MainWindowTest::readOnlyBoxesShowTheirStart() {
  QFETCH(QString, box);
  QFETCH(QString, text);
  QFETCH(bool, clipped);
  Harness h;
  h.WriteConfig(kThreeSitesConfig);
  h.Start().show();
  const QString folder = h.PathOf(QString(60, 'f'));
  QVERIFY(QDir().mkpath(folder));
  QByteArray log = CallsLog(1);
  h.Open(
      h.WriteFile(QString(60, 'f') + "/router.log", log.replace("lasted 10", "lasted 2000000000")));
  auto* edit = h.Find<QLineEdit>(qPrintable(box));
  if (!text.isEmpty()) ShowBoxText(edit, text);
  const QString shown = edit->text();
  QCOMPARE(edit->cursorPosition(), 0);
  QCOMPARE(edit->toolTip(), clipped ? shown : QString());
  QCOMPARE(edit->fontMetrics().horizontalAdvance(shown) > edit->width(), clipped);
}

}  // namespace tallix::testing
