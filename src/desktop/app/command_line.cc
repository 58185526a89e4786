#include "desktop/app/command_line.h"

#include <algorithm>
#include <array>
#include <ostream>
#include <string_view>

#include "engine/util/usage_message.h"
#include "engine/util/visible_text.h"

namespace tallix {
namespace {

constexpr int kExitUsage = 2;

// Qt's own options that take a value, as QGuiApplication reads them.
constexpr std::array<std::string_view, 16> kQtValueOptions = {"platform",
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
constexpr std::array<std::string_view, 5> kQtFlagOptions = {"reverse", "widgetcount", "nograb",
                                                            "dograb", "sync"};

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
  const auto refuse = [&err](const std::string& problem) {
    err << "tallix: " << VisibleText(problem) << '\n' << TryHelp("tallix") << '\n';
    return kExitUsage;
  };
  const auto listed = [](const auto& names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
  };
  // Qt's options are written with one dash; ours take two, and one works
  // too. "--" ends the options; "-" alone is a LOGFILE. As in tallix-report,
  // the first problem is the one told, and --help or --version ends the
  // reading where it stands.
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--") break;
    if (arg.size() < 2 || arg[0] != '-') continue;
    const std::string written = arg.substr(0, arg.find('='));
    const std::string_view name = std::string_view(written).substr(arg[1] == '-' ? 2 : 1);
    const bool has_value = written.size() < arg.size();
    if (name == "help" || name == "version" || listed(kQtFlagOptions, name)) {
      if (has_value) return refuse(OptionTakesNoValue(written));
      if (name == "help" || name == "version") {
        out << (name == "help" ? DesktopUsage() : DesktopVersionLine());
        out.flush();
        return 0;
      }
    } else if (listed(kQtValueOptions, name)) {
      if (!has_value && ++i == args.size()) return refuse(OptionNeedsValue(written));
    } else {
      return refuse(UnknownOption(written));
    }
  }
  return std::nullopt;
}

}  // namespace tallix
