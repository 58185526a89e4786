#pragma once
// Follows a log as the router writes it: reads only the bytes added since it
// last looked, cuts them into lines with the loader's scanner and hands on
// the call-end lines. Files are reached through a LogFileSystem, so tests
// grow, rotate and truncate logs held in memory; FolderWatch tells when to
// look, so an idle follower costs no processor time.
//
// Rotation is followed by name: when the name comes to lead to another file
// (the log renamed away and a new one created, or a link pointed elsewhere),
// the old file is read to its end first, so lines written to it up to that
// moment are not lost, its last line even without a line feed, and the new
// file is read from its first line. A file that becomes shorter than what
// was read (truncated), or whose last bytes before that point are no longer
// the ones read (truncated and written past it before the follower looked),
// is read again from its start. Either way the line numbers start again
// from 1 and `file` counts up. While the name is missing the follower waits
// for it to come back. A line not yet ended by a line feed waits for it.
//
// A compressed file is refused at the start: its text is not appended to.
// Compressed data that a followed file comes to hold where a line would
// start (a gzip member appended) is not read as lines, nor is the rest of
// that file: the follower says so once and waits for the next file.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/analysis/call_time.h"
#include "engine/log/loaded_log.h"
#include "engine/log/log_source.h"
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

// Refuses a log that cannot be followed: one that is not an ordinary file,
// or is compressed (the message names the format and points at the plain
// file the router writes). Fails, too, when it cannot be opened.
Status FollowableLog(const std::string& path, LogFileSystem& files = SystemLogFiles());

class LogFollower {
 public:
  explicit LogFollower(LogFileSystem& files = SystemLogFiles());
  ~LogFollower();
  LogFollower(const LogFollower&) = delete;
  LogFollower& operator=(const LogFollower&) = delete;

  // Starts following `path` at `from`: the offset where the loaded text's
  // unended last line, if any, begins, and the line feeds before it. Keeps
  // the lines that hold `identifier` and the call-end word. Fails when the
  // file cannot be opened or is compressed (FollowableLog).
  Status Start(const std::string& path, const LoadedLog::Resume& from, std::string_view identifier);

  // Reads what was added, handing the new call-end lines to `on_lines` in
  // batches, in log order; at most about `max_bytes` of it, so that a caller
  // can look at other things between reads of a log that grows fast.
  Status Poll(const std::function<void(std::span<const FollowedLine>)>& on_lines,
              uint64_t max_bytes = UINT64_MAX);

  // True when the last Poll stopped at its `max_bytes`: more may be there
  // to read without any notification.
  bool behind() const;

  // False while the followed name is missing.
  bool present() const;

  // The warnings since the last call, each given once: compressed data met
  // in a followed file.
  std::vector<std::string> TakeWarnings();

  // Where following the file read now would go on: its unended last line's
  // offset and the line feeds before it.
  LoadedLog::Resume position() const;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

// Keeps followed lines in a loaded log through LoadedLog::Keep, as the
// loader would have kept them. A line's origin names the entry of
// LogFilePaths for its file: the log's last file for file 0, and a further
// entry of the same path for each file after a rotation.
class FollowedLineKeeper {
 public:
  // REQUIRES: `log` has a file, its last the one followed; it outlives this.
  explicit FollowedLineKeeper(LoadedLog& log);

  // The line's index in LogLines, or -1 when the log is full. `time`, when
  // given, is set to the line's time either way.
  int32_t Keep(const FollowedLine& line, CallTime* time = nullptr);

 private:
  LoadedLog& log_;
  FollowedYears years_;
  uint32_t first_file_;
};

// Wakes a follower: the system's file notifications (inotify) on the
// folders on the way to a followed log. A symbolic link is followed to its
// file: the link's folder is watched for the link, the target's folder for
// the target, and the way is looked up again when a link is pointed
// elsewhere. A folder on the way that is removed or renamed is watched for
// from the nearest folder above it that is left, so the log is followed
// again once it is back.
class FolderWatch {
 public:
  FolderWatch() = default;
  ~FolderWatch();
  FolderWatch(const FolderWatch&) = delete;
  FolderWatch& operator=(const FolderWatch&) = delete;

  Status Start(const std::string& path);
  // Readable (for poll or select) when the log may have changed.
  int fd() const { return fd_; }
  // Takes the pending notifications. False when there were some and none
  // was about the log or the way to it: other files of a busy folder do not
  // wake it.
  bool TakeEvents();
  // A warning naming the folder on the way to the log that went away
  // (removed or renamed) since the last call, once for each time it went;
  // empty when none did.
  std::string TakeLostFolderWarning();

 private:
  // A name watched in a folder: the log's own, or one on the way to it (a
  // link; a folder on the way, or missing from it), which changing means a
  // new look at the way.
  enum class Kind { kLog, kLink, kFolder };
  struct Watched {
    int wd = -1;
    std::string folder;
    std::string name;
    Kind kind = Kind::kLog;
  };
  // Watches the way to the log as it is now; the errno of a folder on it
  // that could not be watched, 0 when none.
  int Resolve();
  // Watches for `folder` from the nearest folder above it that is left.
  void WatchFromAbove(const std::string& folder, std::vector<Watched>& watched);

  int fd_ = -1;
  std::string path_;
  std::vector<Watched> watched_;
  std::string missing_;  // the folder on the way that is missing now
  std::string lost_;
};

}  // namespace tallix
