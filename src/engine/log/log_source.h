#pragma once
// Where the loader gets a log's bytes from. The loader reads every log
// through a LogFileSystem, so that tests can hand it bytes in blocks of any
// size without touching the disk, and a stream that can only be read in order
// (a pipe) can feed it as a file does.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "engine/analysis/call_time.h"
#include "engine/util/file_identity.h"
#include "engine/util/status.h"

namespace tallix {

// The bytes of one open log, read in order from the start.
class LogSource {
 public:
  virtual ~LogSource() = default;

  // Writes the next bytes at `buffer`, at most `length` (> 0), and sets *got
  // to their number; *got is 0 only at the end.
  virtual Status Read(char* buffer, size_t length, size_t* got) = 0;

  // The number of bytes when they can also be read at any offset (an
  // ordinary file: as many as it had when opened); nullopt for a stream.
  virtual std::optional<uint64_t> size() const = 0;

  // Reads bytes [offset, offset + length) into `buffer`, apart from Read's
  // place, from any thread. Fails when they cannot all be read.
  // REQUIRES: size(), and offset + length <= *size().
  virtual Status ReadAt(uint64_t offset, char* buffer, size_t length) const = 0;
};

// A file followed as it grows, read at any offset up to its end now.
class GrowingFile {
 public:
  virtual ~GrowingFile() = default;

  // Reads at most `length` bytes at `offset`; *got is 0 at the end.
  virtual Status ReadSome(uint64_t offset, char* buffer, size_t length, size_t* got) = 0;
  // Its size now.
  virtual uint64_t Size() const = 0;
  // The file it is, whatever names lead to it later.
  virtual FileIdentity Identity() const = 0;
};

class LogFileSystem {
 public:
  virtual ~LogFileSystem() = default;

  // Opens the log at `path`. Fails, with a message that names it and the
  // reason, for anything that cannot be read as a log or is longer than
  // `max_size` bytes.
  virtual Status Open(const std::string& path, uint64_t max_size,
                      std::unique_ptr<LogSource>* source) = 0;

  // The length of the file at `path`, for progress; 0 when unknown.
  virtual uint64_t SizeOf(const std::string& path) const = 0;

  // When the file at `path` was last changed, on the local clock: the year
  // of a log's traditional stamps is taken from it. The time of the call
  // when that is unknown.
  virtual WallTime ModifiedTime(const std::string& path) const;

  // Opens the ordinary file at `path` to follow it. Fails when it is missing
  // or not an ordinary file.
  virtual Status OpenGrowing(const std::string& path, std::unique_ptr<GrowingFile>* file);

  // The file `path` leads to now; nullopt while nothing is there.
  virtual std::optional<FileIdentity> IdentityAt(const std::string& path) const;
};

// The system's files: ordinary files only, read with pread.
LogFileSystem& SystemLogFiles();

}  // namespace tallix
