#include "cli/load_progress.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace tallix {
namespace {

struct ProgressCase {
  const char* name;
  std::vector<double> at;  // seconds of each report; report i is i+1 MiB of 4 MiB
  std::string written;     // before Finish
  std::string file = "a.log.xz";
};

const std::string kLine = "\r\033[Ktallix-report: loading a.log.xz: ";

TEST(LoadProgressLineTest, WritesOnlyPastASecondAndNotTooOften) {
  const ProgressCase cases[] = {
      {"quick load", {0.2, 0.5, 1.0}, ""},
      {"past a second", {0.5, 1.2}, kLine + " 50% (2.0 of 4.0 MiB)"},
      {"rewritten",
       {1.1, 1.15, 1.4, 2.0},
       kLine + " 25% (1.0 of 4.0 MiB)" + kLine + " 75% (3.0 of 4.0 MiB)" + kLine +
           "100% (4.0 of 4.0 MiB)"},
      // A name cannot retitle the terminal.
      {"escapes",
       {1.2},
       "\r\033[Ktallix-report: loading \\x1B]0;PWNED\\x07:  25% (1.0 of 4.0 MiB)",
       "\033]0;PWNED\007"},
  };
  for (const ProgressCase& c : cases) {
    std::ostringstream err;
    double now = 0;
    LoadProgressLine line(err, c.file, [&now] { return now; });
    for (size_t i = 0; i < c.at.size(); ++i) {
      now = c.at[i];
      EXPECT_TRUE(line.Report((i + 1) * 1048576, 4 * 1048576)) << c.name;
    }
    EXPECT_EQ(c.written, err.str()) << c.name;
    line.Finish();
    EXPECT_EQ(c.written + (c.written.empty() ? "" : "\r\033[K"), err.str()) << c.name;
  }
}

}  // namespace
}  // namespace tallix
