#pragma once
// The engine's file access: a file opened once and then read in parts, and
// whole-file reads of the configuration file. Failures come back as a
// FileResult whose message names the file and the reason.

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

// An ordinary file open for reading, and its size when it was opened. Parts of
// it may be read from several threads at once.
class ReadOnlyFile {
 public:
  ReadOnlyFile() = default;
  ~ReadOnlyFile();
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

  // Opens `path`. Refuses anything that is not an ordinary file (a directory,
  // a pipe, a device) and a file longer than `max_size` bytes.
  FileResult Open(const std::string& path, size_t max_size);

  size_t size() const { return size_; }
  const std::string& path() const { return path_; }

  // Reads bytes [offset, offset + length) into `buffer`. Fails when the file
  // ends before them (it became shorter since it was opened).
  FileResult ReadAt(size_t offset, char* buffer, size_t length) const;

  // Reads what there is of bytes [offset, offset + length) into `buffer`, as
  // one read does, and sets *got to their number: 0 at the file's end.
  FileResult ReadSome(size_t offset, char* buffer, size_t length, size_t* got) const;

 private:
  int fd_ = -1;
  size_t size_ = 0;
  std::string path_;
};

// Reads the whole of an ordinary file into `contents`. Refuses anything that is
// not an ordinary file (a directory, a pipe, a device), a file that does not
// fit `max_size` bytes, and a file that shrinks while it is read. On failure
// `contents` is left unchanged.
FileResult ReadWholeFile(const std::string& path, size_t max_size, std::string& contents);

// "'path': reason" for the errno value `error_number`, for messages.
std::string DescribeErrno(const std::string& path, int error_number);

}  // namespace tallix
