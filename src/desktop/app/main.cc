// tallix [FILE]: the desktop program. Main creates the one main window with
// the Qt services, opens FILE when one is named, and runs until the window is
// closed.

#include <QApplication>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "desktop/app/command_line.h"
#include "desktop/app/frm_main.h"
#include "desktop/app/program_icon.h"
#include "desktop/app/qt_services.h"
#include "desktop/app/startup.h"
#include "desktop/reports/line_printer.h"
#include "engine/config/tariff_location.h"

namespace {

int Main(int argc, char** argv) {
  // --help and --version need no display: read before Qt opens one.
  if (const auto status = tallix::ReadDesktopArgs({argv, argv + argc}, std::cout, std::cerr)) {
    return *status;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName("Tallix");
  QApplication::setApplicationVersion(QString("%1.%2.%3")
                                          .arg(TALLIX_VERSION_MAJOR)
                                          .arg(TALLIX_VERSION_MINOR)
                                          .arg(TALLIX_VERSION_PATCH));
  QApplication::setDesktopFileName("tallix");
  QApplication::setWindowIcon(tallix::ProgramIcon());

  tallix::QtFileChooser file_chooser;
  tallix::QtMessageService messages;
  tallix::QtLinePrinterFactory printers;
  tallix::QtSettingsStore settings;
  tallix::QtClock clock;
  tallix::QtDesktopService desktop;
  // Beside the program, or per user when installed for the whole machine.
  const std::string program_dir = QApplication::applicationDirPath().toLocal8Bit().toStdString();
  tallix::Services services{&file_chooser, &messages, &printers,
                            &settings,     &clock,    tallix::SystemConfigLocation(program_dir),
                            &desktop};
  services.tariff_places =
      tallix::TariffPlacesFor(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"), program_dir);

  tallix::frmMain window(services);
  tallix::StartMainWindow(window, QApplication::arguments());
  return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) { return Main(argc, argv); }
