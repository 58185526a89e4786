#pragma once
// Reads the text of a log file as a stream, whether the file is stored plain
// or compressed. The kind is told by the file's first bytes, never by its
// name: gzip (1F 8B, members concatenated as gzip allows), xz (FD 37 7A 58 5A
// 00, streams concatenated) and zstd (28 B5 2F FD, frames concatenated).
//
// A damaged or cut-short compressed file, or bytes after its last member that
// do not start another, fail with a message that names the file and the
// reason. The text is refused as soon as it grows past a byte limit, so a
// small compressed file cannot make a reader hold more than the limit; the
// reader itself holds a fixed amount of memory whatever the file.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/log/log_source.h"
#include "engine/util/status.h"

namespace tallix {

// kLz4, kLzip and kLzma (the legacy .lzma format) are recognised only to be
// refused with a message that says how to read them.
enum class Compression { kNone, kGzip, kXz, kZstd, kBzip2, kLz4, kLzip, kLzma };

// The compression that a file beginning with `first_bytes` is stored in.
// Needs at most kCompressionMagicBytes bytes; fewer mean a plain file.
inline constexpr size_t kCompressionMagicBytes = 6;
Compression CompressionOf(std::string_view first_bytes);

// The name that messages give `kind`: "gzip", "xz" and so on; "plain" for kNone.
std::string_view CompressionName(Compression kind);

class LogTextReader {
 public:
  // Reads the text that `first_bytes`, already read from `source`, and the
  // rest of `source` hold, stored as `kind` (kNone: plain). `source` must
  // outlive the reader; `path` names the file in messages. A text longer
  // than `max_text_bytes` is refused.
  LogTextReader(LogSource& source, const std::string& path, Compression kind,
                std::string_view first_bytes, uint64_t max_text_bytes);
  ~LogTextReader();
  LogTextReader(const LogTextReader&) = delete;
  LogTextReader& operator=(const LogTextReader&) = delete;

  // Writes the next bytes of the text at `buffer`, at most `length` (> 0), and
  // sets *got to their number; *got is 0 only at the end of the text. After a
  // failure the reader must not be used again.
  Status Read(char* buffer, size_t length, size_t* got);

  // The bytes of text given out so far.
  uint64_t text_bytes() const { return text_bytes_; }

  // The bytes of the file read so far, first_bytes included.
  uint64_t file_bytes_read() const;

  // The decoder behind a compressed file; one per kind.
  class Decoder;

 private:
  Status TooLarge() const;

  LogSource& source_;
  std::string path_;
  uint64_t max_text_bytes_;
  uint64_t text_bytes_ = 0;
  std::string first_;                 // of a plain text, the first bytes not yet given out
  std::unique_ptr<Decoder> decoder_;  // of a compressed one
};

// The text of the log file at `path`, plain or compressed, read in order as
// the loader reads it.
class LogTextFile {
 public:
  // A text longer than `max_text_bytes` is refused.
  Status Open(const std::string& path, uint64_t max_text_bytes);

  // As LogTextReader::Read.
  Status Read(char* buffer, size_t length, size_t* got) {
    return reader_->Read(buffer, length, got);
  }

 private:
  std::unique_ptr<LogSource> source_;
  std::unique_ptr<LogTextReader> reader_;
};

}  // namespace tallix
