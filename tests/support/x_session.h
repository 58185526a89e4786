#pragma once
// A private X session for the real-session tests: an Xvfb server on a free
// display and the openbox window manager on it, both ended by process id
// when the session ends, so the tests run beside any other display. Start it
// before the QApplication; it points DISPLAY at itself and selects Qt's xcb
// platform. Asked for, it also starts a private D-Bus session bus with the
// accessibility bus on it (at-spi2-core), so that a screen reader's view of
// the windows can be read as a screen reader reads it.

#include <sys/types.h>

#include <string>

namespace tallix::testing {

class XSession {
 public:
  // Starts the server (`screen` pixels, 96 dots per inch) and the window
  // manager with its own configuration, and with `accessibility_bus` the buses.
  explicit XSession(bool accessibility_bus = false, const std::string& screen = "1280x800");
  ~XSession();
  XSession(const XSession&) = delete;
  XSession& operator=(const XSession&) = delete;

  // Empty when the session is up; otherwise what failed.
  const std::string& error() const { return error_; }
  const std::string& display() const { return display_; }

  // Replaces the window manager by one reading `rc_xml` (empty: its own),
  // with `home` as HOME (where it finds ~/.themes), and waits until it
  // manages the screen. False, with error() set, when it does not.
  bool RestartWindowManager(const std::string& rc_xml, const std::string& home);

 private:
  bool StartServer(const std::string& screen);
  bool StartAccessibilityBus();
  bool StartWindowManager(const std::string& rc_xml, const std::string& home);
  void StopWindowManager();

  pid_t server_ = -1;
  pid_t window_manager_ = -1;
  pid_t session_bus_ = -1;
  pid_t accessibility_bus_ = -1;
  std::string display_;
  std::string error_;
};

}  // namespace tallix::testing
