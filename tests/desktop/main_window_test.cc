// The main window driven by its control names: start-up, the menu tree and
// toolbar, the result rows, File > Open, the selection commands, the small
// commands and closing.

#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolBar>

#include "desktop/app/controls.h"
#include "desktop/app/fonts.h"
#include "desktop/app/status_bar.h"
#include "desktop/app/twips.h"
#include "desktop/app/window_geometry.h"
#include "desktop/config/frm_options.h"
#include "engine/reports/report_date_time.h"
#include "support/gui_harness.h"

namespace tallix::testing {

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

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  static constexpr const char* kResultCommands[] = {
      "CommandAll",      "Command2",      "CommandDate",        "CommandShowLog",
      "CommandPrintLog", "mnuFileExport", "mnuViewCheckTotals", "mnuViewPeriods"};

  static void ExpectResultCommandsEnabled(Harness& h, bool enabled) {
    for (const char* name : kResultCommands) {
      QVERIFY2(h.Find<QObject>(name)->property("enabled").toBool() == enabled, name);
    }
  }

  static void ExpectRow(Harness& h, int row, const QString& calls, const QString& duration) {
    QCOMPARE(h.Find<QLineEdit>(qPrintable(QString("NoCalls%1").arg(row)))->text(), calls);
    QCOMPARE(h.Find<QLineEdit>(qPrintable(QString("CallDuration%1").arg(row)))->text(), duration);
  }

 private slots:
  void firstStartUsesDefaults() {
    Harness h;
    frmMain& w = h.Start();
    w.show();
    const double dpi = w.logicalDpiX();
    const int at = qRound(1000 / 15.0 * dpi / 96), size = qRound(6500 / 15.0 * dpi / 96);
    QCOMPARE(w.frameGeometry(), QRect(at, at, size, size));
    QCOMPARE(w.windowTitle(), QString("Tallix"));
    QCOMPARE(w.objectName(), QString("frmMain"));
    for (const char* box : {"LogFilename", "LogStart", "LogEnd", "LogRecords", "DateEntry"}) {
      QVERIFY2(h.Text(box).isEmpty(), box);
    }
    QCOMPARE(h.Text("LabelName0"), QString("site1"));
    ExpectRow(h, 0, " ", " ");
    QCOMPARE(h.Text("ResultsRangeDisplay"), QString("All Results"));
    ExpectResultCommandsEnabled(h, false);
    QVERIFY(h.Find<QLineEdit>("DateEntry")->isEnabled());
    QVERIFY(h.Find<QComboBox>("ComboDate")->isEnabled());
    QVERIFY(h.Find<QComboBox>("ComboDate")->isEditable());
    QVERIFY(!QFile::exists(h.ConfigPath()));
    QCOMPARE(h.Find<QLabel>("sbStatusPanel")->text(), QString("Status"));
    QCOMPARE(h.Find<QLabel>("sbDatePanel")->text(),
             QString::fromStdString(LocalReportDateTime().date));
    QVERIFY(!h.Find<QLabel>("sbTimePanel")->text().isEmpty());
    w.ReportStartupProblems();
    QVERIFY(h.messages.shown.empty());
  }

  void storedGeometryOffEveryScreenOpensAtTheDefault() {
    Harness h;
    h.WriteSetting("MainLeft", "-3000");
    h.WriteSetting("MainTop", "30000");
    h.WriteSetting("MainWidth", "9000");
    h.WriteSetting("MainHeight", "7500.4");
    frmMain& w = h.Start();
    w.show();
    const double dpi = w.logicalDpiX();
    QCOMPARE(w.frameGeometry(), QRect(TwipsToPixels(1000, dpi), TwipsToPixels(1000, dpi),
                                      TwipsToPixels(9000, dpi), TwipsToPixels(7500.4, dpi)));
  }

  // A stored rectangle opens as stored while its top-left 100 x 30 pixels
  // lie on a screen; otherwise at the default place of the primary screen.
  void restorableRect_data() {
    QTest::addColumn<QRect>("stored");
    QTest::addColumn<QRect>("opened");
    const QRect at_default(67, 67, 500, 400);
    QTest::newRow("fits") << QRect(200, 100, 500, 400) << QRect(200, 100, 500, 400);
    QTest::newRow("on the left screen") << QRect(-900, 10, 500, 400) << QRect(-900, 10, 500, 400);
    QTest::newRow("grab area just fits")
        << QRect(1180, 770, 500, 400) << QRect(1180, 770, 500, 400);
    QTest::newRow("small window in the corner")
        << QRect(1230, 780, 50, 20) << QRect(1230, 780, 50, 20);
    QTest::newRow("one pixel short at the right") << QRect(1181, 100, 500, 400) << at_default;
    QTest::newRow("title above the screen") << QRect(100, -10, 500, 400) << at_default;
    QTest::newRow("off the left screen's foot") << QRect(-900, 740, 500, 400) << at_default;
    QTest::newRow("unplugged monitor") << QRect(6667, 6667, 500, 400) << at_default;
    QTest::newRow("too large for the primary screen")
        << QRect(5000, 5000, 1300, 700) << QRect(67, 67, 1280, 800);
    QTest::newRow("exactly the primary screen's width")
        << QRect(5000, 5000, 1280, 700) << QRect(67, 67, 1280, 700);
    QTest::newRow("narrower than the primary screen but taller")
        << QRect(5000, 5000, 500, 900) << QRect(67, 67, 1280, 800);
  }
  void restorableRect() {
    QFETCH(QRect, stored);
    QFETCH(QRect, opened);
    const QRect primary(0, 0, 1280, 800);
    QCOMPARE(
        RestorableRect(stored, {primary, QRect(-1024, 0, 1024, 768)}, QPoint(0, 0), primary, 96),
        opened);
  }

  void closeStoresGeometryUnlessMinimized_data() {
    QTest::addColumn<bool>("minimized");
    QTest::newRow("normal") << false;
    QTest::newRow("minimized") << true;
  }
  void closeStoresGeometryUnlessMinimized() {
    QFETCH(bool, minimized);
    Harness h;
    h.WriteSetting("MainLeft", "1500");
    h.WriteSetting("MainWidth", "7500");
    h.WriteSetting("MainHeight", "6000");
    frmMain& w = h.Start();
    w.show();
    const double dpi = w.logicalDpiX();
    w.move(TwipsToPixels(3000, dpi), TwipsToPixels(1500, dpi));
    if (minimized) w.setWindowState(Qt::WindowMinimized);
    h.Trigger("mnuFileExit");
    QVERIFY(!w.isVisible());
    if (minimized) {
      QCOMPARE(h.ReadSetting("MainLeft"), std::optional<QString>("1500"));
      QCOMPARE(h.ReadSetting("MainTop"), std::nullopt);
      return;
    }
    // The outer rectangle comes back as it was restored or moved.
    auto twips = [dpi](double value) {
      return std::optional<QString>(
          QString::number(PixelsToTwips(TwipsToPixels(value, dpi), dpi), 'g', 7));
    };
    QCOMPARE(h.ReadSetting("MainLeft"), twips(3000));
    QCOMPARE(h.ReadSetting("MainTop"), twips(1500));
    QCOMPARE(h.ReadSetting("MainWidth"), twips(7500));
    QCOMPARE(h.ReadSetting("MainHeight"), twips(6000));
  }

  void menuTreeInOrder() {
    Harness h;
    h.Start();
    QStringList entries;
    for (const char* menu : {"mnuFile", "mnuView", "mnuHelp"}) {
      QMenu* m = h.Find<QMenu>(menu);
      entries << QString("%1=%2").arg(menu, m->title());
      for (QAction* a : m->actions()) {
        entries << QString("%1=%2").arg(a->objectName(), a->isSeparator() ? "-" : a->text());
        QVERIFY(a->shortcut().isEmpty());
      }
    }
    const QStringList expected = {"mnuFile=&File",
                                  "mnuFileOpen=&Open...",
                                  "mnuFileBar0=-",
                                  "mnuFileSave=&Save",
                                  "mnuFileExport=&Export...",
                                  "mnuFileBar1=-",
                                  "mnuFileBar2=-",
                                  "mnuFilePageSetup=Page Set&up...",
                                  "mnuFilePrint=&Print...",
                                  "mnuFileBar3=-",
                                  "mnuFileExit=E&xit",
                                  "mnuView=&View",
                                  "mnuViewOptions=&Options...",
                                  "mnuViewCheckTotals=&Check Totals...",
                                  "mnuViewPeriods=&Periods...",
                                  "mnuViewFollowLog=&Follow Log",
                                  "mnuHelp=&Help",
                                  "mnuHelpContents=&Contents",
                                  "mnuHelpSearchForHelpOn=&Search For Help On...",
                                  "mnuHelpBar0=-",
                                  "mnuHelpAbout=&About "};
    QCOMPARE(entries, expected);
    QVERIFY(!h.Find<QMenu>("mnuFile")->separatorsCollapsible());
  }

  void toolBarButtonsByKey() {
    Harness h;
    h.Start();
    QStringList keys;
    for (QAction* a : h.Find<QToolBar>("tbToolBar")->actions()) {
      if (a->isSeparator()) continue;
      keys << a->data().toString();
      QCOMPARE(a->toolTip(), a->data().toString());
      QVERIFY(!a->icon().isNull());
    }
    QCOMPARE(keys, QStringList({"Open", "Save", "Print"}));
    // The toolbar is fixed: a right click offers no menu that hides it.
    QMainWindow& window = h.window();
    QCOMPARE(window.createPopupMenu(), nullptr);
  }

  void siteRowsFollowSiteCount_data() {
    QTest::addColumn<int>("sites");
    QTest::newRow("none") << 0;
    QTest::newRow("three") << 3;
    QTest::newRow("ten") << 10;
  }
  void siteRowsFollowSiteCount() {
    QFETCH(int, sites);
    Harness h;
    h.WriteConfig(SitesConfig(sites));
    h.Start().show();
    for (int i = 0; i < frmMain::kRows; ++i) {
      const bool shown = i < sites;
      auto* label = h.Find<QLabel>(qPrintable(QString("LabelName%1").arg(i)));
      QCOMPARE(label->isVisible(), shown);
      QCOMPARE(h.Find<QLineEdit>(qPrintable(QString("NoCalls%1").arg(i)))->isVisible(), shown);
      QCOMPARE(h.Find<QLineEdit>(qPrintable(QString("CallDuration%1").arg(i)))->isVisible(), shown);
      QCOMPARE(label->text(), shown ? QString("Site %1").arg(QChar('A' + i)) : QString("Name"));
    }
  }

  void configRemarksAreReportedOnce_data() {
    QTest::addColumn<QByteArray>("config");
    QTest::addColumn<QString>("remark");
    QTest::addColumn<int>("sites");
    QTest::newRow("values corrected")
        << QByteArray("\"NoSites\",12,0,0\r\n\"Site\",11,\"x\",\"y\"\r\n\"END\",0,0,0\r\n") << "12"
        << 10;
    QTest::newRow("nothing recognised")
        << QByteArray("Dec  7 10:00:01 isdnrouter\n") << "none of its records was recognised" << 0;
  }
  void configRemarksAreReportedOnce() {
    QFETCH(QByteArray, config);
    QFETCH(QString, remark);
    QFETCH(int, sites);
    Harness h;
    h.WriteConfig(config);
    frmMain& w = h.Start();
    w.show();
    QVERIFY(h.messages.shown.empty());
    w.ReportStartupProblems();
    QCOMPARE(h.messages.shown.size(), size_t{1});
    QVERIFY(h.messages.shown[0].text.contains(remark));
    QVERIFY(h.messages.shown[0].text.contains(h.ConfigPath()));
    w.ReportStartupProblems();
    QCOMPARE(h.messages.shown.size(), size_t{1});
    QCOMPARE(int(h.data->SiteCount), sites);
  }

  void openCancelledChangesNothing_data() {
    QTest::addColumn<QString>("route");
    QTest::newRow("menu") << "mnuFileOpen";
    QTest::newRow("toolbar") << "tbToolBarOpen";
  }
  void openCancelledChangesNothing() {
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

  void openShowsLogPanelRowsAndDays() {
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
  // selection last used; a missing file is said in the status bar. Every
  // wait is for the window to show the change.
  void followLogShowsAppendedCalls() {
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
    append(log,
           "Jan  3 10:00:00 isdnrouter isdn: call from 02079460123 disconnected, lasted 5 s\n");
    QTRY_COMPARE_WITH_TIMEOUT(h.Text("NoCalls1"), QString("1"), 10000);
    QCOMPARE(h.Text("LogRecords"), QString(" 3"));
    auto* bar = static_cast<ClockStatusBar*>(h.window().statusBar());
    QVERIFY2(bar->StatusText().startsWith("The log was updated at "),
             qPrintable(bar->StatusText()));

    // Renamed away and a new file made under the name.
    QVERIFY(QFile::rename(log, log + ".1"));
    append(log,
           "Jan  3 11:00:00 isdnrouter isdn: call from 01234123456 disconnected, lasted 7 s\n");
    QTRY_COMPARE_WITH_TIMEOUT(h.Text("NoCalls0"), QString("3"), 10000);
    QCOMPARE(h.Text("CallDuration0"), QString(" 0d 0h 0m 27s"));

    // Gone: said once in the status bar, not in a message box.
    QVERIFY(QFile::remove(log));
    QTRY_VERIFY_WITH_TIMEOUT(bar->StatusText().contains("is missing"), 10000);
    QVERIFY(h.messages.shown.empty());
    append(log,
           "Jan  3 12:00:00 isdnrouter isdn: call from 01234123456 disconnected, lasted 3 s\n");
    QTRY_COMPARE_WITH_TIMEOUT(h.Text("NoCalls0"), QString("4"), 10000);

    h.Trigger("mnuViewFollowLog");
    QCOMPARE(h.ReadSetting("FollowLog"), std::optional<QString>("0"));
  }

  // File > Open on a gzipped log: the window shows what it shows for the
  // same log stored plain, the file's own name aside.
  void gzippedLogShowsAsThePlainOne() {
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

  void failedOpenKeepsPreviousLog_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("missing file") << "missing.log";
    QTest::newRow("a directory") << "program";
  }
  void failedOpenKeepsPreviousLog() {
    QFETCH(QString, name);
    Harness h;
    h.WriteConfig(kThreeSitesConfig);
    h.Start();
    const QString log = h.WriteFile("router.log", CraftedLog());
    h.Open(log);
    h.Open(h.PathOf(name));
    QCOMPARE(h.messages.shown.size(), size_t{1});
    QCOMPARE(h.messages.shown[0].icon, MessageIcon::kWarning);
    QVERIFY2(h.messages.shown[0].text.contains(h.PathOf(name)),
             qPrintable(h.messages.shown[0].text));
    QCOMPARE(h.Text("LogFilename"), log);
    QCOMPARE(h.Text("LogRecords"), QString(" 4"));
    QCOMPARE(h.Find<QComboBox>("ComboDate")->count(), 3);
    ExpectRow(h, 0, "3", " 0d 0h 2m 16s");
    QCOMPARE(QString::fromStdString(h.data->LogFilePath), log);
    QCOMPARE(h.data->LineCount, 4);
  }

  // Every remark of a load, and then what the tally over it reached, in one
  // box in the order they happened.
  void loadRemarksAreShown_data() {
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
  void loadRemarksAreShown() {
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
  void readOnlyBoxesShowTheirStart_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("text");  // empty: as the load leaves it
    QTest::addColumn<bool>("clipped");
    QTest::newRow("a long duration") << "CallDuration0" << QString() << true;
    QTest::newRow("a short duration") << "CallDuration1" << QString() << false;
    QTest::newRow("a long path") << "LogFilename" << QString() << true;
    QTest::newRow("20 characters in the narrowest box") << "NoCalls0"
                                                        << "10003d 22h 13m 20s 1" << true;
  }
  void readOnlyBoxesShowTheirStart() {
    QFETCH(QString, box);
    QFETCH(QString, text);
    QFETCH(bool, clipped);
    Harness h;
    h.WriteConfig(kThreeSitesConfig);
    h.Start().show();
    const QString folder = h.PathOf(QString(60, 'f'));
    QVERIFY(QDir().mkpath(folder));
    QByteArray log = CallsLog(1);
    h.Open(h.WriteFile(QString(60, 'f') + "/router.log",
                       log.replace("lasted 10", "lasted 2000000000")));
    auto* edit = h.Find<QLineEdit>(qPrintable(box));
    if (!text.isEmpty()) ShowBoxText(edit, text);
    const QString shown = edit->text();
    QCOMPARE(edit->cursorPosition(), 0);
    QCOMPARE(edit->toolTip(), clipped ? shown : QString());
    QCOMPARE(edit->fontMetrics().horizontalAdvance(shown) > edit->width(), clipped);
  }

  void selectionCommands_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("text");  // typed into DateEntry, or a ComboDate item index
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("head_office_calls");
    QTest::addColumn<bool>("clipped");  // the caption is its own tooltip
    QTest::newRow("all results") << "CommandAll"
                                 << ""
                                 << "All Data"
                                 << "3" << false;
    QTest::newRow("free search, blank") << "Command2"
                                        << " "
                                        << "All Data"
                                        << "3" << false;
    QTest::newRow("free search, empty") << "Command2"
                                        << ""
                                        << "Free Date Search : ''"
                                        << "3" << false;
    QTest::newRow("free search, lower case") << "Command2"
                                             << "jan  2"
                                             << "Free Date Search : 'jan  2'"
                                             << "1" << false;
    QTest::newRow("free search, too long") << "Command2"
                                           << "Jan  1 10:00:00x"
                                           << "Free Date Search : 'Jan  1 10:00:00x'"
                                           << "0" << true;
    QTest::newRow("date search, second day") << "CommandDate"
                                             << "1"
                                             << "Free Date Search : 'Jan  2'"
                                             << "1" << false;
    QTest::newRow("date search, nothing chosen") << "CommandDate"
                                                 << ""
                                                 << "Free Date Search : ''"
                                                 << "3" << false;
    QTest::newRow("free search, caption wider than its label")
        << "Command2" << QString(40, 'x') << "Free Date Search : '" + QString(40, 'x') + "'"
        << "0" << true;
  }
  void selectionCommands() {
    QFETCH(QString, button);
    QFETCH(QString, text);
    QFETCH(QString, caption);
    QFETCH(QString, head_office_calls);
    QFETCH(bool, clipped);
    Harness h;
    h.WriteConfig(kThreeSitesConfig);
    h.Start();
    h.Open(h.WriteFile("router.log", CraftedLog()));
    h.Click("Command2");  // narrow first, so each row shows its own effect
    if (button == "Command2") h.Find<QLineEdit>("DateEntry")->setText(text);
    if (button == "CommandDate" && !text.isEmpty()) {
      h.Find<QComboBox>("ComboDate")->setCurrentIndex(text.toInt());
    }
    h.Click(qPrintable(button));
    QCOMPARE(h.Text("ResultsRangeDisplay"), caption);
    QCOMPARE(h.Find<QLabel>("ResultsRangeDisplay")->toolTip(), clipped ? caption : QString());
    QCOMPARE(h.Text("NoCalls0"), head_office_calls);
    QCOMPARE(QString::number(h.data->SiteCallCounts[0]), head_office_calls);
    QVERIFY(h.messages.shown.empty());
  }

  // Every fixed caption fits its control in the windows' font: a label's on
  // one line, a command button's within its margins (wrapped onto two lines
  // where the button wraps). The table names every captioned control of the
  // main window and Options but those whose text is free: the site names, the
  // selection caption and the status bar.
  void captionsFit() {
    if (!QFontDatabase::families().contains(kWindowFontFamily)) {
      QSKIP("the windows' font is not installed (scripts/deps.sh installs it)");
    }
    Harness h;
    h.Start();
    frmOptions options(*h.data, h.ConfigPath(), h.messages, &h.window());
    std::pair<QWidget*, QStringList> windows[] = {
        {&h.window(),
         {"Label9", "Label5", "Label6", "Label7", "CommandAll", "Command2", "CommandDate",
          "CommandPrintLog", "CommandShowLog", "Frame1", "Label3", "Label4"}},
        {&options, {"Label1", "Label2", "Label3", "Label4", "cmdOK", "cmdCancel"}},
    };
    for (int row = 0; row < kSiteRows; ++row) windows[1].second << QString("SiteLabel%1").arg(row);
    const QRegularExpression free_text("^(LabelName\\d|ResultsRangeDisplay|sb.*Panel)$");
    for (const auto& [window, names] : windows) {
      QCOMPARE(QFontInfo(window->font()).family(), QString(kWindowFontFamily));
      for (const QString& name : names) {
        auto* control = window->findChild<QWidget*>(name);
        QVERIFY2(control != nullptr, qPrintable(name));
        const QFontMetrics metrics(control->font());
        QString text;
        int needed = 0;
        int room = 0;
        if (auto* label = qobject_cast<QLabel*>(control)) text = label->text();
        if (auto* frame = qobject_cast<QGroupBox*>(control)) text = frame->title();
        if (!text.isEmpty()) {
          needed = metrics.horizontalAdvance(text);
          room = control->contentsRect().width();
        } else if (auto* button = qobject_cast<QPushButton*>(control)) {
          text = button->text();
          const QRect inside = button->rect().adjusted(2, 2, -2, -2);
          if (window == &h.window()) {
            // The main window's commands wrap their captions: the lines as
            // the button draws them, within its one-pixel border.
            const QRect lines =
                metrics.boundingRect(inside, Qt::AlignCenter | Qt::TextWordWrap, text);
            QVERIFY2(button->rect().adjusted(1, 1, -1, -1).contains(lines), qPrintable(name));
            needed = lines.width();
            room = inside.width();
          } else {
            needed = metrics.horizontalAdvance(text) +
                     2 * button->style()->pixelMetric(QStyle::PM_ButtonMargin);
            room = button->width();
          }
        }
        QVERIFY2(!text.isEmpty(), qPrintable(name));
        QVERIFY2(
            needed <= room,
            qPrintable(
                QString("%1 \"%2\" needs %3 px, has %4").arg(name, text).arg(needed).arg(room)));
      }
      // No captioned control is left out of the table.
      for (QWidget* control : window->findChildren<QWidget*>()) {
        const bool captioned = qobject_cast<QLabel*>(control) != nullptr ||
                               qobject_cast<QPushButton*>(control) != nullptr ||
                               qobject_cast<QGroupBox*>(control) != nullptr;
        if (captioned && control->window() == window &&
            !free_text.match(control->objectName()).hasMatch()) {
          QVERIFY2(names.contains(control->objectName()), qPrintable(control->objectName()));
        }
      }
    }
  }

  // What a screen reader says for the text boxes: each visible one in the
  // main window and Options has a name of its own, by the rules the rows show.
  void accessibleNames() {
    Harness h;
    h.WriteConfig(QByteArray(kThreeSitesConfig).replace("Leeds", "London"));
    h.Start().show();
    frmOptions options(*h.data, h.ConfigPath(), h.messages, &h.window());
    options.show();
    auto said = [](QWidget* widget) {
      QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
      return face != nullptr ? face->text(QAccessible::Name) : QString();
    };
    const std::tuple<QWidget*, const char*, const char*> rows[] = {
        {&h.window(), "LogFilename", "Log Filename"},
        {&h.window(), "LogRecords", "Records"},
        {&h.window(), "DateEntry", "Free Date Search text"},
        {h.Find<QComboBox>("ComboDate")->lineEdit(), "", "Date Search day"},
        {&h.window(), "NoCalls0", "Head Office, No. Calls"},
        {&h.window(), "CallDuration1", "London, Call Duration"},
        {&h.window(), "CallDuration2", "London (row 3), Call Duration"},
        {&options, "NoISDNSites", "Number of ISDN Sites"},
        {&options, "SiteName0", "Site 1 name"},
        {&options, "SiteISDNNumber9", "Site 10 ISDN number"},
    };
    for (const auto& [window, control, name] : rows) {
      // An empty control name: the row's widget itself.
      QCOMPARE(said(*control != '\0' ? window->findChild<QWidget*>(control) : window),
               QString(name));
    }
    for (QWidget* window : {static_cast<QWidget*>(&h.window()), static_cast<QWidget*>(&options)}) {
      QStringList names;
      for (QWidget* box : window->findChildren<QWidget*>()) {
        const bool text_box =
            qobject_cast<QLineEdit*>(box) != nullptr || qobject_cast<QComboBox*>(box) != nullptr;
        // A combo box's own line edit is read as part of the combo box.
        if (!text_box || !box->isVisible() || box->window() != window ||
            qobject_cast<QComboBox*>(box->parentWidget()) != nullptr) {
          continue;
        }
        const QString text = said(box);
        QVERIFY2(!text.isEmpty(), qPrintable(box->objectName()));
        QVERIFY2(!names.contains(text), qPrintable(box->objectName() + ": " + text));
        names << text;
      }
    }
  }

  void aboutAndHelp_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("text");
    const QString help =
        "Unable to display Help Contents. There is no Help associated with this project.";
    QTest::newRow("about") << "mnuHelpAbout" << int(MessageIcon::kNone) << "Version 1.1.0";
    QTest::newRow("contents") << "mnuHelpContents" << int(MessageIcon::kInformation) << help;
    QTest::newRow("search") << "mnuHelpSearchForHelpOn" << int(MessageIcon::kInformation) << help;
  }
  void aboutAndHelp() {
    QFETCH(QString, entry);
    QFETCH(int, icon);
    QFETCH(QString, text);
    Harness h;
    h.Start();
    h.Trigger(qPrintable(entry));
    QCOMPARE(h.messages.shown.size(), size_t{1});
    QCOMPARE(int(h.messages.shown[0].icon), icon);
    QCOMPARE(h.messages.shown[0].buttons, MessageButtons::kOk);
    QCOMPARE(h.messages.shown[0].title, QString("Tallix"));
    QCOMPARE(h.messages.shown[0].text, text);
  }
};

}  // namespace tallix::testing

QTEST_MAIN(tallix::testing::MainWindowTest)
#include "main_window_test.moc"
