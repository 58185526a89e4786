// The desktop program in a real X session: its own Xvfb server and the
// openbox window manager, so that the window has a real frame placed by a
// real window manager. Covers what no offscreen test can see: the stored
// outer rectangle start after start, off-screen recovery, the file dialogs,
// the keys of Show Log and Options, wrapping, `tallix FILE` and drops,
// Check Totals from a count box and Export through the file dialog.

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
#include <QScreen>
#include <QScrollBar>
#include <QTableView>
#include <QTextBlock>
#include <QTextLayout>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>

#include "desktop/app/qt_services.h"
#include "desktop/app/startup.h"
#include "desktop/app/status_bar.h"
#include "desktop/app/twips.h"
#include "desktop/reports/frm_check_totals.h"
#include "support/command_runner.h"
#include "support/gui_harness.h"
#include "support/x_session.h"

namespace tallix::testing {
namespace {

XSession* session = nullptr;
constexpr int kWaitMs = 10000;
// The inner width at which openbox's stock theme shows the title "Tallix"
// whole beside its icon and three buttons, measured on its screenshots: a
// box 122 pixels wide left room for "..." alone, some 12 pixels of the 50
// the title takes.
constexpr int kTitleBarNeedsPx = 163;
const char* const kKeys[] = {"MainLeft", "MainTop", "MainWidth", "MainHeight"};

// Starts the window as the program does and waits until the window manager
// has framed it and its outer rectangle is `outer` (pixels).
bool StartFramed(Harness& h, const QRect& outer) {
  frmMain& w = h.Start();
  StartMainWindow(w, {"tallix"});
  if (!QTest::qWaitForWindowExposed(&w, kWaitMs)) {
    qWarning("the window was not exposed");
    return false;
  }
  if (QTest::qWaitFor([&w, &outer] { return w.frameGeometry() == outer; }, kWaitMs)) return true;
  qWarning() << "framed as" << w.frameGeometry() << "inner" << w.geometry();
  return false;
}

QRect Pixels(double left, double top, double width, double height) {
  return QRect(TwipsToPixels(left, 96), TwipsToPixels(top, 96), TwipsToPixels(width, 96),
               TwipsToPixels(height, 96));
}

// Runs `act` on the modal window `open` opens, once the window is shown;
// returns the window's result code, or -1 when none appeared.
int OnModal(const std::function<void()>& open, const std::function<void(QWidget&)>& act) {
  int result = -1;
  QTimer::singleShot(0, [&] {
    if (!QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }, kWaitMs)) {
      return;
    }
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || !QTest::qWaitForWindowExposed(dialog, kWaitMs)) return;
    QObject::connect(dialog, &QDialog::finished, [&result](int code) { result = code; });
    act(*dialog);
    if (dialog->isVisible()) dialog->done(-2);
  });
  open();
  return result;
}

// openbox takes over the screen a moment after it has announced itself, and a
// window mapped in between may stay unmapped: a probe window, shown again
// when need be, tells when new windows are framed.
bool WindowManagerFrames() {
  for (int attempt = 0; attempt < 3; ++attempt) {
    QWidget probe;
    probe.resize(50, 50);
    probe.show();
    if (QTest::qWaitForWindowExposed(&probe, 3000) &&
        QTest::qWaitFor([&probe] { return probe.frameGeometry() != probe.geometry(); }, 3000)) {
      return true;
    }
  }
  return false;
}

// Copies `from` to `to` with `old_text` replaced by `new_text`.
bool Rewrite(const QString& from, const QString& to, const QString& old_text,
             const QString& new_text) {
  QFile in(from), out(to);
  return in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly) &&
         out.write(QString(in.readAll()).replace(old_text, new_text).toUtf8()) > 0;
}

void Shoot(const QString& name) {
  const QString dir = qEnvironmentVariable("TALLIX_SESSION_SHOTS");
  if (!dir.isEmpty()) QGuiApplication::primaryScreen()->grabWindow(0).save(dir + "/" + name);
}

}  // namespace

class RealSessionTest : public QObject {
  Q_OBJECT

 private slots:
  // Three starts and closes in a row give back the same four keys, equal to
  // the defaults, whatever frame the window manager draws.
  void startsKeepTheirPlace_data() {
    QTest::addColumn<QString>("theme");
    QTest::newRow("openbox's frame") << QString();
    QTest::newRow("frame without side borders") << QString("NoSideBorders");
  }
  void startsKeepTheirPlace() {
    QFETCH(QString, theme);
    QTemporaryDir home;
    QString rc;
    if (!theme.isEmpty()) {
      // openbox's standard theme with its borders taken away.
      QDir(home.path()).mkpath(".themes/" + theme + "/openbox-3");
      rc = home.filePath("rc.xml");
      QVERIFY(Rewrite("/usr/share/themes/Clearlooks/openbox-3/themerc",
                      home.filePath(".themes/" + theme + "/openbox-3/themerc"), "border.width: 1",
                      "border.width: 0"));
      QVERIFY(Rewrite("/etc/xdg/openbox/rc.xml", rc, "<name>Clearlooks</name>",
                      "<name>" + theme + "</name>"));
    }
    QVERIFY2(session->RestartWindowManager(rc.toStdString(), home.path().toStdString()),
             session->error().c_str());
    QVERIFY(WindowManagerFrames());
    Harness h;
    const QRect outer = Pixels(1000, 1000, 6500, 6500);
    for (int start = 1; start <= 3; ++start) {
      QVERIFY2(StartFramed(h, outer),
               qPrintable(QString("start %1: %2")
                              .arg(start)
                              .arg(QDebug::toString(h.window().frameGeometry()))));
      const QMargins frame(h.window().geometry().left() - outer.left(),
                           h.window().geometry().top() - outer.top(),
                           outer.right() - h.window().geometry().right(),
                           outer.bottom() - h.window().geometry().bottom());
      if (!theme.isEmpty()) QCOMPARE(frame.left() + frame.right(), 0);
      QVERIFY(frame.top() > 0);
      QVERIFY(!h.window().windowIcon().isNull());
      Shoot(QString("main-%1-%2.png").arg(theme.isEmpty() ? "openbox" : theme).arg(start));
      h.Trigger("mnuFileExit");
      QStringList stored;
      for (const char* key : kKeys) stored << h.ReadSetting(key).value_or("missing");
      qInfo("start %d, frame %d,%d,%d,%d: %s", start, frame.left(), frame.top(), frame.right(),
            frame.bottom(), qPrintable(stored.join(" ")));
      const double defaults[] = {1000, 1000, 6500, 6500};
      for (size_t i = 0; i < 4; ++i) {
        QVERIFY2(std::fabs(stored[int(i)].toDouble() - defaults[i]) <= 15,
                 qPrintable(stored.join(" ")));
      }
    }
  }

  // A rectangle that leaves its top-left area on the screen opens exactly as
  // stored; one off every screen opens at the default place. A size below the
  // minimum opens at the minimum (an empty `outer` size), with the title bar
  // on the screen. The next start stores the same four values again.
  void storedRectangle_data() {
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QRect>("outer");
    QTest::newRow("fits") << QStringList{"3000", "1500", "7500", "6000"}
                          << Pixels(3000, 1500, 7500, 6000);
    QTest::newRow("unplugged monitor")
        << QStringList{"100000", "100000", "6500", "6500"} << Pixels(1000, 1000, 6500, 6500);
    QTest::newRow("larger than the screen, off it")
        << QStringList{"-30000", "300", "30000", "15000"} << QRect(67, 67, 1280, 800);
    QTest::newRow("narrower than the screen but taller, off it")
        << QStringList{"75000", "75000", "6500", "15000"} << QRect(67, 67, 1280, 800);
    QTest::newRow("off the screen, exactly its width")
        << QStringList{"75000", "75000", "19200", "10500"} << QRect(67, 67, 1280, 700);
    QTest::newRow("title bar above the screen")
        << QStringList{"1000", "-300", "6500", "6500"} << Pixels(1000, 1000, 6500, 6500);
    QTest::newRow("below the minimum")
        << QStringList{"1000", "1000", "300", "300"} << QRect(67, 67, 0, 0);
    QTest::newRow("below the minimum, title bar above the screen")
        << QStringList{"1000", "-300", "300", "300"} << QRect(67, 67, 0, 0);
    QTest::newRow("narrower than the minimum")
        << QStringList{"3000", "1500", "1500", "6000"} << QRect(200, 100, 0, 400);
  }
  void storedRectangle() {
    QFETCH(QStringList, stored);
    QFETCH(QRect, outer);
    Harness h;
    for (int i = 0; i < 4; ++i) h.WriteSetting(kKeys[i], stored[i]);
    QStringList first;
    for (int start = 1; start <= 2; ++start) {
      frmMain& w = h.Start();
      StartMainWindow(w, {"tallix"});
      QVERIFY(QTest::qWaitForWindowExposed(&w, kWaitMs));
      const QSize minimum = w.minimumSize();
      // Settled once the inner size is what the row asks for and the frame
      // is drawn around it at the place asked for.
      QVERIFY2(QTest::qWaitFor(
                   [&] {
                     const QSize inner = w.geometry().size();
                     return w.frameGeometry().topLeft() == outer.topLeft() &&
                            w.frameGeometry() != w.geometry() &&
                            (outer.width() == 0 ? inner.width() == minimum.width()
                                                : w.frameGeometry().width() == outer.width()) &&
                            (outer.height() == 0 ? inner.height() == minimum.height()
                                                 : w.frameGeometry().height() == outer.height());
                   },
                   kWaitMs),
               qPrintable(
                   QString("start %1: %2 inner %3")
                       .arg(start)
                       .arg(QDebug::toString(w.frameGeometry()), QDebug::toString(w.geometry()))));
      QVERIFY(w.geometry().top() >= 0);
      h.Trigger("mnuFileExit");
      QStringList values;
      for (const char* key : kKeys) values << h.ReadSetting(key).value_or("missing");
      if (start == 1) {
        first = values;
      } else {
        QCOMPARE(values, first);
      }
    }
    for (int i = 0; i < 4; ++i) {
      const int expected =
          std::array{outer.left(), outer.top(), outer.width(), outer.height()}[size_t(i)];
      if (expected != 0) QCOMPARE(first[i].toDouble(), PixelsToTwips(expected, 96));
    }
  }

  // File > Open and File > Save through Qt's own file dialog: the name is
  // typed and Enter pressed, as a user does.
  void openAndSaveThroughTheFileDialog() {
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

  // The two modal windows. Keys: Escape does nothing in Show Log and
  // cancels Options; Enter in a field does nothing; Enter on a focused button
  // clicks it. Places: Show Log asks for none (the window manager places it),
  // Options opens centred over the main window. Show Log's long lines wrap
  // at the box's width, with no horizontal scroll bar.
  void modalWindows_data() {
    QTest::addColumn<QString>("opener");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("result");  // -2: still open
    QTest::newRow("Show Log, Escape") << "CommandShowLog"
                                      << "LogBox" << int(Qt::Key_Escape) << -2;
    QTest::newRow("Show Log, Enter on OK")
        << "CommandShowLog"
        << "Command1" << int(Qt::Key_Return) << int(QDialog::Accepted);
    QTest::newRow("Options, Escape")
        << "mnuViewOptions"
        << "NoISDNSites" << int(Qt::Key_Escape) << int(QDialog::Rejected);
    QTest::newRow("Options, Enter in a field") << "mnuViewOptions"
                                               << "ISDNRouter" << int(Qt::Key_Return) << -2;
    QTest::newRow("Options, Enter on Cancel")
        << "mnuViewOptions"
        << "cmdCancel" << int(Qt::Key_Enter) << int(QDialog::Rejected);
    QTest::newRow("Options, Enter on OK")
        << "mnuViewOptions"
        << "cmdOK" << int(Qt::Key_Return) << int(QDialog::Accepted);
  }
  void modalWindows() {
    QFETCH(QString, opener);
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(int, result);
    const bool options = opener == "mnuViewOptions";
    Harness h;
    h.WriteConfig(QByteArray(kThreeSitesConfig).replace("London", QByteArray(150, 'L')));
    QVERIFY(StartFramed(h, Pixels(1000, 1000, 6500, 6500)));
    h.Open(h.WriteFile("router.log", CraftedLog()));
    const int got = OnModal(
        [&] { options ? h.Trigger("mnuViewOptions") : h.Click("CommandShowLog"); },
        [&](QWidget& dialog) {
          Shoot(dialog.objectName() + ".png");
          QProcess xprop;
          xprop.start("xprop", {"-id", QString::number(dialog.winId()), "WM_NORMAL_HINTS"});
          QVERIFY(xprop.waitForFinished(kWaitMs));
          const QString hints = xprop.readAllStandardOutput();
          QVERIFY2(hints.contains("WM_NORMAL_HINTS"), qPrintable(hints));
          QCOMPARE(hints.contains("specified location"), options);
          if (options) {
            // The window manager keeps the inner place asked for and frames it.
            const QPoint off = dialog.geometry().center() - h.window().geometry().center();
            QVERIFY2(off.manhattanLength() <= 1, qPrintable(QDebug::toString(dialog.geometry())));
          } else {
            auto* box = dialog.findChild<QPlainTextEdit*>("LogBox");
            QVERIFY(box->verticalScrollBar()->isVisible());
            QVERIFY(!box->horizontalScrollBar()->isVisible());
            const QTextBlock row = box->document()->findBlockByNumber(9);
            QVERIFY(row.text().startsWith(QString(150, 'L')));
            QVERIFY(row.layout()->lineCount() > 1);
          }
          auto* target = dialog.findChild<QWidget*>(focus);
          QVERIFY(target);
          target->setFocus();
          QTRY_VERIFY(target->hasFocus());
          QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
          QTest::qWait(50);
        });
    QCOMPARE(got, result);
  }

  // A double-click on a site's count or duration box opens Check Totals on
  // that site's calls, beside the main window and not over it: the rows of
  // tallix-report's audit credited to it, cell by cell (the file by its
  // name). It follows the main window's selection while open; Tab leaves
  // its table; Enter on a row shows the line in context, from a gzip log.
  void checkTotalsFromACountBox() {
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
  void followLogThroughTheMenu() {
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
  void exportThroughTheFileDialog_data() {
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
      QTest::newRow(row.format) << type << QString(row.format) << QString(row.written)
                                << row.exists;
    }
  }
  void exportThroughTheFileDialog() {
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
    const QString log =
        h.WriteFile("router.log", CraftedLog() + CallsLog(2).replace("0123", "0999"));
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
  void slowLoadShowsProgress_data() {
    QTest::addColumn<bool>("held");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<bool>("drop");
    QTest::newRow("quick") << false << false << false;
    QTest::newRow("cancelled") << true << true << false;
    QTest::newRow("let go on") << true << false << false;
    QTest::newRow("a drop during the load") << true << false << true;
  }
  void slowLoadShowsProgress() {
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

  // Each window as a screen reader reads it over the accessibility bus:
  // every text box that shows has a name of its own, none two alike in one
  // window, and reads its whole text, a duration wider than its box too.
  void accessibleNamesOverTheBus_data() {
    QTest::addColumn<QString>("opened");
    QTest::addColumn<QString>("window");  // the window's title on the bus
    QTest::newRow("main window") << ""
                                 << "Tallix";
    QTest::newRow("Check Totals beside it") << "mnuViewCheckTotals"
                                            << "Check Totals";
    QTest::newRow("Periods") << "mnuViewPeriods"
                             << "Periods";
    QTest::newRow("Options") << "mnuViewOptions"
                             << "Options";
    QTest::newRow("Show Log") << "CommandShowLog"
                              << "Show Log";
    QTest::newRow("a line in context") << "LinesTable"
                                       << "Line 1 of router.log";
  }
  void accessibleNamesOverTheBus() {
    QFETCH(QString, opened);
    QFETCH(QString, window);
    Harness h;
    h.WriteConfig(kThreeSitesConfig);
    QVERIFY(StartFramed(h, Pixels(1000, 1000, 6500, 6500)));
    QByteArray log = CallsLog(1);
    h.Open(h.WriteFile("router.log", log.replace("lasted 10", "lasted 2000000000")));
    std::vector<QStringList> read;  // window, role, name, text
    const auto read_bus = [&read] {
      QProcess reader;
      // The system's own Python, which has the python3-pyatspi package.
      reader.start("/usr/bin/python3",
                   {TALLIX_ATSPI_NAMES, QString::number(QCoreApplication::applicationPid())});
      // The window answers the reader from this thread's event loop.
      QVERIFY(QTest::qWaitFor([&reader] { return reader.state() == QProcess::NotRunning; }, 60000));
      QVERIFY2(reader.exitCode() == 0, reader.readAllStandardError().constData());
      for (const QString& line : QString(reader.readAllStandardOutput()).split('\n')) {
        if (!line.isEmpty()) read.push_back(line.split('\t'));
      }
    };
    if (opened.isEmpty()) {
      read_bus();
    } else if (opened == "mnuViewCheckTotals" || opened == "mnuViewPeriods") {
      h.Trigger(qPrintable(opened));
      const char* name = opened == "mnuViewPeriods" ? "FormPeriods" : "FormCheckTotals";
      QVERIFY(QTest::qWaitForWindowExposed(h.window().findChild<QDialog*>(name), kWaitMs));
      read_bus();
    } else if (opened == "LinesTable") {
      h.Trigger("mnuViewCheckTotals");
      auto* table = h.window().findChild<QTableView*>("LinesTable");
      table->setCurrentIndex(table->model()->index(0, 0));
      OnModal([table] { QTest::keyClick(table, Qt::Key_Return); }, [&](QWidget&) { read_bus(); });
    } else {
      OnModal(
          [&] {
            opened == "mnuViewOptions" ? h.Trigger("mnuViewOptions") : h.Click("CommandShowLog");
          },
          [&](QWidget&) { read_bus(); });
    }
    QStringList names;  // of the text boxes; a combo box holds one of its own
    int seen = 0;
    for (const QStringList& box : read) {
      QCOMPARE(box.size(), 4);
      if (box[0] != window) continue;
      ++seen;
      QVERIFY2(!box[2].isEmpty(), qPrintable(box.join(" | ")));
      if (box[1] == "combo box") continue;
      QVERIFY2(!names.contains(box[2]), qPrintable(box.join(" | ")));
      names << box[2];
    }
    QVERIFY2(seen > 0, qPrintable(QString("nothing read in %1").arg(window)));
    if (window == "Tallix") {
      QVERIFY(names.contains("Date Search day"));
      const QString duration = h.Text("CallDuration0");
      QVERIFY(duration.size() > 17);
      QVERIFY(std::any_of(read.begin(), read.end(), [&duration](const QStringList& box) {
        return box[2] == "Head Office, Call Duration" && box[3] == duration;
      }));
    }
  }

  // The About box under openbox shows its whole title, "Tallix", not an
  // ellipsis: openbox's icon, title and three buttons fit its frame.
  void aboutBoxShowsItsTitle() {
    Harness h;
    QVERIFY(StartFramed(h, Pixels(1000, 1000, 6500, 6500)));
    QtMessageService messages;
    int width = 0;
    OnModal(
        [&] {
          messages.Show(&h.window(),
                        {MessageIcon::kNone, MessageButtons::kOk, "Tallix", "Version 1.1.0"});
        },
        [&](QWidget& box) {
          // For the picture: the width asked for is the box's own.
          QVERIFY2(qobject_cast<QMessageBox*>(&box), box.metaObject()->className());
          (void)QTest::qWaitFor([&box] { return box.frameGeometry() != box.geometry(); }, kWaitMs);
          width = box.width();
          Shoot("about.png");
        });
    qInfo("About box: %d px inside its frame", width);
    QVERIFY2(width >= kTitleBarNeedsPx, qPrintable(QString::number(width)));
  }

  // `tallix FILE` and a dropped file open the log as File > Open does.
  void fileFromOutsideOpensAsFileOpen_data() {
    QTest::addColumn<bool>("dropped");
    QTest::newRow("tallix FILE") << false;
    QTest::newRow("drop") << true;
  }
  void fileFromOutsideOpensAsFileOpen() {
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
};

}  // namespace tallix::testing

int main(int argc, char** argv) {
  tallix::testing::XSession session(/*accessibility_bus=*/true);
  if (!session.error().empty()) {
    std::fprintf(stderr, "no X session: %s\n", session.error().c_str());
    return 1;
  }
  tallix::testing::session = &session;
  QApplication app(argc, argv);
  // Qt's own file dialog, whatever desktop the tests are run from.
  QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
  tallix::testing::RealSessionTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "real_session_test.moc"
