#include "support/x_session.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

namespace tallix::testing {
namespace {

constexpr auto kStartTimeout = std::chrono::seconds(20);

// Starts `argv` with `extra_env` (NAME=VALUE) added to this process's
// environment; -1 on failure. Everything the child needs is made before the
// fork: the tests' process has threads by then.
pid_t Spawn(std::vector<std::string> argv, std::vector<std::string> extra_env, int keep_fd = -1) {
  std::vector<char*> args;
  for (std::string& arg : argv) args.push_back(arg.data());
  args.push_back(nullptr);
  std::vector<char*> env;
  for (std::string& assignment : extra_env) env.push_back(assignment.data());
  for (char** variable = environ; *variable != nullptr; ++variable) env.push_back(*variable);
  env.push_back(nullptr);
  const bool quiet = std::getenv("TALLIX_SESSION_VERBOSE") == nullptr;
  const pid_t pid = fork();
  if (pid != 0) return pid;
  // Ends with the tests, even when they crash.
  prctl(PR_SET_PDEATHSIG, SIGTERM);
  const int null = open("/dev/null", O_RDWR);
  dup2(null, STDIN_FILENO);
  dup2(null, STDOUT_FILENO);
  if (quiet) dup2(null, STDERR_FILENO);
  for (int fd = 3; fd < 256; ++fd) {
    if (fd != keep_fd) close(fd);
  }
  execvpe(args[0], args.data(), env.data());
  _exit(127);
}

void Stop(pid_t& pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (waitpid(pid, nullptr, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  pid = -1;
}

bool Exited(pid_t pid) { return waitpid(pid, nullptr, WNOHANG) != 0; }

// True once openbox has loaded its theme, the last thing it does before it
// takes over the windows; it announces itself as a window manager earlier.
bool WindowManagerRunning(const std::string& display) {
  const std::string command =
      "DISPLAY=" + display + " xprop -root _OB_THEME 2>/dev/null | grep -q '='";
  return std::system(command.c_str()) == 0;
}

// Reads one line that the child writing to `fd` prints, within the start
// time; empty when it prints none (or exits first).
std::string ReadLine(int fd, pid_t& child) {
  std::string line;
  const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
  pollfd wait{fd, POLLIN, 0};
  while (child > 0 && std::chrono::steady_clock::now() < deadline) {
    if (poll(&wait, 1, 100) > 0) {
      char c;
      if (read(fd, &c, 1) != 1) break;
      if (c == '\n') return line;
      line += c;
    } else if (Exited(child)) {
      child = -1;
    }
  }
  return {};
}

}  // namespace

XSession::XSession(bool accessibility_bus, const std::string& screen) {
  if (!StartServer(screen)) return;
  setenv("DISPLAY", display_.c_str(), 1);
  setenv("QT_QPA_PLATFORM", "xcb", 1);
  // Nothing of the desktop the tests run from may change how Qt looks or acts.
  unsetenv("QT_QPA_PLATFORMTHEME");
  unsetenv("QT_SCALE_FACTOR");
  unsetenv("QT_SCREEN_SCALE_FACTORS");
  unsetenv("QT_AUTO_SCREEN_SCALE_FACTOR");
  if (accessibility_bus) {
    if (!StartAccessibilityBus()) return;
  } else {
    // The private display has no session bus; Qt would look for one (and
    // libdbus keeps memory the leak checker reports).
    setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
  }
  StartWindowManager("", "");
}

XSession::~XSession() {
  StopWindowManager();
  Stop(accessibility_bus_);
  Stop(session_bus_);
  Stop(server_);
}

bool XSession::StartAccessibilityBus() {
  int fds[2];
  if (pipe(fds) != 0) {
    error_ = "no pipe for dbus-daemon";
    return false;
  }
  session_bus_ = Spawn({"dbus-daemon", "--session", "--nofork", "--nopidfile",
                        "--print-address=" + std::to_string(fds[1])},
                       {}, fds[1]);
  close(fds[1]);
  const std::string address = ReadLine(fds[0], session_bus_);
  close(fds[0]);
  if (address.empty()) {
    error_ = "dbus-daemon did not start (is the dbus package installed?)";
    Stop(session_bus_);
    return false;
  }
  setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
  // Qt offers its windows to the bus without waiting for a screen reader to
  // ask for them.
  setenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1", 1);
  accessibility_bus_ = Spawn({"/usr/libexec/at-spi-bus-launcher", "--launch-immediately"}, {});
  const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
  const std::string probe =
      "dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus "
      "org.a11y.Bus.GetAddress >/dev/null 2>&1";
  while (std::chrono::steady_clock::now() < deadline) {
    if (Exited(accessibility_bus_)) {
      accessibility_bus_ = -1;  // reaped: its number may be another's soon
      break;
    }
    if (std::system(probe.c_str()) == 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  error_ = "the accessibility bus did not start (is the at-spi2-core package installed?)";
  return false;
}

bool XSession::StartServer(const std::string& screen) {
  int fds[2];
  if (pipe(fds) != 0) {
    error_ = "no pipe for Xvfb";
    return false;
  }
  server_ = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", screen + "x24",
                   "-dpi", "96", "-nolisten", "tcp", "-noreset"},
                  {}, fds[1]);
  close(fds[1]);
  std::string number;
  const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
  pollfd wait{fds[0], POLLIN, 0};
  while (server_ > 0 && std::chrono::steady_clock::now() < deadline) {
    if (poll(&wait, 1, 100) > 0) {
      char c;
      if (read(fds[0], &c, 1) != 1 || c == '\n') break;
      number += c;
    } else if (Exited(server_)) {
      server_ = -1;
    }
  }
  close(fds[0]);
  if (number.empty()) {
    error_ = "Xvfb did not start (is the xvfb package installed?)";
    Stop(server_);
    return false;
  }
  display_ = ":" + number;
  return true;
}

bool XSession::StartWindowManager(const std::string& rc_xml, const std::string& home) {
  std::vector<std::string> argv = {"openbox", "--sm-disable"};
  if (!rc_xml.empty()) {
    argv.push_back("--config-file");
    argv.push_back(rc_xml);
  }
  std::vector<std::string> env;
  if (!home.empty()) env.push_back("HOME=" + home);
  window_manager_ = Spawn(argv, env);
  const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
  while (std::chrono::steady_clock::now() < deadline) {
    if (Exited(window_manager_)) break;
    if (WindowManagerRunning(display_)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  error_ = "openbox did not start (is the openbox package installed?)";
  return false;
}

void XSession::StopWindowManager() {
  if (window_manager_ <= 0) return;
  Stop(window_manager_);
  // The next one is known to be up once it has set this again.
  const std::string command = "DISPLAY=" + display_ + " xprop -root -remove _OB_THEME 2>/dev/null";
  (void)std::system(command.c_str());
}

bool XSession::RestartWindowManager(const std::string& rc_xml, const std::string& home) {
  StopWindowManager();
  return StartWindowManager(rc_xml, home);
}

}  // namespace tallix::testing
