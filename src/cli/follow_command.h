#pragma once
// tallix-report --follow: once the audit of the loaded logs is written, one
// audit row for each call-end line the router adds to the last log, flushed
// as it is written, until SIGINT or SIGTERM.

#include <iosfwd>
#include <string>

#include "engine/analysis/time_range.h"
#include "engine/config/site_config.h"
#include "engine/config/tariff_file.h"
#include "engine/log/loaded_log.h"

namespace tallix {

// Holds SIGINT and SIGTERM back from the moment it is made, so that they end
// the follow in order (output flushed, exit status 0) however early they
// come; the mask is given back when it goes.
class StopSignals {
 public:
  StopSignals();
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // Readable once a stop signal has come; -1 when none can be waited for.
  int fd() const { return fd_; }

 private:
  int fd_ = -1;
  bool masked_ = false;
  unsigned char old_mask_[128] = {};
};

// Follows `path`, the last file of `log`, writing a row to `out` for each
// new call-end line, tallied over `selection` and `range` with the lines
// before it; the lines are added to `log`. A line past the kept table's limit gets the result
// "beyond kept limit", and the first one a warning on `err`. Returns the exit status: 0 when
// stopped by a signal, 1 (with a message) when the log cannot be followed or the output cannot be
// written. On a `terminal`, control characters are written as visible escapes, as the report before
// them was.
struct FollowRequest {
  LoadedLog& log;
  const SiteConfig& config;
  const std::string& selection;
  const TimeRange& range;
  const std::string& path;
  const Tariffs* tariffs = nullptr;  // with one, each row ends with the line's cost
};
int FollowLastLog(const FollowRequest& request, const StopSignals& stop, bool terminal,
                  std::ostream& out, std::ostream& err);

}  // namespace tallix
