#pragma once
// Whole-file reads and safe whole-file writes for the engine's files: the
// configuration file, the saved report and the command's output.

#include <string>
#include <string_view>

namespace tallix {

// The outcome of a file operation. `error` is a one-line message that names the
// file and the reason; it is empty on success.
struct FileResult {
  bool ok = true;
  std::string error;

  static FileResult Fail(std::string message) { return {false, std::move(message)}; }
};

// True when `path` names an existing ordinary file (after following links).
bool IsRegularFile(const std::string& path);

// Reads the whole of an ordinary file into `contents`. Refuses anything that is
// not an ordinary file (a directory, a pipe, a device), a file that does not
// fit `max_size` bytes, and a file that shrinks while it is read. On failure
// `contents` is left unchanged.
FileResult ReadWholeFile(const std::string& path, size_t max_size, std::string& contents);

// Writes `contents` as the whole of the file at `path`. An ordinary file (or a
// new one) is replaced atomically: the bytes go to a temporary file beside it,
// which is renamed over the target only once everything was written, so a
// failed write leaves the old file as it was and no partial file behind. A
// link is followed and its target replaced; an existing file that is not an
// ordinary file (a device such as /dev/stdout) is written in place.
FileResult WriteWholeFile(const std::string& path, std::string_view contents);

// "'path': reason" for the current errno, for messages.
std::string DescribeErrno(const std::string& path, int error_number);

}  // namespace tallix
