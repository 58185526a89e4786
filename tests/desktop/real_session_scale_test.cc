// The windows at Qt's scale factor 2 in a real X session: its own Xvfb
// server (1920 x 1080 pixels, 960 x 540 to Qt) and the openbox window
// manager, which frames and places the windows. Every window opens within the
// screen's available area (Show Log, which asks for no place, no larger than
// it), and Check Totals and Periods open beside the main window, not over it,
// when the screen has room beside it. A program of its own: the scale factor
// is read once, when Qt starts.

#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QMargins>
#include <QScreen>
#include <QTimer>
#include <QtTest>
#include <cstdlib>

#include "desktop/app/startup.h"
#include "support/gui_harness.h"
#include "support/x_session.h"

namespace tallix::testing {
namespace {

constexpr int kWaitMs = 10000;

// Qt learns a window's frame from the window manager some time after it is
// framed, and for a modal window mapped right after another sometimes never:
// such a window is taken to have the main window's frame, which the same
// theme draws.
QMargins frame_of_main;

QMargins FrameOf(const QWidget& window) {
  const QRect outer = window.frameGeometry();
  const QRect inner = window.geometry();
  return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
          outer.bottom() - inner.bottom()};
}

bool Framed(const QWidget& window) {
  const QRect outer = window.frameGeometry();
  return outer != window.geometry() && outer.contains(window.geometry());
}

QRect Outer(const QWidget& window) {
  return Framed(window) ? window.frameGeometry() : window.geometry().marginsAdded(frame_of_main);
}

// Shown, and framed when Qt learns of it within `frame_wait_ms`.
bool Shown(QWidget& window, int frame_wait_ms) {
  if (!QTest::qWaitForWindowExposed(&window, kWaitMs)) return false;
  (void)QTest::qWaitFor([&window] { return Framed(window); }, frame_wait_ms);
  return true;
}

// Where `window` lies, for messages.
QByteArray Where(const QWidget& window) {
  return (window.objectName() + " at " + QDebug::toString(Outer(window))).toUtf8();
}

// Runs `act` on the modal window `open` opens, once it is shown.
void OnModal(const std::function<void()>& open, const std::function<void(QWidget&)>& act) {
  QTimer::singleShot(0, [&act] {
    if (!QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }, kWaitMs)) {
      return;
    }
    QWidget* dialog = QApplication::activeModalWidget();
    if (Shown(*dialog, 1000)) act(*dialog);
    if (auto* modal = qobject_cast<QDialog*>(dialog)) modal->done(QDialog::Rejected);
  });
  open();
}

void Shoot(const QString& name) {
  const QString dir = qEnvironmentVariable("TALLIX_SESSION_SHOTS");
  if (!dir.isEmpty()) QGuiApplication::primaryScreen()->grabWindow(0).save(dir + "/" + name);
}

}  // namespace

class RealSessionScaleTest : public QObject {
  Q_OBJECT

 private slots:
  // The main window where the row stores it (twips; none: the defaults), then
  // each window it opens.
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
    frmMain& main = h.Start();
    StartMainWindow(main, {"tallix"});
    QVERIFY(Shown(main, kWaitMs) && Framed(main));
    frame_of_main = FrameOf(main);
    h.Open(h.WriteFile("router.log", CraftedLog()));
    const QRect area = main.screen()->availableGeometry();
    QCOMPARE(area.size(), QSize(960, 540));
    const auto fits = [&area](const QWidget& window) { return area.contains(Outer(window)); };
    QVERIFY2(fits(main), Where(main));

    for (const char* opener : {"mnuViewCheckTotals", "mnuViewPeriods"}) {
      h.Trigger(opener);
      auto* window = main.findChild<QDialog*>(
          opener == QByteArray("mnuViewPeriods") ? "FormPeriods" : "FormCheckTotals");
      QVERIFY(window != nullptr && Shown(*window, 2000));
      QTRY_VERIFY2(fits(*window), Where(*window));
      if (room) {
        QVERIFY2(!Outer(*window).intersects(main.frameGeometry()), Where(*window));
      }
      QTest::qWait(200);  // painted before the picture is taken
      Shoot(QString("scale2-%1-%2.png").arg(QTest::currentDataTag(), window->objectName()));
      if (auto* table = window->findChild<QAbstractItemView*>("LinesTable")) {
        // The line in context, from a row of Check Totals.
        bool shown = false;
        OnModal([table] { emit table->doubleClicked(table->model()->index(0, 0)); },
                [&](QWidget& context) {
                  shown = true;
                  QVERIFY2(fits(context), Where(context));
                });
        QVERIFY(shown);
      }
      window->close();
    }
    for (const char* opener : {"CommandShowLog", "mnuViewOptions"}) {
      bool shown = false;
      OnModal(
          [&] {
            if (opener == QByteArray("CommandShowLog")) {
              h.Click(opener);
            } else {
              h.Trigger(opener);
            }
          },
          [&](QWidget& dialog) {
            shown = true;
            // Show Log asks for no place: where it opens is the window
            // manager's, which centres it over the main window, a pixel
            // beyond the screen's edge as it rounds. Its size is the
            // program's.
            const QRect frame = Outer(dialog);
            QVERIFY2(opener == QByteArray("CommandShowLog")
                         ? area.size().expandedTo(frame.size()) == area.size()
                         : fits(dialog),
                     Where(dialog));
          });
      QVERIFY2(shown, opener);
    }
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
  // After the session, which clears the scale factors of the desktop the
  // tests run from.
  setenv("QT_SCALE_FACTOR", "2", 1);
  QApplication app(argc, argv);
  tallix::testing::RealSessionScaleTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "real_session_scale_test.moc"
