// The windows at Qt's scale factor 2 in a real X session: its own Xvfb
// server (1920 x 1080 pixels, 960 x 540 to Qt) and the openbox window
// manager, which frames and places them. The main window, Check Totals,
// Periods, Tariffs and a line in context open within the screen's available
// area, and the windows of the View menu beside the main window when the
// screen has room beside it. A program of its own: Qt reads the factor once.

#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QScreen>
#include <QTimer>
#include <QtTest>
#include <cstdlib>

#include "desktop/app/startup.h"
#include "support/gui_harness.h"
#include "support/x_session.h"

namespace tallix::testing {

class RealSessionScaleTest : public QObject {
  Q_OBJECT

 private slots:
  void windowsFitTheScreen_data() {
    QTest::addColumn<QStringList>("stored");  // MainLeft, MainTop, MainWidth, MainHeight
    QTest::addColumn<bool>("room");           // beside the main window
    QTest::newRow("defaults") << QStringList() << true;
    QTest::newRow("near the right edge") << QStringList{"7500", "600", "6500", "6500"} << true;
    QTest::newRow("as wide as the screen") << QStringList{"0", "0", "14400", "6000"} << false;
  }

  void windowsFitTheScreen() {
    QFETCH(QStringList, stored);
    QFETCH(bool, room);
    Harness h;
    const char* const keys[] = {"MainLeft", "MainTop", "MainWidth", "MainHeight"};
    for (int i = 0; i < stored.size(); ++i) h.WriteSetting(keys[i], stored[i]);
    h.WriteConfig(kThreeSitesConfig);
    QVERIFY(QFile::copy(TALLIX_EXAMPLE_TARIFFS, h.PathOf("program/Tariffs.toml")));
    frmMain& main = h.Start();
    StartMainWindow(main, {"tallix"});
    const auto framed = [](const QWidget& w) {
      return w.frameGeometry() != w.geometry() && w.frameGeometry().contains(w.geometry());
    };
    QVERIFY(QTest::qWaitForWindowExposed(&main) && QTest::qWaitFor([&] { return framed(main); }));
    h.Open(h.WriteFile("router.log", CraftedLog()));
    const QRect area = main.screen()->availableGeometry();
    QCOMPARE(area.size(), QSize(960, 540));
    const QRect mo = main.frameGeometry(), mi = main.geometry();
    const QMargins frame(mi.left() - mo.left(), mi.top() - mo.top(), mo.right() - mi.right(),
                         mo.bottom() - mi.bottom());
    // Qt sometimes never learns the frame of a modal window: such a window
    // is given the main window's.
    QStringList wrong;
    int checked = 0;
    const auto check = [&](QWidget& w, bool beside) {
      ++checked;
      (void)QTest::qWaitFor([&] { return framed(w); }, 1000);
      const QRect outer = framed(w) ? w.frameGeometry() : w.geometry().marginsAdded(frame);
      if (!area.contains(outer) || (beside && outer.intersects(main.frameGeometry()))) {
        wrong << w.objectName() + " at " + QDebug::toString(outer);
      }
    };
    check(main, false);
    for (const QString name : {"FormCheckTotals", "FormPeriods", "FormTariffs"}) {
      h.Trigger(qPrintable("mnuView" + name.mid(4)));
      auto* window = main.findChild<QDialog*>(name);
      QVERIFY2(window != nullptr && QTest::qWaitForWindowExposed(window), qPrintable(name));
      check(*window, room);
      if (auto* table = window->findChild<QAbstractItemView*>("LinesTable")) {
        // A line in context, modal over Check Totals.
        QTimer::singleShot(0, [&] {
          if (!QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; })) return;
          QWidget* context = QApplication::activeModalWidget();
          if (QTest::qWaitForWindowExposed(context)) check(*context, false);
          context->close();
        });
        emit table->doubleClicked(table->model()->index(0, 0));
      }
      window->close();
    }
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join("; ")));
    QCOMPARE(checked, 5);
    h.Trigger("mnuFileExit");
  }
};

}  // namespace tallix::testing

int main(int argc, char** argv) {
  tallix::testing::XSession session(/*accessibility_bus=*/false, "1920x1080");
  if (!session.error().empty()) {
    std::fprintf(stderr, "no X session: %s\n", session.error().c_str());
    return 1;
  }
  // After the session, which clears the factors of the desktop run from.
  setenv("QT_SCALE_FACTOR", "2", 1);
  QApplication app(argc, argv);
  tallix::testing::RealSessionScaleTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "real_session_scale_test.moc"
