// The main window driven by its control names: start-up, the menu tree and
// toolbar, the result rows, the selection commands, the small commands and
// closing. File > Open is in main_window_open_test.cc.

#include "main_window_test.h"

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
#include <optional>
#include <sstream>

#include "desktop/app/command_line.h"
#include "desktop/app/controls.h"
#include "desktop/app/fonts.h"
#include "desktop/app/status_bar.h"
#include "desktop/app/twips.h"
#include "desktop/app/window_geometry.h"
#include "desktop/config/frm_options.h"
#include "engine/reports/report_date_time.h"
#include "support/command_runner.h"
#include "support/gui_harness.h"

namespace tallix::testing {

void MainWindowTest::firstStartUsesDefaults() {
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

void MainWindowTest::storedGeometryOffEveryScreenOpensAtTheDefault() {
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
void MainWindowTest::restorableRect_data() {
  QTest::addColumn<QRect>("stored");
  QTest::addColumn<QRect>("opened");
  const QRect at_default(67, 67, 500, 400);
  QTest::newRow("fits") << QRect(200, 100, 500, 400) << QRect(200, 100, 500, 400);
  QTest::newRow("on the left screen") << QRect(-900, 10, 500, 400) << QRect(-900, 10, 500, 400);
  QTest::newRow("grab area just fits") << QRect(1180, 770, 500, 400) << QRect(780, 400, 500, 400);
  QTest::newRow("below the left screen's foot")
      << QRect(-900, 500, 500, 400) << QRect(-900, 368, 500, 400);
  QTest::newRow("small window in the corner")
      << QRect(1230, 780, 50, 20) << QRect(1230, 780, 50, 20);
  QTest::newRow("one pixel short at the right") << QRect(1181, 100, 500, 400) << at_default;
  QTest::newRow("title above the screen") << QRect(100, -10, 500, 400) << at_default;
  QTest::newRow("off the left screen's foot") << QRect(-900, 740, 500, 400) << at_default;
  QTest::newRow("unplugged monitor") << QRect(6667, 6667, 500, 400) << at_default;
  QTest::newRow("too large for the primary screen")
      << QRect(5000, 5000, 1300, 700) << QRect(0, 67, 1280, 700);
  QTest::newRow("exactly the primary screen's width")
      << QRect(5000, 5000, 1280, 700) << QRect(0, 67, 1280, 700);
  QTest::newRow("narrower than the primary screen but taller")
      << QRect(5000, 5000, 500, 900) << QRect(67, 0, 500, 800);
}

void MainWindowTest::restorableRect() {
  QFETCH(QRect, stored);
  QFETCH(QRect, opened);
  const QRect primary(0, 0, 1280, 800);
  QCOMPARE(RestorableRect(stored, {primary, QRect(-1024, 0, 1024, 768)}, QPoint(0, 0), primary, 96),
           opened);
}

void MainWindowTest::closeStoresGeometryUnlessMinimized_data() {
  QTest::addColumn<bool>("minimized");
  QTest::newRow("normal") << false;
  QTest::newRow("minimized") << true;
}

void MainWindowTest::closeStoresGeometryUnlessMinimized() {
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

void MainWindowTest::menuTreeInOrder() {
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
                                "mnuViewTariffs=&Tariffs...",
                                "mnuViewFollowLog=&Follow Log",
                                "mnuHelp=&Help",
                                "mnuHelpContents=&Contents",
                                "mnuHelpSearchForHelpOn=&Search For Help On...",
                                "mnuHelpBar0=-",
                                "mnuHelpAbout=&About "};
  QCOMPARE(entries, expected);
  QVERIFY(!h.Find<QMenu>("mnuFile")->separatorsCollapsible());
}

void MainWindowTest::toolBarButtonsByKey() {
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

void MainWindowTest::siteRowsFollowSiteCount_data() {
  QTest::addColumn<int>("sites");
  QTest::newRow("none") << 0;
  QTest::newRow("three") << 3;
  QTest::newRow("ten") << 10;
}

void MainWindowTest::siteRowsFollowSiteCount() {
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

void MainWindowTest::configRemarksAreReportedOnce_data() {
  QTest::addColumn<QByteArray>("config");
  QTest::addColumn<QString>("remark");
  QTest::addColumn<int>("sites");
  QTest::newRow("values corrected")
      << QByteArray("\"NoSites\",12,0,0\r\n\"Site\",11,\"x\",\"y\"\r\n\"END\",0,0,0\r\n") << "12"
      << 10;
  QTest::newRow("nothing recognised")
      << QByteArray("Dec  7 10:00:01 isdnrouter\n") << "none of its records was recognised" << 0;
}

void MainWindowTest::configRemarksAreReportedOnce() {
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
  QCOMPARE(int(h.window().Config().SiteCount), sites);
}

void MainWindowTest::selectionCommands_data() {
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

void MainWindowTest::selectionCommands() {
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
  QCOMPARE(QString::number(h.window().LastTally().SiteCallCounts(0)), head_office_calls);
  QVERIFY(h.messages.shown.empty());
}

// Every fixed caption fits its control in the windows' font: a label's on
// one line, a command button's within its margins (wrapped onto two lines
// where the button wraps). The table names every captioned control of the
// main window and Options but those whose text is free: the site names, the
// selection caption and the status bar.
void MainWindowTest::captionsFit() {
  if (!QFontDatabase::families().contains(kWindowFontFamily)) {
    QSKIP("the windows' font is not installed (scripts/deps.sh installs it)");
  }
  Harness h;
  h.Start();
  frmOptions options(h.window().Config(), h.ConfigPath(), h.messages, &h.window());
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
      QVERIFY2(needed <= room,
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
void MainWindowTest::accessibleNames() {
  Harness h;
  h.WriteConfig(QByteArray(kThreeSitesConfig).replace("Leeds", "London"));
  h.Start().show();
  frmOptions options(h.window().Config(), h.ConfigPath(), h.messages, &h.window());
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
    QCOMPARE(said(*control != '\0' ? window->findChild<QWidget*>(control) : window), QString(name));
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

void MainWindowTest::aboutAndHelp_data() {
  QTest::addColumn<QString>("entry");
  QTest::addColumn<int>("icon");
  QTest::addColumn<QString>("text");
  const QString help =
      "Unable to display Help Contents. There is no Help associated with this project.";
  QTest::newRow("about") << "mnuHelpAbout" << int(MessageIcon::kNone) << "Version 1.1.0";
  QTest::newRow("contents") << "mnuHelpContents" << int(MessageIcon::kInformation) << help;
  QTest::newRow("search") << "mnuHelpSearchForHelpOn" << int(MessageIcon::kInformation) << help;
}

void MainWindowTest::aboutAndHelp() {
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

// A mistake on the command line is told by both programs in the same words,
// then the line that points at --help; nothing more, exit status 2.
void MainWindowTest::usageErrorsAsTallixReportSaysThem() {
  const std::string long_name = "--" + std::string(100, 'y');
  const struct {
    std::vector<std::string> desktop, report;
    std::string problem;  // "@": the option that lacks its value
  } rows[] = {
      {{"a", long_name + "=1"},
       {"a", long_name + "=1"},
       "unknown option '" + long_name.substr(0, 80) + "\u2026'"},
      {{"--help=x"}, {"--help=x"}, "option '--help' takes no value"},
      {{"a", "--style"}, {"a", "--config"}, "option '--@' needs a value"},
  };
  for (const auto& row : rows) {
    const auto said = [&row](const std::string& program, const char* option) {
      std::string problem = row.problem;
      if (const size_t at = problem.find('@'); at != std::string::npos)
        problem.replace(at, 1, option);
      return QString::fromStdString(program + ": " + problem + "\nTry '" + program + " --help'.\n");
    };
    std::vector<std::string> args{"tallix"};
    args.insert(args.end(), row.desktop.begin(), row.desktop.end());
    std::ostringstream out, err;
    QCOMPARE(ReadDesktopArgs(args, out, err), std::optional<int>(2));
    QCOMPARE(QString::fromStdString(err.str() + out.str()), said("tallix", "style"));
    const testing_util::CommandRun run = testing_util::RunReport(row.report, "", "");
    QCOMPARE(run.status, 2);
    QCOMPARE(QString::fromStdString(run.err), said("tallix-report", "config"));
  }
}

}  // namespace tallix::testing

QTEST_MAIN(tallix::testing::MainWindowTest)
