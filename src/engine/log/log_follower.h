#pragma once
// Follows a log as the router writes it: reads only the bytes added since it
// last looked, cuts them into lines with the loader's scanner and hands on
// the call-end lines. It waits on the system's file notifications (inotify)
// on the log's folder, so an idle follower costs no processor time.
//
// Rotation is followed by name: when the name comes to mean another file
// (the log renamed away and a new one created), the old file is read to its
// end first, so lines written to it up to that moment are not lost, and the
// new file is read from its first line. A file that becomes shorter than
// what was read (truncated) is read again from its start. Either way the
// line numbers start again from 1 and `file` counts up. While the name is
// missing the follower waits for it to come back.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "engine/analysis/call_time.h"
#include "engine/app/shared_data.h"
#include "engine/util/status.h"

namespace tallix {

// A call-end line found by the follower: its text as the loader keeps it
// (compacted when long, an RFC 3339 stamp in the traditional form), the
// stamp it began with, its 1-based line number in its file, and which file:
// 0 for the one followed at the start, 1 for the next after a rotation, ...
struct FollowedLine {
  std::string text;
  LineStamp stamp;
  uint64_t line = 0;
  uint32_t file = 0;
};

class LogFollower {
 public:
  LogFollower();
  ~LogFollower();
  LogFollower(const LogFollower&) = delete;
  LogFollower& operator=(const LogFollower&) = delete;

  // Starts following `path`, of which the first `lines_read` lines (as
  // LogFileLines counts them) were loaded already, keeping the lines that
  // hold `identifier` and the call-end word. A compressed file is followed
  // from its end. Fails when the file or its folder cannot be watched.
  Status Start(const std::string& path, uint64_t lines_read, std::string_view identifier);

  // Readable (for poll or select) when the log may have changed.
  int notify_fd() const;

  // Reads what was added, handing the new call-end lines to `on_lines` in
  // batches, in log order. Takes the pending notifications.
  Status Poll(const std::function<void(std::span<const FollowedLine>)>& on_lines);

  // False while the followed name is missing.
  bool present() const;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

// Adds followed lines to the loaded log's kept lines as the loader would have
// kept them. A line's origin names the entry of LogFilePaths for the file it
// came from: the loaded log's last file for file 0, and a further entry of
// the same path for each file after a rotation.
class FollowedLineKeeper {
 public:
  // REQUIRES: `data` holds a loaded log whose last file is the one followed.
  explicit FollowedLineKeeper(TallixData& data);

  // Returns the line's index in LogLines, or -1 when LogLines is full
  // (LinesBeyondKept counts it then).
  // Every kept line gets its time from its stamp, a traditional stamp its
  // year from the one before it, as a load gives them.
  int32_t Keep(const FollowedLine& line);

 private:
  CallTime TimeOf(const LineStamp& stamp);

  TallixData& data_;
  uint32_t first_file_;
  // The last traditional stamp kept, with its year: the next one's year
  // follows from it.
  std::optional<LineStamp> last_traditional_;
  int last_year_ = 0;
};

}  // namespace tallix
