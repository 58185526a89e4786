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
// was read (truncated) is read again from its start. Either way the line
// numbers start again from 1 and `file` counts up. While the name is missing
// the follower waits for it to come back. A line not yet ended by a line
// feed waits for it.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

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

class LogFollower {
 public:
  explicit LogFollower(LogFileSystem& files = SystemLogFiles());
  ~LogFollower();
  LogFollower(const LogFollower&) = delete;
  LogFollower& operator=(const LogFollower&) = delete;

  // Starts following `path` at `from`: the offset where the loaded text's
  // unended last line, if any, begins, and the line feeds before it. Keeps
  // the lines that hold `identifier` and the call-end word. A compressed
  // file is followed from its end. Fails when the file cannot be opened.
  Status Start(const std::string& path, const LoadedLog::Resume& from, std::string_view identifier);

  // Reads what was added, handing the new call-end lines to `on_lines` in
  // batches, in log order.
  Status Poll(const std::function<void(std::span<const FollowedLine>)>& on_lines);

  // False while the followed name is missing.
  bool present() const;

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
// folder of a followed log.
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
  // was about the log: other files of a busy folder do not wake it.
  bool TakeEvents();

 private:
  int fd_ = -1;
  std::string name_;
};

}  // namespace tallix
