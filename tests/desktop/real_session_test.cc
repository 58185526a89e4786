// The desktop program in a real X session: its own Xvfb server and the
// openbox window manager, so that the window has a real frame placed by a
// real window manager. Covers what no offscreen test can see: the stored
// outer rectangle start after start, off-screen recovery, the keys of Show
// Log and Options, wrapping, the About box's title and what a screen reader
// reads. The logs' cases (the file dialogs, `tallix FILE` and drops, Check
// Totals from a count box, Follow Log, Export) are in
// real_session_files_test.cc.

#include "real_session_test.h"

#include <QFile>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>
#include <QTextBlock>
#include <QTextLayout>
#include <algorithm>
#include <array>
#include <cmath>

#include "desktop/app/qt_services.h"
#include "desktop/app/startup.h"
#include "desktop/app/twips.h"
#include "support/gui_harness.h"
#include "support/x_session.h"

namespace tallix::testing {
namespace {

// The inner width at which openbox's stock theme shows the title "Tallix"
// whole beside its icon and three buttons, measured on its screenshots: a
// box 122 pixels wide left room for "..." alone, some 12 pixels of the 50
// the title takes.
constexpr int kTitleBarNeedsPx = 163;
const char* const kKeys[] = {"MainLeft", "MainTop", "MainWidth", "MainHeight"};

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

}  // namespace

// Three starts and closes in a row give back the same four keys, equal to
// the defaults, whatever frame the window manager draws.
void RealSessionTest::startsKeepTheirPlace_data() {
  QTest::addColumn<QString>("theme");
  QTest::newRow("openbox's frame") << QString();
  QTest::newRow("frame without side borders") << QString("NoSideBorders");
}

void RealSessionTest::startsKeepTheirPlace() {
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
    QVERIFY2(
        StartFramed(h, outer),
        qPrintable(
            QString("start %1: %2").arg(start).arg(QDebug::toString(h.window().frameGeometry()))));
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

// A rectangle on the screen opens exactly as stored; one off every screen
// opens at the default place, moved onto the screen as far as its size
// needs, and no larger than the screen. A size below the minimum opens at the
// minimum (an empty `outer` size), with the title bar on the screen. The next
// start stores the same four values again.
void RealSessionTest::storedRectangle_data() {
  QTest::addColumn<QStringList>("stored");
  QTest::addColumn<QRect>("outer");
  QTest::newRow("fits") << QStringList{"3000", "1500", "7500", "6000"}
                        << Pixels(3000, 1500, 7500, 6000);
  QTest::newRow("unplugged monitor")
      << QStringList{"100000", "100000", "6500", "6500"} << Pixels(1000, 1000, 6500, 6500);
  QTest::newRow("larger than the screen, off it")
      << QStringList{"-30000", "300", "30000", "15000"} << QRect(0, 0, 1280, 800);
  QTest::newRow("narrower than the screen but taller, off it")
      << QStringList{"75000", "75000", "6500", "15000"} << QRect(67, 0, 433, 800);
  QTest::newRow("off the screen, exactly its width")
      << QStringList{"75000", "75000", "19200", "10500"} << QRect(0, 67, 1280, 700);
  QTest::newRow("title bar above the screen")
      << QStringList{"1000", "-300", "6500", "6500"} << Pixels(1000, 1000, 6500, 6500);
  QTest::newRow("below the minimum")
      << QStringList{"1000", "1000", "300", "300"} << QRect(67, 67, 0, 0);
  QTest::newRow("below the minimum, title bar above the screen")
      << QStringList{"1000", "-300", "300", "300"} << QRect(67, 67, 0, 0);
  QTest::newRow("narrower than the minimum")
      << QStringList{"3000", "1500", "1500", "6000"} << QRect(200, 100, 0, 400);
}

void RealSessionTest::storedRectangle() {
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
    QVERIFY2(
        QTest::qWaitFor(
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
        qPrintable(QString("start %1: %2 inner %3")
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

// The two modal windows. Keys: Escape does nothing in Show Log and
// cancels Options; Enter in a field does nothing; Enter on a focused button
// clicks it. Places: Show Log asks for none (the window manager places it),
// Options opens centred over the main window. Show Log's long lines wrap
// at the box's width, with no horizontal scroll bar.
void RealSessionTest::modalWindows_data() {
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
  QTest::newRow("Options, Enter on OK") << "mnuViewOptions"
                                        << "cmdOK" << int(Qt::Key_Return) << int(QDialog::Accepted);
}

void RealSessionTest::modalWindows() {
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

// Each window as a screen reader reads it over the accessibility bus:
// every text box and table that shows has a name of its own, none two alike
// in one window, and a text box reads its whole text, a duration wider than
// its box too.
void RealSessionTest::accessibleNamesOverTheBus_data() {
  QTest::addColumn<QString>("opened");
  QTest::addColumn<QString>("window");  // the window's title on the bus
  QTest::newRow("main window") << ""
                               << "Tallix";
  QTest::newRow("Check Totals beside it") << "mnuViewCheckTotals"
                                          << "Check Totals";
  QTest::newRow("Periods") << "mnuViewPeriods"
                           << "Periods";
  QTest::newRow("Tariffs") << "mnuViewTariffs"
                           << "Tariffs";
  QTest::newRow("Options") << "mnuViewOptions"
                           << "Options";
  QTest::newRow("Show Log") << "CommandShowLog"
                            << "Show Log";
  QTest::newRow("a line in context") << "LinesTable"
                                     << "Line 1 of router.log";
}

void RealSessionTest::accessibleNamesOverTheBus() {
  QFETCH(QString, opened);
  QFETCH(QString, window);
  Harness h;
  h.WriteConfig(kThreeSitesConfig);
  QVERIFY(QFile::copy(TALLIX_EXAMPLE_TARIFFS, h.PathOf("program/Tariffs.toml")));
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
  } else if (opened.startsWith("mnuView") && opened != "mnuViewOptions") {
    h.Trigger(qPrintable(opened));
    QVERIFY(QTest::qWaitForWindowExposed(h.window().findChild<QDialog*>("Form" + opened.mid(7)),
                                         kWaitMs));
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
void RealSessionTest::aboutBoxShowsItsTitle() {
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
