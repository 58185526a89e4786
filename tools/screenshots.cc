// Saves screenshots of the real windows for the README: the main window with
// the example log loaded, the Options dialog, the Show Log window, the Check
// Totals window opened from a site's count box beside the main window, a log
// line in context, the Periods window by day, and the File menu open at
// Export. The
// log comes in through a file chooser that answers by itself; everything else
// is the program's own code. Each picture is cut from the screen along the
// window's frame, so under a window manager (scripts/screenshots.sh runs one)
// the frame and title bar are in it.
//
// Usage: tallix-screenshots <program dir with Tallix.cfg> <log file> <output dir>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "desktop/app/frm_main.h"
#include "desktop/app/qt_services.h"
#include "desktop/app/window_geometry.h"
#include "desktop/reports/line_printer.h"

namespace {

class ScriptedChooser : public tallix::FileChooser {
 public:
  explicit ScriptedChooser(QString log) : log_(std::move(log)) {}
  std::optional<QString> ChooseFile(QWidget*, const tallix::FileRequest&) override { return log_; }
  bool ChoosePrinter(QWidget*, const QString&, QPrinter&) override { return false; }

 private:
  QString log_;
};

void Wait(int milliseconds) {
  QEventLoop loop;
  QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
  loop.exec();
}

// The window manager frames a window some time after it is mapped; until then
// the frame geometry equals the window's own.
bool WaitForFrame(QWidget* window) {
  QElapsedTimer waited;
  waited.start();
  while (window->frameGeometry() == window->geometry() && waited.elapsed() < 5000) Wait(50);
  Wait(300);  // the frame and the window paint after the extents arrive
  return window->frameGeometry() != window->geometry();
}

bool Save(QWidget* window, const QString& path, QWidget* beside = nullptr) {
  const bool framed = WaitForFrame(window);
  QRect frame = window->frameGeometry();
  if (beside != nullptr) frame = frame.united(beside->frameGeometry());
  const QPixmap shot =
      window->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
  const bool ok = shot.save(path);
  std::printf("%s %s%s\n", ok ? "saved" : "FAILED", qPrintable(path),
              framed ? "" : " (no window manager frame)");
  return ok;
}

// Grabs the modal window that `trigger` opens, then closes it. A text box
// is double-clicked; a table gets Enter on its current row.
bool GrabModal(QWidget* trigger_owner, const char* trigger_name, const QString& path) {
  bool ok = false;
  QTimer::singleShot(0, [&ok, &path] {
    if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
      ok = Save(dialog, path);
      dialog->reject();
    }
  });
  QObject* control = trigger_owner->findChild<QObject*>(trigger_name);
  if (auto* button = qobject_cast<QPushButton*>(control)) button->click();
  if (auto* action = qobject_cast<QAction*>(control)) action->trigger();
  if (auto* box = qobject_cast<QLineEdit*>(control)) {
    const QPointF at(5, 5);
    QMouseEvent click(QEvent::MouseButtonDblClick, at, box->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(box, &click);
  }
  if (auto* view = qobject_cast<QAbstractItemView*>(control)) {
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(view, &enter);
  }
  return ok;
}

// Grabs the main window with `menu_name` open at the entry `entry_name`;
// the menu, which the window manager does not frame, may reach beyond it.
bool GrabMenu(QMainWindow* window, const char* menu_name, const char* entry_name,
              const QString& path) {
  auto* menu = window->findChild<QMenu*>(menu_name);
  auto* entry = window->findChild<QAction*>(entry_name);
  if (menu == nullptr || entry == nullptr) return false;
  window->activateWindow();
  window->menuBar()->setActiveAction(menu->menuAction());
  Wait(300);
  menu->setActiveAction(entry);
  Wait(300);
  const QRect area = window->frameGeometry().united(menu->geometry());
  const bool ok =
      window->screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).save(path);
  std::printf("%s %s\n", ok ? "saved" : "FAILED", qPrintable(path));
  menu->close();
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s <program dir> <log file> <output dir>\n", argv[0]);
    return 2;
  }
  const QString program_dir = QString::fromLocal8Bit(argv[1]);
  const QString log = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath();
  const QDir out(QString::fromLocal8Bit(argv[3]));
  QTemporaryDir settings_dir;

  ScriptedChooser chooser(log);
  tallix::QtMessageService messages;
  tallix::QtLinePrinterFactory printers;
  tallix::QtSettingsStore settings(settings_dir.filePath("settings.ini"));
  tallix::QtClock clock;
  tallix::Services services{&chooser,  &messages, &printers,
                            &settings, &clock,    tallix::ConfigBesideProgram(program_dir)};
  // Tariffs.toml beside Tallix.cfg, when the script put one there.
  services.tariff_places = {{},
                            QDir(program_dir).filePath("Tariffs.toml").toLocal8Bit().toStdString()};

  tallix::frmMain window(services);
  window.show();
  window.findChild<QAction*>("mnuFileOpen")->trigger();
  QApplication::processEvents();

  bool ok = Save(&window, out.filePath("main-window.png"));
  ok = GrabModal(&window, "mnuViewOptions", out.filePath("options.png")) && ok;
  ok = GrabModal(&window, "CommandShowLog", out.filePath("show-log.png")) && ok;
  // Check Totals opens beside the main window; both are in the picture.
  auto* count = window.findChild<QLineEdit*>("NoCalls0");
  const QPointF at(5, 5);
  QMouseEvent click(QEvent::MouseButtonDblClick, at, count->mapToGlobal(at), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(count, &click);
  auto* totals = window.findChild<QDialog*>("FormCheckTotals");
  ok = totals != nullptr && Save(totals, out.filePath("check-totals.png"), &window) && ok;
  if (totals != nullptr) {
    auto* table = totals->findChild<QTableView*>("LinesTable");
    table->selectRow(1);
    ok = GrabModal(totals, "LinesTable", out.filePath("line-in-context.png")) && ok;
    totals->close();
  }
  window.findChild<QAction*>("mnuViewPeriods")->trigger();
  auto* periods = window.findChild<QDialog*>("FormPeriods");
  if (periods != nullptr) {
    // The example log spans four days: by day they make a table.
    periods->findChild<QComboBox*>("PeriodUnitBox")->setCurrentIndex(0);
    periods->resize(1180, 300);
    // Wider than the room beside the main window: onto the screen again.
    const QRect outer = periods->frameGeometry();
    periods->move(tallix::FittedInto(
                      QRect(outer.topLeft(), QSize(1180, 300) + (outer.size() - periods->size())),
                      periods->screen()->availableGeometry())
                      .topLeft());
  }
  ok = periods != nullptr && Save(periods, out.filePath("periods.png")) && ok;
  if (periods != nullptr) periods->close();
  // The tariffs compared, beside the main window.
  window.findChild<QAction*>("mnuViewTariffs")->trigger();
  auto* tariffs = window.findChild<QDialog*>("FormTariffs");
  ok = tariffs != nullptr && Save(tariffs, out.filePath("tariffs.png"), &window) && ok;
  if (tariffs != nullptr) tariffs->close();
  ok = GrabMenu(&window, "mnuFile", "mnuFileExport", out.filePath("export-menu.png")) && ok;
  return ok ? 0 : 1;
}
