#pragma once
// tallix-report --follow: once the audit of the loaded logs is written, one
// audit row for each call-end line the router adds to the last log, written
// as it is made, until SIGINT or SIGTERM.

#include <iosfwd>
#include <string>

#include "engine/analysis/time_range.h"
#include "engine/config/site_config.h"
#include "engine/config/tariff_file.h"
#include "engine/log/loaded_log.h"

namespace tallix {

// Why a last LOGFILE cannot be followed, told before anything is loaded:
// one that is not an ordinary file (a named pipe, a device) is a usage
// error, a compressed one a failure that names its format. Empty when it
// may be followed (a file that cannot be read is left to the load to name).
struct FollowRefusal {
  std::string message;
  bool usage = false;
};
FollowRefusal RefuseToFollow(const std::string& path);

// Follows `path`, the last file of `log`, writing a row for each new
// call-end line, tallied over `selection` and `range` with the lines before
// it; the lines are added to `log`. A line past the kept table's limit gets
// the result "beyond kept limit", and the first one a warning on `err`.
//
// SIGINT and SIGTERM are taken from the moment it is called: either ends it
// at once with exit status 0, whatever the reader of the output does. Rows
// go to `out_fd` (standard output's descriptor) by writes that never block,
// so a reader that stops reading holds back only the rows, never the
// signal; a row begun when the signal comes is finished if the reader takes
// it within half a second. With `out_fd` -1 the rows go to `out`.
//
// Returns the exit status: 0 when stopped by a signal, 1 (with a message)
// when the log cannot be followed or the output cannot be written. On a
// `terminal`, control characters are written as visible escapes, as the
// report before them was. A folder on the way to the log that goes away is
// told once on `err`; the log is followed again once it is back.
struct FollowRequest {
  LoadedLog& log;
  const SiteConfig& config;
  const std::string& selection;
  const TimeRange& range;
  const std::string& path;
  const Tariffs* tariffs = nullptr;  // with one, each row ends with the line's cost
  int out_fd = -1;
};
int FollowLastLog(const FollowRequest& request, bool terminal, std::ostream& out,
                  std::ostream& err);

}  // namespace tallix
