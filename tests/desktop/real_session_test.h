#pragma once
// The real-session test class and what its two files share. Its cases are
// kept in two files by subject: real_session_test.cc (the window's place and
// frame, the modal windows, what a screen reader reads) and
// real_session_files_test.cc (logs opened, saved, exported and followed).
// Both files run in the one executable, so that the session starts once.

#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QObject>
#include <QRect>
#include <QScreen>
#include <QTimer>
#include <functional>

#include "desktop/app/startup.h"
#include "desktop/app/twips.h"
#include "support/gui_harness.h"
#include "support/x_session.h"

namespace tallix::testing {

// The session main() starts for every case.
inline XSession* session = nullptr;
inline constexpr int kWaitMs = 10000;

// Starts the window as the program does and waits until the window manager
// has framed it and its outer rectangle is `outer` (pixels).
inline bool StartFramed(Harness& h, const QRect& outer) {
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

inline QRect Pixels(double left, double top, double width, double height) {
  return QRect(TwipsToPixels(left, 96), TwipsToPixels(top, 96), TwipsToPixels(width, 96),
               TwipsToPixels(height, 96));
}

// Runs `act` on the modal window `open` opens, once the window is shown;
// returns the window's result code, or -1 when none appeared.
inline int OnModal(const std::function<void()>& open, const std::function<void(QWidget&)>& act) {
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

inline void Shoot(const QString& name) {
  const QString dir = qEnvironmentVariable("TALLIX_SESSION_SHOTS");
  if (!dir.isEmpty()) QGuiApplication::primaryScreen()->grabWindow(0).save(dir + "/" + name);
}

class RealSessionTest : public QObject {
  Q_OBJECT

 private slots:
  // One list for both files, so that the cases run in the order they always
  // have.
  void startsKeepTheirPlace_data();
  void startsKeepTheirPlace();
  void storedRectangle_data();
  void storedRectangle();
  void openAndSaveThroughTheFileDialog();
  void modalWindows_data();
  void modalWindows();
  void checkTotalsFromACountBox();
  void followLogThroughTheMenu();
  void exportThroughTheFileDialog_data();
  void exportThroughTheFileDialog();
  void slowLoadShowsProgress_data();
  void slowLoadShowsProgress();
  void accessibleNamesOverTheBus_data();
  void accessibleNamesOverTheBus();
  void aboutBoxShowsItsTitle();
  void fileFromOutsideOpensAsFileOpen_data();
  void fileFromOutsideOpensAsFileOpen();
};

}  // namespace tallix::testing
