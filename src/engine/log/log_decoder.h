#pragma once
// What the decoders of compressed logs share, and where LogTextReader finds
// them: each format's decoder lives in its own file.

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/log/log_text_reader.h"

namespace tallix {

// Compressed bytes read from the file at a time.
inline constexpr size_t kInputBytes = 256u << 10;

inline constexpr std::string_view kXzMagic("\xfd\x37\x7a\x58\x5a\x00", 6);

// The compressed bytes come from the file a block at a time; a decoder turns
// them into text.
class LogTextReader::Decoder {
 public:
  Decoder(LogSource& source, const std::string& path, Compression format,
          std::string_view first_bytes)
      : source_(source),
        path_(path),
        format_(CompressionName(format)),
        input_(std::max(kInputBytes, first_bytes.size())),
        first_size_(first_bytes.size()) {
    std::copy(first_bytes.begin(), first_bytes.end(), input_.begin());
  }
  virtual ~Decoder() = default;

  // Writes at most `length` bytes of text at `out`; *got 0 at its end.
  virtual Status Decode(uint8_t* out, size_t length, size_t* got) = 0;

  uint64_t file_bytes_read() const { return read_; }

 protected:
  // The next block of the file into the input buffer (the first bytes, the
  // first time); an empty one at the end. `next` and `available` are the
  // decoding library's own fields for its input.
  template <typename Byte, typename Size>
  Status Refill(Byte** next, Size* available) {
    *next = reinterpret_cast<Byte*>(input_.data());
    size_t got = 0;
    if (first_size_ > 0) {
      got = std::exchange(first_size_, 0);
    } else if (!file_done()) {
      char* const block = reinterpret_cast<char*>(input_.data());
      if (Status read = source_.Read(block, input_.size(), &got); !read.ok()) return read;
      ended_ = got == 0;
    }
    *available = static_cast<Size>(got);  // at most input_'s size, which any Size holds
    read_ += got;
    return {};
  }
  // Every byte was read: a file's bytes as it was opened, a stream's up to
  // its end.
  bool file_done() const {
    return first_size_ == 0 && (ended_ || (source_.size() && read_ == *source_.size()));
  }

  std::string_view format() const { return format_; }
  Status Refused(std::string_view reason) const {
    return Status::Error("cannot read '" + path_ + "': " + std::string(reason));
  }
  Status Damaged(std::string_view reason) const {
    return Refused("the " + std::string(format_) + " data is damaged (" + std::string(reason) +
                   ")");
  }
  Status CutShort() const { return Refused("the " + std::string(format_) + " data is cut short"); }
  Status StrayBytes() const { return Refused("stray bytes after the compressed data"); }

 private:
  LogSource& source_;
  const std::string& path_;
  std::string_view format_;
  std::vector<uint8_t> input_;
  size_t first_size_;  // bytes of input_ read before the decoder began
  uint64_t read_ = 0;
  bool ended_ = false;
};
using LogDecoder = LogTextReader::Decoder;

// The decoders of the formats Tallix reads; `path` must outlive them.
std::unique_ptr<LogDecoder> MakeGzipDecoder(LogSource& source, const std::string& path,
                                            std::string_view first_bytes);
std::unique_ptr<LogDecoder> MakeXzDecoder(LogSource& source, const std::string& path,
                                          std::string_view first_bytes);
std::unique_ptr<LogDecoder> MakeZstdDecoder(LogSource& source, const std::string& path,
                                            std::string_view first_bytes);
std::unique_ptr<LogDecoder> MakeBzip2Decoder(LogSource& source, const std::string& path,
                                             std::string_view first_bytes);

}  // namespace tallix
