#include "desktop/app/command_line.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>
#include <array>
#include <ostream>

namespace tallix {
namespace {

constexpr int kExitUsage = 2;

// Qt's own options that take a value, as QGuiApplication reads them.
constexpr std::array kQtValueOptions = {"platform",
                                        "platformpluginpath",
                                        "platformtheme",
                                        "plugin",
                                        "qwindowgeometry",
                                        "geometry",
                                        "qwindowicon",
                                        "icon",
                                        "qwindowtitle",
                                        "title",
                                        "display",
                                        "style",
                                        "stylesheet",
                                        "session",
                                        "name",
                                        "qmljsdebugger"};
// And those that take none.
constexpr std::array kQtFlagOptions = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

}  // namespace

std::string DesktopUsage() {
  return "usage: tallix [LOGFILE...]\n"
         "\n"
         "Opens the Tallix window, which tallies the calls of the configured sites in a\n"
         "router log. The first LOGFILE is opened as File > Open opens it; further ones\n"
         "are ignored. For reports without a window, see tallix-report(1).\n"
         "\n"
         "  --help           show this text\n"
         "  --version        show the version\n"
         "  -platform NAME, -display DISPLAY, -style NAME and Qt's other options are\n"
         "  passed on to Qt.\n"
         "\n"
         "Environment:\n"
         "  DISPLAY, WAYLAND_DISPLAY   the display the window opens on\n"
         "  QT_QPA_PLATFORM            Qt's platform plugin (xcb, wayland, offscreen)\n"
         "  XDG_CONFIG_HOME, HOME      where the per-user Tallix/Tallix.cfg and the\n"
         "                             window's settings are kept\n"
         "  LC_ALL, LC_TIME, LANG      the date and time forms of printed reports\n";
}

std::string DesktopVersionLine() {
  return "tallix " + std::to_string(TALLIX_VERSION_MAJOR) + "." +
         std::to_string(TALLIX_VERSION_MINOR) + "." + std::to_string(TALLIX_VERSION_PATCH) + "\n";
}

std::optional<int> ReadDesktopArgs(const std::vector<std::string>& args, std::ostream& out,
                                   std::ostream& err) {
  QCommandLineParser parser;
  // Qt's options are written with one dash; ours take two, and one works too.
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  const QCommandLineOption help("help");
  const QCommandLineOption version("version");
  parser.addOption(help);
  parser.addOption(version);
  for (const char* name : kQtValueOptions) {
    parser.addOption(QCommandLineOption(QString::fromLatin1(name), QString(), "value"));
  }
  for (const char* name : kQtFlagOptions) {
    parser.addOption(QCommandLineOption(QString::fromLatin1(name)));
  }
  QStringList list;
  for (const std::string& arg : args) list << QString::fromLocal8Bit(arg);
  if (!parser.parse(list)) {
    err << "tallix: " << parser.errorText().toLocal8Bit().toStdString() << "\n\n" << DesktopUsage();
    return kExitUsage;
  }
  if (parser.isSet(help)) {
    out << DesktopUsage();
    out.flush();
    return 0;
  }
  if (parser.isSet(version)) {
    out << DesktopVersionLine();
    out.flush();
    return 0;
  }
  return std::nullopt;
}

}  // namespace tallix
