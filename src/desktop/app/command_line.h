#pragma once
// The desktop program's own options, read before any window or display
// exists: `tallix --help` and `tallix --version` print and end, and an unknown
// option is a usage error, so that scripts and terminals without a display
// can ask the program what it is. Qt's own options (-platform, -style, ...)
// are let through to QApplication.

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace tallix {

// The usage text of `tallix --help`.
std::string DesktopUsage();

// The version line of `tallix --version`.
std::string DesktopVersionLine();

// Reads `args` (the program name first). Returns the exit status when the
// program should end here, having written to `out` or `err`; nullopt when
// the window should start.
std::optional<int> ReadDesktopArgs(const std::vector<std::string>& args, std::ostream& out,
                                   std::ostream& err);

}  // namespace tallix
