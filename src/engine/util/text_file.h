#pragma once
// The engine's file access: a file opened once and then read in parts, and
// whole-file reads of the configuration file. A failure's message names the
// file and the reason.

#include <cstdint>
#include <optional>
#include <string>

#include "engine/util/status.h"

namespace tallix {

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

  // Opens `path`, once. Refuses anything that is not an ordinary file (a
  // directory, a pipe, a device) and a file longer than `max_size` bytes.
  Status Open(const std::string& path, size_t max_size);

  size_t size() const { return size_; }

  // Reads bytes [offset, offset + length) into `buffer`. Fails when the file
  // ends before them (it became shorter since it was opened).
  Status ReadAt(size_t offset, char* buffer, size_t length) const;

  // Reads what there is of bytes [offset, offset + length) into `buffer`, as
  // one read does, and sets *got to their number: 0 at the file's end.
  Status ReadSome(size_t offset, char* buffer, size_t length, size_t* got) const;

 private:
  int fd_ = -1;
  size_t size_ = 0;
  std::string path_;
};

// Reads the whole of an ordinary file into `contents`. Refuses anything that is
// not an ordinary file (a directory, a pipe, a device), a file that does not
// fit `max_size` bytes, and a file that shrinks while it is read. On failure
// `contents` is left unchanged.
Status ReadWholeFile(const std::string& path, size_t max_size, std::string& contents);

// "'path': reason" for the errno value `error_number`, for messages.
std::string DescribeErrno(const std::string& path, int error_number);

// One read of at most `length` bytes from descriptor `fd` into `buffer`, at
// `offset` or, with none, where the descriptor stands; again when a signal
// interrupts it. Sets *got to the bytes read, 0 at the end. The message of a
// failure names `path`.
Status ReadFromDescriptor(int fd, const std::string& path, std::optional<uint64_t> offset,
                          char* buffer, size_t length, size_t* got);

}  // namespace tallix
